#pragma once
// The font of a skinned control, derived from its parent window's font.

#include "platform/mfc/mfc_wnd.h"
#include "platform/result_codes.h"

#include <cstdint>

// The parent font's height times the factor, truncated toward zero; a factor
// that leaves the 32-bit range saturates instead of overflowing.
LONG KvMagnifiedFontHeight(LONG height, float magnify);

// Once per control: nothing happens while font holds a handle. The parent's
// font (WM_GETFONT) with the weight, the italic (0x1), underline (0x2) and
// strike-out (0x4) bits of font_style, the escapement and the height
// magnified when magnify is not exactly 1.0. KV_E_FAIL when the parent has
// no font or the font cannot be made.
KvResult KvCreateControlFont(CFont& font, HWND parent, LONG weight, float magnify, std::uint32_t font_style = 0,
                             LONG escapement = 0);
