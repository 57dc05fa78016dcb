#include "controls/kv_ui_static.h"

#include "skin_test_support.h"
#include "support/wnd_test_support.h"

#include <memory>
#include <string>

namespace {

using skin::Element;
using skin::Section;

class UIStaticTest : public WndTest {
protected:
    void SetUp() override {
        WndTest::SetUp();
        parentWindow_ = std::make_unique<skin::ParentDialog>(300, 130);
    }
    void TearDown() override {
        parentWindow_.reset();
        WndTest::TearDown();
    }
    void Load(const std::string& properties, const std::string& extra = {}) {
        skin::LoadCatalog(
            catalog_,
            "<GUI>" + Section("UIOBJECTSTATIC", Element("UIOBJECTSTATIC", "S", properties)) +
                Section("UIOBJECTSTRING",
                        Element("UIOBJECTSTRING", "UIObjString_Hello", "text=Hello") +
                            Element("UIOBJECTSTRING", "UIObjString_Image", "text=img.bmp")) +
                extra + "</GUI>",
            folder_.Path());
    }
    // Made, shown and painted the way a dialog makes its statics.
    void Make(CKvUIStatic& control, CDC* parentBackground = nullptr) {
        control.SetOwner(&catalog_);
        control.GetIdentifier() = "S";
        if (parentBackground != nullptr)
            control.GetParentBackgroundRef() = parentBackground;
        ASSERT_EQ(control.CreateFromDescription(&parent(), TRUE), KV_OK);
        control.ShowWindow(SW_SHOW);
        Pump();
    }

    skin::TempFolder folder_;
    CKvUIObjectCatalog catalog_;
    std::unique_ptr<skin::ParentDialog> parentWindow_;
    skin::ParentDialog& parent() { return *parentWindow_; }
};

TEST_F(UIStaticTest, WindowIsOnePixelSmallerThanDescribedAndTextsResolve) {
    Load("positionx=10;positiony=10;width=100;height=20;text=UIObjString_Hello;uiid=77");
    CKvUIStatic control;
    Make(control);
    EXPECT_EQ(control.GetWindowRectangle(), CRect(10, 10, 109, 29));
    EXPECT_EQ(control.GetClientRectangle(), CRect(0, 0, 99, 19));
    CRect window;
    control.GetWindowRect(&window);
    EXPECT_EQ(window.Size(), CSize(99, 19));
    EXPECT_EQ(control.GetStaticText(), "Hello");
    EXPECT_EQ(control.GetDlgCtrlID(), 77);
    EXPECT_FALSE(control.IsWindowEnabled());
    EXPECT_TRUE(control.IsSubclassed());
    EXPECT_NE(control.CStatic::GetStyle() & 0x2000, 0u);
}

TEST_F(UIStaticTest, TextNamingNoStringStaysAndPositionFollowsTheAnchor) {
    Load("positionx=5;positiony=6;width=10;height=10;text=UIObjString_None;anchoridentifier=A",
         Section("UIOBJECTSTATICGROUPBOX",
                 Element("UIOBJECTSTATICGROUPBOX", "A", "positionx=100;positiony=50")));
    CKvUIStatic control;
    Make(control);
    EXPECT_EQ(control.GetStaticText(), "UIObjString_None");
    EXPECT_EQ(control.GetWindowRectangle(), CRect(105, 56, 114, 65));
}

TEST_F(UIStaticTest, FailuresAreReportedAndLeaveNoWindow) {
    Load("width=10;height=10");
    CKvUIObjectCatalog empty;
    const auto apply = [](CKvUIObjectCatalog* catalog, const char* identifier) {
        CKvUIStatic control;
        control.SetOwner(catalog);
        control.GetIdentifier() = identifier;
        return control.ApplyDescription();
    };
    EXPECT_EQ(apply(nullptr, "S"), KV_E_INVALID_POINTER);
    EXPECT_EQ(apply(&catalog_, ""), KV_E_FAIL);
    EXPECT_EQ(apply(&catalog_, "s"), KV_E_FAIL);                 // identifiers match exactly
    EXPECT_EQ(apply(&catalog_, "UIObjString_Hello"), KV_E_FAIL); // another type's
    EXPECT_EQ(apply(&empty, "S"), KV_E_NO_CLASS);
    EXPECT_EQ(apply(&catalog_, "S"), KV_OK);
    CKvUIStatic noParent;
    EXPECT_EQ(noParent.CreateFromDescription(nullptr, TRUE), KV_E_INVALID_POINTER);
    EXPECT_EQ(noParent.GetSafeHwnd(), nullptr);
}

TEST_F(UIStaticTest, ImageIsBlendedByTheTopByteOfTheBackgroundColour) {
    folder_.Write("Themes/img.bmp", skin::SolidBmp(8, 8, 0xFFFFFF));
    struct Row {
        const char* background;
        COLORREF expected;
    };
    // The stored colour keeps its top byte; its low bytes are black here.
    const Row rows[] = {
        {"0", RGB(255, 255, 255)}, {"80000000", RGB(127, 127, 127)}, {"FF000000", RGB(0, 0, 0)}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.background);
        catalog_.RemoveAll();
        Load("positionx=20;positiony=20;width=30;height=30;backgroundimageridorfile=UIObjString_"
             "Image;"
             "backgroundcolor=" +
             std::string(row.background));
        CKvUIStatic control;
        Make(control);
        EXPECT_EQ(control.GetBackgroundImage().GetWidth(), 8);
        Capture picture = Capture::OfWindow(parent().m_hWnd);
        const COLORREF inside = picture.At(23, 23);
        EXPECT_NEAR(GetRValue(inside), GetRValue(row.expected), 1);
        EXPECT_EQ(picture.At(40, 40), RGB(0, 0, 0)); // outside the image: the colour
    }
}

TEST_F(UIStaticTest, WallpaperTilesAndABackslashNameSkipsTheThemeFolder) {
    folder_.Write("tile.bmp", skin::Bmp32(4, 4, [](int x, int y) {
                      return x == 0 && y == 0 ? 0xFF0000u : 0x00FF00u;
                  }));
    Load("positionx=0;positiony=0;width=13;height=13;backgroundimageridorfile=\\TILE.BMP;"
         "flagbackgroundwallpaper=TRUE");
    CKvUIStatic control;
    Make(control);
    Capture picture = Capture::OfWindow(parent().m_hWnd);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x)
            EXPECT_EQ(picture.At(x, y), x % 4 == 0 && y % 4 == 0 ? RGB(255, 0, 0) : RGB(0, 255, 0))
                << x << "," << y;
}

TEST_F(UIStaticTest, ParentBackgroundIsCopiedAtTheControlsPlaceOnceItExists) {
    Load("positionx=30;positiony=10;width=21;height=11;style=MDS_USE_PARENT_BACKGROUND;"
         "backgroundcolor=0000ff");
    KvMemorySurface cache;
    CKvUIStatic control;
    Make(control, &cache.GetDC());
    // Not made yet: the colour, and the composition waits.
    EXPECT_FALSE(control.IsComposed());
    EXPECT_EQ(Capture::OfWindow(parent().m_hWnd).At(35, 15), RGB(0, 0, 255));

    CClientDC screen(&parent());
    ASSERT_TRUE(cache.Create(&screen, 300, 130));
    for (int x = 0; x < 300; ++x)
        cache.GetDC().FillSolidRect(x, 0, 1, 130, RGB(x, 100, 0));
    control.Invalidate();
    Pump();
    EXPECT_TRUE(control.IsComposed());
    Capture picture = Capture::OfWindow(parent().m_hWnd);
    EXPECT_EQ(picture.At(30, 12), RGB(30, 100, 0));
    EXPECT_EQ(picture.At(49, 19), RGB(49, 100, 0));
}

TEST_F(UIStaticTest, OnlyTextChangesShowAfterTheFirstPaint) {
    Load("positionx=0;positiony=0;width=200;height=30;backgroundcolor=ffffff;textcolor=ff0000");
    CKvUIStatic control;
    Make(control);
    EXPECT_EQ(Capture::OfWindow(parent().m_hWnd).Count(RGB(255, 0, 0)), 0);

    control.GetBackgroundColor() = RGB(0, 255, 0);
    control.SetCaption("Shown");
    Pump();
    Capture picture = Capture::OfWindow(parent().m_hWnd);
    EXPECT_GT(picture.Count(RGB(255, 0, 0)), 10);
    EXPECT_EQ(picture.Count(RGB(0, 255, 0)), 0);
    EXPECT_EQ(picture.At(190, 2), RGB(255, 255, 255));
}

TEST_F(UIStaticTest, TextIsDrawnWithTheParentsFontScaled) {
    Load("positionx=0;positiony=0;width=200;height=60;text=Hg;textmagnify=3.0;fontweight=FW_BOLD;"
         "fontstyle=FS_ITALIC,FS_STRIKE_OUT");
    CKvUIStatic control;
    Make(control);
    ASSERT_EQ(control.CreateFont(), KV_OK);
    LOGFONT parentFont;
    parent().GetFont()->GetLogFont(&parentFont);
    const LOGFONT& font = control.GetLogFont();
    EXPECT_EQ(font.lfHeight, parentFont.lfHeight * 3);
    EXPECT_EQ(font.lfWeight, 700);
    EXPECT_EQ(font.lfItalic, 1);
    EXPECT_EQ(font.lfUnderline, 0);
    EXPECT_EQ(font.lfStrikeOut, 1);
    EXPECT_STREQ(font.lfFaceName, parentFont.lfFaceName);
}

TEST_F(UIStaticTest, AClickOnTheStaticReachesTheDialog) {
    class Clicked : public skin::ParentDialog {
    public:
        Clicked() : ParentDialog(300, 130) {}
        int clicks = 0;

    protected:
        void OnLButtonDown(UINT, CPoint) override { ++clicks; }
    } dialog;
    Load("positionx=10;positiony=10;width=50;height=20");
    CKvUIStatic control;
    control.SetOwner(&catalog_);
    control.GetIdentifier() = "S";
    ASSERT_EQ(control.CreateFromDescription(&dialog, TRUE), KV_OK);
    control.ShowWindow(SW_SHOW);
    Pump();
    InputDriver input(clock_);
    input.Click(InputDriver::ScreenPoint(dialog.m_hWnd, POINT{20, 20}));
    EXPECT_EQ(dialog.clicks, 1);
}

} // namespace
