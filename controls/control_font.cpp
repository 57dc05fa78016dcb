#include "controls/control_font.h"

#include <algorithm>
#include <cmath>
#include <limits>

LONG KvMagnifiedFontHeight(LONG height, float magnify) {
    const double scaled = std::trunc(static_cast<double>(static_cast<float>(height) * magnify));
    if (std::isnan(scaled))
        return height;
    return static_cast<LONG>(std::clamp<double>(scaled, std::numeric_limits<std::int32_t>::min(),
                                                std::numeric_limits<std::int32_t>::max()));
}

KvResult KvCreateControlFont(CFont& font, HWND parent, LONG weight, float magnify, std::uint32_t font_style,
                             LONG escapement) {
    if (font.m_hObject != nullptr)
        return KV_OK;
    HFONT parent_font = parent ? reinterpret_cast<HFONT>(::SendMessage(parent, WM_GETFONT, 0, 0)) : nullptr;
    LOGFONT description;
    if (parent_font == nullptr || ::GetObject(parent_font, sizeof description, &description) == 0)
        return KV_E_FAIL;
    description.lfWeight = weight;
    if (magnify != 1.0f)
        description.lfHeight = KvMagnifiedFontHeight(description.lfHeight, magnify);
    description.lfItalic = (font_style & 0x1) != 0 ? 1 : 0;
    description.lfUnderline = (font_style & 0x2) != 0 ? 1 : 0;
    description.lfStrikeOut = (font_style & 0x4) != 0 ? 1 : 0;
    description.lfEscapement = escapement;
    return font.CreateFontIndirect(&description) ? KV_OK : KV_E_FAIL;
}
