#include "controls/skin_background.h"

#include "skin_test_support.h"
#include "support/gui_test_support.h"

namespace {

// The page's variants of the dialog's steps: the region joined with the
// rounded rectangle, and the image blended over the whole area.
class SkinBackgroundTest : public GdiTest {
protected:
    void SetUp() override {
        GdiTest::SetUp();
        folder_.Write("img.bmp",
                      skin::Bmp32(4, 4, [](int x, int) { return x < 2 ? 0xFF00FFu : 0xFFFFFFu; }));
        ASSERT_EQ(image_.LoadFile(folder_.Path() + "/img.bmp", nullptr), KV_OK);
    }
    void TearDown() override {
        image_.DeleteObject();
        GdiTest::TearDown();
    }
    skin::TempFolder folder_;
    CKvBitmap image_;
};

TEST_F(SkinBackgroundTest, JoinedRegionAddsTheRoundedRectangleToTheImagesShape) {
    KvRegionShape shape;
    shape.rect = CRect(0, 0, 10, 10);
    shape.cornerWidth = shape.cornerHeight = 4;
    shape.useImage = true;
    shape.transparent = RGB(255, 0, 255);
    CRgn cut;
    EXPECT_EQ(KvMakeWindowRegion(cut, image_, shape), KV_OK);
    EXPECT_FALSE(cut.PtInRegion(5, 5)); // the image's shape alone
    EXPECT_FALSE(cut.PtInRegion(0, 2));
    shape.joinRounded = true;
    CRgn joined;
    EXPECT_EQ(KvMakeWindowRegion(joined, image_, shape), KV_OK);
    EXPECT_TRUE(joined.PtInRegion(5, 5));
    EXPECT_TRUE(joined.PtInRegion(0, 5));
    EXPECT_FALSE(joined.PtInRegion(0, 0));
    // A region already made is kept.
    const HRGN kept = joined;
    EXPECT_EQ(KvMakeWindowRegion(joined, image_, shape), KV_OK);
    EXPECT_EQ(static_cast<HRGN>(joined), kept);
}

TEST_F(SkinBackgroundTest, WholeAreaBlendCoversWhatTheImageLeaves) {
    for (const KvBlendArea area : {KvBlendArea::kImage, KvBlendArea::kWhole}) {
        Canvas canvas(8, 8, RGB(0, 0, 0));
        CDC dc;
        dc.Attach(canvas.dc());
        KvBlendImage(dc, CRect(0, 0, 8, 8), image_, false, 0x80000000u, area);
        dc.Detach();
        // Uncovered parts of the layer hold the background: unchanged either way.
        EXPECT_EQ(canvas.At(6, 6), RGB(0, 0, 0));
        EXPECT_NEAR(GetRValue(canvas.At(3, 3)), 127, 1);
    }
}

// Each ring takes one pixel of the strip, its corners shrinking by one; a
// corner at the lowest value stays there.
TEST_F(SkinBackgroundTest, BorderRingsFollowTheStripFromTheLowestCorner) {
    folder_.Write("border.bmp", skin::Bmp32(1, 2, [](int, int y) { return y == 0 ? 0x0000FFu : 0x00FF00u; }));
    CKvBitmap border;
    ASSERT_EQ(border.LoadFile(folder_.Path() + "/border.bmp", nullptr), KV_OK);
    Canvas canvas(12, 12, RGB(0, 0, 0));
    CDC dc;
    dc.Attach(canvas.dc());
    EXPECT_EQ(KvDrawBorder(dc, border, CRect(0, 0, 12, 12), INT32_MIN, INT32_MIN), KV_OK);
    dc.Detach();
    const COLORREF outer = canvas.At(6, 0);
    const COLORREF inner = canvas.At(6, 1);
    EXPECT_NE(outer, inner);
    EXPECT_TRUE(outer == RGB(0, 0, 255) || outer == RGB(255, 0, 0));
    EXPECT_TRUE(inner == RGB(0, 255, 0));
    EXPECT_EQ(canvas.At(6, 6), RGB(0, 0, 0));
    border.DeleteObject();
}

} // namespace
