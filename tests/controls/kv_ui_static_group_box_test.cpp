#include "controls/kv_ui_static_group_box.h"

#include "skin_test_support.h"
#include "support/wnd_test_support.h"

#include <memory>
#include <random>
#include <string>

namespace {

using skin::Element;
using skin::Section;

constexpr COLORREF kFill = RGB(10, 20, 30);
constexpr COLORREF kPen = RGB(0, 0, 255);

class GroupBoxTest : public WndTest {
protected:
    void SetUp() override {
        WndTest::SetUp();
        parent_ = std::make_unique<skin::ParentDialog>(300, 130, kFill);
    }
    void TearDown() override {
        parent_.reset();
        WndTest::TearDown();
    }
    // A 100 x 40 box at (10, 10) in the parent.
    void Make(CKvUIStaticGroupBox& box, const std::string& text, const std::string& edges = "8",
              std::uint32_t format = DT_SINGLELINE) {
        skin::LoadCatalog(
            catalog_,
            "<GUI>" +
                Section("UIOBJECTSTATICGROUPBOX",
                        Element("UIOBJECTSTATICGROUPBOX", "G",
                                "positionx=10;positiony=10;width=101;height=41;pencolor=0000ff;"
                                "textcolor=ff0000;text=" +
                                    text + ";roundedgex=" + edges + ";roundedgey=" + edges)) +
                Section("UIOBJECTSTRING",
                        Element("UIOBJECTSTRING", "UIObjString_G", "text=Group")) +
                "</GUI>");
        box.SetOwner(&catalog_);
        box.GetIdentifier() = "G";
        box.GetCaptionFormat() = format;
        ASSERT_EQ(box.CreateFromDescription(parent_.get(), TRUE), KV_OK);
        box.ShowWindow(SW_SHOW);
        Pump();
    }
    Capture Picture() const { return Capture::OfWindow(parent_->m_hWnd); }
    // Pen pixels of a row of the box (box coordinates).
    static std::string Row(const Capture& picture, int y) {
        std::string row;
        for (int x = 0; x < 100; ++x)
            row.push_back(picture.At(10 + x, 10 + y) == kPen ? '#' : '.');
        return row;
    }

    CKvUIObjectCatalog catalog_;
    std::unique_ptr<skin::ParentDialog> parent_;
};

TEST_F(GroupBoxTest, CaptionBreaksTheTopLineHalfACaptionDown) {
    CKvUIStaticGroupBox box;
    Make(box, "UIObjString_G");
    EXPECT_EQ(box.GetCaption(), "Group");
    EXPECT_EQ(box.GetWindowRectangle(), CRect(10, 10, 110, 50));
    EXPECT_FALSE(box.IsWindowEnabled());
    EXPECT_NE(box.CButton::GetStyle() & 0x2000, 0u);
    const int h = box.GetFontHeight();
    ASSERT_GT(h, 0);
    const CRect gap = box.GetCaptionGap();
    EXPECT_EQ(gap.left, 8 + 2 - 2);
    EXPECT_EQ(gap.top, 0);
    EXPECT_EQ(gap.bottom, h);
    Capture picture = Picture();
    const std::string top = Row(picture, h / 2);
    // The line stops just before the gap and starts again two pixels after
    // it (LineTo leaves out its end point).
    EXPECT_EQ(top.substr(2, gap.left - 2), std::string(gap.left - 2, '#')) << top;
    EXPECT_EQ(top.substr(gap.left, gap.Width() + 2).find('#'), std::string::npos) << top;
    EXPECT_EQ(top[gap.right + 2], '#') << top;
    EXPECT_GT(picture.Count(RGB(255, 0, 0)) + picture.Count(RGB(254, 0, 0)), 0);
    // Nothing is erased: the parent's fill shows inside.
    EXPECT_EQ(picture.At(60, 35), kFill);
    EXPECT_TRUE(MatchesGolden(picture.bitmap(), "controls", "group_box_caption"));
}

TEST_F(GroupBoxTest, EmptyCaptionClosesTheFrameWithFourRoundCorners) {
    CKvUIStaticGroupBox box;
    Make(box, "");
    EXPECT_TRUE(box.GetCaptionGap().IsRectNull());
    Capture picture = Picture();
    // The corner rectangles leave out their right and bottom edges, so the
    // frame ends one pixel inside the window on those sides.
    const std::string top = Row(picture, 0);
    EXPECT_EQ(top, Row(picture, 38));
    EXPECT_EQ(Row(picture, 39).find('#'), std::string::npos);
    EXPECT_EQ(top, ".." + std::string(95, '#') + "...");
    EXPECT_EQ(Row(picture, 1), ".#" + std::string(95, '.') + "#..");
    for (int y = 2; y < 37; ++y) {
        EXPECT_EQ(picture.At(10, 10 + y), kPen) << y;
        EXPECT_EQ(picture.At(10 + 98, 10 + y), kPen) << y;
    }
    EXPECT_TRUE(MatchesGolden(picture.bitmap(), "controls", "group_box_closed"));
}

TEST_F(GroupBoxTest, BottomCaptionClosesTheTopLine) {
    CKvUIStaticGroupBox box;
    Make(box, "Group", "8", DT_SINGLELINE | DT_BOTTOM);
    const int h = box.GetFontHeight();
    const CRect gap = box.GetCaptionGap();
    EXPECT_EQ(gap.bottom, 40);
    EXPECT_EQ(gap.top, 40 - h);
    Capture picture = Picture();
    EXPECT_EQ(Row(picture, h / 2), ".." + std::string(95, '#') + "...");
    EXPECT_EQ(Row(picture, h / 2 - 1).find('#'), std::string::npos);
    // The bottom segments lie on the last row, one below the arcs' ends.
    const std::string bottom = Row(picture, 39);
    EXPECT_EQ(bottom.substr(gap.left - 1, gap.Width() + 2).find('#'), std::string::npos) << bottom;
    EXPECT_EQ(bottom[gap.left - 2], '#') << bottom;
    EXPECT_EQ(bottom.substr(gap.right + 1, 96 - gap.right - 1),
              std::string(96 - gap.right - 1, '#'))
        << bottom;
}

TEST_F(GroupBoxTest, LongCaptionsAreCutAndEndInTwoDots) {
    CKvUIStaticGroupBox box;
    Make(box, std::string(60, 'W'));
    EXPECT_LE(box.GetCaptionGap().Width() - 2, 100 - 8 - 2);
    CClientDC dc(&box);
    CFont* previous = dc.SelectObject(box.GetFont() ? box.GetFont() : parent_->GetFont());
    const std::string fitted = CKvUIStaticGroupBox::FitCaption(dc, std::string(60, 'W'), 60);
    EXPECT_EQ(fitted.substr(fitted.size() - 2), "..");
    EXPECT_LE(dc.GetTextExtent(fitted).cx, 60);
    EXPECT_GT(dc.GetTextExtent(fitted.substr(0, fitted.size() - 2) + "W..").cx, 60);
    EXPECT_EQ(CKvUIStaticGroupBox::FitCaption(dc, "WWW", 1), "..");
    EXPECT_EQ(CKvUIStaticGroupBox::FitCaption(dc, "ab", 500), "ab");
    dc.SelectObject(previous);
}

// The fit as it was first written: one character off and measured again
// until the caption fits.
std::string FitByMeasuringEachShortening(CDC& dc, const std::string& caption, int available) {
    std::string rest = caption;
    std::string shown = caption;
    while (dc.GetTextExtent(shown).cx > available) {
        if (rest.empty())
            break;
        rest.pop_back();
        shown = rest + CKvUIStaticGroupBox::kEllipsis;
    }
    return shown;
}

TEST_F(GroupBoxTest, TheFitShowsWhatMeasuringEachShorteningShowed) {
    CClientDC dc(parent_.get());
    LOGFONT bold{};
    bold.lfHeight = -17;
    bold.lfWeight = FW_BOLD;
    HFONT fonts[] = {static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)),
                     CreateFontIndirect(&bold)};
    // Wide, narrow and empty glyphs, tabs, blanks and bytes above 0x7F.
    const std::string alphabet = "WMil.  \t\x01\x81\xFC\xE9"
                                 "aZ&0";
    std::mt19937 random(43);
    int compared = 0;
    for (HFONT font : fonts) {
        HGDIOBJ previous = ::SelectObject(dc.GetSafeHdc(), font);
        for (int round = 0; round < 60; ++round) {
            std::string caption(random() % 24, ' ');
            for (char& c : caption)
                c = alphabet[random() % alphabet.size()];
            const int whole = dc.GetTextExtent(caption).cx;
            for (int available = -2; available <= whole + 2; ++available, ++compared)
                ASSERT_EQ(CKvUIStaticGroupBox::FitCaption(dc, caption, available),
                          FitByMeasuringEachShortening(dc, caption, available))
                    << caption << " in " << available;
        }
        ::SelectObject(dc.GetSafeHdc(), previous);
    }
    DeleteObject(fonts[1]);
    EXPECT_GT(compared, 5000);
}

TEST_F(GroupBoxTest, OddRoundEdgesUseEvenRightCorners) {
    CKvUIStaticGroupBox box;
    Make(box, "", "17");
    Capture picture = Picture();
    // Left corner rectangles are 17 wide, right ones 2 * (17 / 2) = 16, so
    // the corners come out alike on both sides.
    const std::string top = Row(picture, 0);
    EXPECT_EQ(top, std::string(6, '.') + std::string(88, '#') + std::string(6, '.')) << top;
    EXPECT_EQ(Row(picture, 1), "....##" + std::string(88, '.') + "##....");
}

TEST_F(GroupBoxTest, HugeRoundEdgesAreClamped) {
    CKvUIStaticGroupBox box;
    Make(box, "Group", "4294967295");
    EXPECT_EQ(box.GetCaptionGap().left, kKvRoundEdgeLimit);
}

} // namespace
