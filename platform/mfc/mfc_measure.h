#pragma once
// Measures the list-like controls share.

#include "platform/gdi/gdi_types.h"
#include "platform/types.h"

// The size of a rectangle that came from outside (a description file). False
// when an edge lies before its start or the far edge does not fit in 32 bits;
// the window system could not place such a window.
bool KvRectExtent(const RECT& rect, int& width, int& height);

// tmHeight of the font on the window's DC; fallback when there is no DC.
int KvTextHeight(HWND window, HFONT font, int fallback);
