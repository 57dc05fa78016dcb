#include "platform/mfc/mfc_measure.h"

#include "platform/wnd/wnd.h"

#include <cstdint>

int KvTextHeight(HWND window, HFONT font, int fallback) {
    HDC dc = GetDC(window);
    if (dc == nullptr)
        return fallback;
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRIC metrics;
    GetTextMetrics(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    return metrics.tmHeight;
}

bool KvRectExtent(const RECT& rect, int& width, int& height) {
    const std::int64_t w = static_cast<std::int64_t>(rect.right) - rect.left;
    const std::int64_t h = static_cast<std::int64_t>(rect.bottom) - rect.top;
    if (w < 0 || h < 0 || w > INT32_MAX || h > INT32_MAX || rect.left + w > INT32_MAX || rect.top + h > INT32_MAX)
        return false;
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return true;
}
