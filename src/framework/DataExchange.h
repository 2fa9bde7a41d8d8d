#pragma once

#include <windows.h>

// Per-page data exchange helpers: save = true reads the control into the value,
// false writes the value into the control.

void ExchangeCheck(HWND dialog, int id, bool save, int& value);

// A radio group starts at its first button (style WS_GROUP) and runs to the next
// WS_GROUP control; value is the checked button's index in it, -1 for none.
void ExchangeRadioGroup(HWND dialog, int firstId, bool save, int& value);

// The combo box's selected index, -1 for none.
void ExchangeComboIndex(HWND dialog, int id, bool save, int& value);

// The IP address control's address in host order (first field in the high byte).
void ExchangeIpAddress(HWND dialog, int id, bool save, DWORD& value);

// Refusal of a page's data: focus the control the user has to correct.
// Returns false, so that DoDataExchange can end with it.
bool RefuseField(HWND dialog, int id);
