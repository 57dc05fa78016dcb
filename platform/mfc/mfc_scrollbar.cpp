#include "platform/mfc/mfc_scrollbar.h"

#include "platform/mfc/mfc_gdi.h"
#include "platform/wnd/wnd.h"

#include <algorithm>

namespace {

constexpr int kMinimumThumb = 8;

int Width(const RECT& rect) {
    return rect.right - rect.left;
}
int Height(const RECT& rect) {
    return rect.bottom - rect.top;
}

// The height of each arrow button: square, unless the bar is too short.
int ArrowHeight(const KvScrollBar& bar) {
    return std::min(Width(bar.rect), Height(bar.rect) / 2);
}

RECT Track(const KvScrollBar& bar) {
    const int arrow = ArrowHeight(bar);
    return RECT{bar.rect.left, bar.rect.top + arrow, bar.rect.right, bar.rect.bottom - arrow};
}

int ThumbLength(const KvScrollBar& bar) {
    const int track = Height(Track(bar));
    if (bar.count <= 0)
        return track;
    const auto length =
        static_cast<long long>(track) * std::clamp(bar.page, 1, bar.count) / bar.count;
    return std::min(track, std::max(static_cast<int>(length), kMinimumThumb));
}

void DrawButton(CDC& dc, const RECT& rect) {
    dc.FillSolidRect(&rect, GetSysColor(COLOR_BTNFACE));
    CRect edge(rect);
    dc.Draw3dRect(&edge, GetSysColor(COLOR_3DLIGHT), GetSysColor(COLOR_3DDKSHADOW));
    edge.DeflateRect(1, 1);
    dc.Draw3dRect(&edge, GetSysColor(COLOR_3DHILIGHT), GetSysColor(COLOR_3DSHADOW));
}

// An arrow of rows 7, 5, 3 and 1 pixels wide, pointing up or down.
void DrawArrow(CDC& dc, const RECT& rect, bool up) {
    const CPoint centre = CRect(rect).CenterPoint();
    const COLORREF colour = GetSysColor(COLOR_BTNTEXT);
    for (int row = 0; row < 4; ++row) {
        const int y = up ? centre.y + 1 - row : centre.y - 2 + row;
        dc.FillSolidRect(centre.x - 3 + row, y, 7 - 2 * row, 1, colour);
    }
}

} // namespace

int KvScrollPage(int height, int row_height) {
    return std::max(1, height / std::max(1, row_height));
}

int KvScrollMaxTop(int count, int page) {
    return std::max(0, count - std::max(1, page));
}

RECT KvScrollBarRect(const RECT& area, int count, int page) {
    if (count <= page)
        return RECT{};
    const int width = GetSystemMetrics(SM_CXVSCROLL);
    return RECT{std::max(area.left, area.right - width), area.top, area.right, area.bottom};
}

RECT KvScrollThumb(const KvScrollBar& bar) {
    const RECT track = Track(bar);
    const int length = ThumbLength(bar);
    const int max_top = KvScrollMaxTop(bar.count, bar.page);
    const int room = Height(track) - length;
    const int offset = max_top > 0 ? static_cast<int>(static_cast<long long>(room) *
                                                      std::clamp(bar.top, 0, max_top) / max_top)
                                   : 0;
    return RECT{track.left, track.top + offset, track.right, track.top + offset + length};
}

KvScrollPart KvScrollHit(const KvScrollBar& bar, POINT point) {
    if (!CRect(bar.rect).PtInRect(point))
        return KvScrollPart::kNone;
    const RECT track = Track(bar);
    if (point.y < track.top)
        return KvScrollPart::kLineUp;
    if (point.y >= track.bottom)
        return KvScrollPart::kLineDown;
    const RECT thumb = KvScrollThumb(bar);
    if (point.y < thumb.top)
        return KvScrollPart::kPageUp;
    if (point.y >= thumb.bottom)
        return KvScrollPart::kPageDown;
    return KvScrollPart::kThumb;
}

int KvScrollStep(const KvScrollBar& bar, KvScrollPart part) {
    int top = bar.top;
    switch (part) {
    case KvScrollPart::kLineUp:
        --top;
        break;
    case KvScrollPart::kLineDown:
        ++top;
        break;
    case KvScrollPart::kPageUp:
        top -= bar.page;
        break;
    case KvScrollPart::kPageDown:
        top += bar.page;
        break;
    default:
        break;
    }
    return std::clamp(top, 0, KvScrollMaxTop(bar.count, bar.page));
}

int KvScrollTopForThumb(const KvScrollBar& bar, int y) {
    const RECT track = Track(bar);
    const int room = Height(track) - ThumbLength(bar);
    const int max_top = KvScrollMaxTop(bar.count, bar.page);
    if (room <= 0)
        return bar.top;
    const long long offset = std::clamp(y - static_cast<int>(track.top), 0, room);
    return static_cast<int>((offset * max_top + room / 2) / room);
}

int KvScrollToShow(const KvScrollBar& bar, int row) {
    int top = bar.top;
    if (row < top)
        top = row;
    else if (row >= top + bar.page)
        top = row - bar.page + 1;
    return std::clamp(top, 0, KvScrollMaxTop(bar.count, bar.page));
}

void KvPaintScrollBar(HDC dc, const KvScrollBar& bar) {
    if (Width(bar.rect) <= 0 || Height(bar.rect) <= 0)
        return;
    CDC* wrapper = CDC::FromHandle(dc);
    const RECT track = Track(bar);
    wrapper->FillSolidRect(&track, GetSysColor(COLOR_SCROLLBAR));
    const RECT up{bar.rect.left, bar.rect.top, bar.rect.right, track.top};
    const RECT down{bar.rect.left, track.bottom, bar.rect.right, bar.rect.bottom};
    DrawButton(*wrapper, up);
    DrawArrow(*wrapper, up, true);
    DrawButton(*wrapper, down);
    DrawArrow(*wrapper, down, false);
    DrawButton(*wrapper, KvScrollThumb(bar));
}
