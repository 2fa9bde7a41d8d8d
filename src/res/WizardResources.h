#pragma once

// Ids of the wizard's dialog templates, their controls and its strings. Plain
// #defines, because windres reads this header too. Prefixes: IDD_ template,
// IDS_ string, IDM_ menu item, IDX_ check box, IDT_ static text, IDC_ any other
// control. Two templates may use one number for different controls (1094, 1103).

#include "resource.h"

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Dialog templates.
#define IDD_ABOUTBOX 100
#define IDD_WIZARD_FRAME 102
#define IDD_OS_PAGE 130
#define IDD_MODEL_PAGE 131
#define IDD_PORT_PAGE 132
#define IDD_LICENCE_PAGE 133
#define IDD_MODE_PAGE 137
#define IDD_PROGRESS 141
// The uninstaller's one window.
#define IDD_UNINSTALL 150

// Strings.
#define IDS_RASTER_TOOLTIP 134

// The About entry of the frame's system menu: a system command id, so its low
// four bits must stay clear (the system uses them).
#define IDM_ABOUTBOX 0x10

// Wizard frame (the OK and Cancel buttons are IDOK and IDCANCEL).
#define IDC_PAGE_AREA 1001
#define IDC_BACK 1002
#define IDC_SIDE_BITMAP 1087
#define IDT_HELP_LINE 1093

// About box (its button is IDOK).
#define IDT_ABOUT_VERSION 1091
#define IDT_ABOUT_COPYRIGHT 1092

// Licence page.
#define IDC_ACCEPT 1057
#define IDC_REJECT 1058
#define IDC_LICENCE_TEXT 1081
#define IDC_LICENCE_GROUP 1090

// Printer model page: type button and model list belong together by type.
#define IDC_TYPE_RECEIPT 1019
#define IDC_TYPE_TICKET 1020
#define IDC_TYPE_LABEL 1021
#define IDC_TYPE_EMBEDDED 1073
#define IDC_RECEIPT_MODELS 1030
#define IDC_TICKET_MODELS 1031
#define IDC_LABEL_MODELS 1032
#define IDC_EMBEDDED_MODELS 1074
#define IDX_SET_DEFAULT 1046
#define IDC_MODEL_GROUP 1094

// Operating-system page: one radio button per OS index 0..7.
#define IDC_OS_WIN98ME 1026
#define IDC_OS_WINNT 1027
#define IDC_OS_WIN2000 1028
#define IDC_OS_WINXP 1029
#define IDC_OS_SERVER2003 1075
#define IDC_OS_VISTA 1076
#define IDC_OS_SERVER2008 1077
#define IDC_OS_WIN7 1078
#define IDC_OS_GROUP 1094

// Install mode page.
#define IDC_TYPICAL 1066
#define IDC_ADVANCED 1067
#define IDT_NOTE_LINE1 1068
#define IDT_NOTE_LINE2 1069
#define IDT_NOTE_LINE3 1070
#define IDC_MODE_GROUP 1103
#define IDT_REMARKS 1104

// Port page.
#define IDC_BAUD_RATE 1041
#define IDC_BYTE_SIZE 1042
#define IDC_PARITY 1043
#define IDC_STOP_BITS 1044
#define IDC_PROTOCOL 1045
#define IDC_PORT_LIST 1049
#define IDX_RASTER 1052
#define IDT_USB_NOTICE 1065
#define IDC_PORT_GROUP 1095
#define IDT_PORTS_LABEL 1096
#define IDC_COM_GROUP 1097
#define IDT_BAUD_RATE_LABEL 1098
#define IDT_PARITY_LABEL 1099
#define IDT_BYTE_SIZE_LABEL 1100
#define IDT_STOP_BITS_LABEL 1101
#define IDT_PROTOCOL_LABEL 1102
#define IDT_IP_LABEL 1103
#define IDT_COM_UNSUPPORTED 1105
#define IDC_IP_ADDRESS 1106

// Progress window.
#define IDC_PROGRESS_BAR 1079

// The uninstaller's window: its line above the list of recorded printers.
#define IDT_UNINSTALL_PROMPT 1210
#define IDC_UNINSTALL_LIST 1211
