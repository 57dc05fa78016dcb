#pragma once
// The size of a rectangle that came from outside (a description file).

#include "platform/types.h"

// False when an edge lies before its start or the far edge does not fit in
// 32 bits; the window system could not place such a window.
bool KvRectExtent(const RECT& rect, int& width, int& height);
