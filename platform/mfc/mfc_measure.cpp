#include "platform/mfc/mfc_measure.h"

#include "platform/wnd/wnd.h"

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
