#pragma once

// Resource ids of Setup.exe.
#define IDI_APPLICATION_ICON 128
