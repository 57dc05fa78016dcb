#include "platform/mfc/mfc_gdi.h"
#include "support/gui_test_support.h"

namespace {

using MfcGdiTest = GdiTest;

TEST_F(MfcGdiTest, SelectObjectReturnsThePreviousObject) {
    CDC dc;
    ASSERT_TRUE(dc.CreateCompatibleDC(nullptr));
    CPen red(PS_SOLID, 1, RGB(255, 0, 0));
    CPen blue(PS_SOLID, 1, RGB(0, 0, 255));
    CPen* stock = dc.SelectObject(&red);
    ASSERT_NE(stock, nullptr);
    EXPECT_EQ(stock->m_hObject, GetStockObject(BLACK_PEN));
    EXPECT_EQ(dc.SelectObject(&blue), &red);  // the wrapper holding it
    EXPECT_EQ(dc.SelectObject(stock), &blue);
    CBrush brush(RGB(1, 2, 3));
    CBrush* old_brush = dc.SelectObject(&brush);
    EXPECT_EQ(old_brush->m_hObject, GetStockObject(WHITE_BRUSH));
    dc.SelectObject(old_brush);
}

TEST_F(MfcGdiTest, FillSolidRectLeavesTheBackgroundColourSet) {
    Canvas canvas(10, 10);
    CDC* dc = CDC::FromHandle(canvas.dc());
    dc->SetBkColor(RGB(9, 9, 9));
    dc->FillSolidRect(2, 2, 4, 4, RGB(10, 200, 30));
    EXPECT_EQ(dc->GetBkColor(), RGB(10, 200, 30));
    EXPECT_EQ(GetPixel(canvas.dc(), 3, 3), RGB(10, 200, 30));
    EXPECT_EQ(GetPixel(canvas.dc(), 6, 6), RGB(255, 255, 255));
    CDC::DeleteTempHandle(canvas.dc());
}

TEST_F(MfcGdiTest, DetachKeepsTheHandleAliveAndDeleteObjectEndsIt) {
    const auto before = GdiGetStatistics().live_objects;
    HGDIOBJ kept = nullptr;
    {
        CBrush brush(RGB(1, 1, 1));
        EXPECT_EQ(GdiGetStatistics().live_objects, before + 1);
        kept = brush.Detach();
    }
    EXPECT_EQ(GdiGetStatistics().live_objects, before + 1);
    {
        CRgn region;
        ASSERT_TRUE(region.CreateRectRgn(0, 0, 5, 5));
    }
    EXPECT_EQ(GdiGetStatistics().live_objects, before + 1);
    EXPECT_TRUE(DeleteObject(kept));
    EXPECT_EQ(GdiGetStatistics().live_objects, before);
}

TEST_F(MfcGdiTest, CreatingIntoAWrapperThatHoldsAHandleRefusesWithoutLeaking) {
    const GdiStatistics before = GdiGetStatistics();
    {
        CBrush brush(RGB(1, 1, 1));
        EXPECT_FALSE(brush.CreateSolidBrush(RGB(2, 2, 2)));
        CRgn region;
        ASSERT_TRUE(region.CreateRectRgn(0, 0, 5, 5));
        EXPECT_FALSE(region.CreateRoundRectRgn(0, 0, 5, 5, 2, 2));
        CDC dc;
        ASSERT_TRUE(dc.CreateCompatibleDC(nullptr));
        EXPECT_FALSE(dc.CreateCompatibleDC(nullptr));
        EXPECT_EQ(GdiGetStatistics().live_objects, before.live_objects + 2);
        EXPECT_EQ(GdiGetStatistics().live_dcs, before.live_dcs + 1);
    }
    EXPECT_EQ(GdiGetStatistics().live_objects, before.live_objects);
    EXPECT_EQ(GdiGetStatistics().live_dcs, before.live_dcs);
}

TEST_F(MfcGdiTest, AHandleHasOneOwningWrapperAndTemporariesNeverDelete) {
    CBrush owner(RGB(5, 5, 5));
    CBrush second;
    EXPECT_FALSE(second.Attach(owner.m_hObject));
    EXPECT_EQ(CBrush::FromHandle(owner), &owner);
    HBRUSH loose = CreateSolidBrush(RGB(7, 7, 7));
    CBrush* temporary = CBrush::FromHandle(loose);
    ASSERT_NE(temporary, nullptr);
    EXPECT_EQ(CBrush::FromHandle(loose), temporary);
    EXPECT_FALSE(temporary->DeleteObject());  // not its handle
    EXPECT_TRUE(DeleteObject(loose));
}

TEST_F(MfcGdiTest, RectanglesIntersectAndUnite) {
    CRect a(0, 0, 10, 10), b(5, 5, 20, 20), out;
    EXPECT_TRUE(out.IntersectRect(a, b));
    EXPECT_EQ(out, CRect(5, 5, 10, 10));
    EXPECT_FALSE(out.IntersectRect(a, CRect(10, 0, 12, 5)));
    EXPECT_TRUE(out.IsRectNull());
    EXPECT_TRUE(out.UnionRect(a, CRect()));
    EXPECT_EQ(out, a);
    EXPECT_TRUE(a.PtInRect(CPoint(9, 9)));
    EXPECT_FALSE(a.PtInRect(CPoint(10, 9)));
    EXPECT_EQ(CPoint(4, 5) - CPoint(1, 1), CSize(3, 4));
}

// Moves, growths and sizes at the ends of the range stop at its limits.
TEST_F(MfcGdiTest, RectangleArithmeticStopsAtTheLimits) {
    CRect far(INT32_MAX - 10, INT32_MIN + 10, INT32_MAX - 5, INT32_MIN + 20);
    far.OffsetRect(20, -20);
    EXPECT_EQ(far, CRect(INT32_MAX, INT32_MIN, INT32_MAX, INT32_MIN));
    CRect wide(-10, -10, INT32_MAX - 1, 10);
    wide.InflateRect(3, 3);
    EXPECT_EQ(wide, CRect(-13, -13, INT32_MAX, 13));
    EXPECT_EQ(wide.Width(), INT32_MAX);
    wide.DeflateRect(-3, 0);
    EXPECT_EQ(wide, CRect(-16, -13, INT32_MAX, 13));
    EXPECT_EQ(CRect(INT32_MIN, 0, INT32_MAX, 0).CenterPoint(), CPoint(0, 0));
    EXPECT_EQ(CPoint(INT32_MIN, 0) - CPoint(1, 0), CSize(INT32_MIN, 0));
}

}  // namespace
