#pragma once
// The vertical scroll bar that the list view and the combo popup draw in
// their own client area over rows of one height: SM_CXVSCROLL wide, in the
// system colours, with an arrow button at each end and a thumb between.

#include "platform/gdi/gdi_types.h"
#include "platform/types.h"

struct KvScrollBar {
    RECT rect{};   // where the bar lies, in client coordinates
    int count = 0; // rows
    int page = 1;  // rows shown whole
    int top = 0;   // the first row shown
};

enum class KvScrollPart { kNone, kLineUp, kLineDown, kPageUp, kPageDown, kThumb };

// The rows shown whole in a height (at least one).
int KvScrollPage(int height, int row_height);
// The last first row that still fills the page.
int KvScrollMaxTop(int count, int page);
// The bar beside the right edge of area, or an empty rect when the rows fit.
RECT KvScrollBarRect(const RECT& area, int count, int page);
RECT KvScrollThumb(const KvScrollBar& bar);
KvScrollPart KvScrollHit(const KvScrollBar& bar, POINT point);
// The first row after a click on an arrow or beside the thumb.
int KvScrollStep(const KvScrollBar& bar, KvScrollPart part);
// The first row that puts the thumb's top at y.
int KvScrollTopForThumb(const KvScrollBar& bar, int y);
// Brings a row into the page; the first row afterwards.
int KvScrollToShow(const KvScrollBar& bar, int row);
void KvPaintScrollBar(HDC dc, const KvScrollBar& bar);
