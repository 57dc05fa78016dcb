#pragma once
// Measures the list-like controls share.

#include "platform/gdi/gdi_types.h"
#include "platform/types.h"

// tmHeight of the font on the window's DC; fallback when there is no DC.
int KvTextHeight(HWND window, HFONT font, int fallback);
