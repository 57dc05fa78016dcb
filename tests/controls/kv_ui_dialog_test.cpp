#include "controls/kv_ui_dialog.h"

#include "controls/kv_ui_static.h"
#include "core/handle_table.h"
#include "framework/message.h"
#include "framework/message_router.h"
#include "skin_test_support.h"
#include "support/wnd_test_support.h"

#include <memory>
#include <string>
#include <vector>

namespace {

using skin::Element;
using skin::Section;

// A dialog as the plug-in derives it: a router endpoint and a timer that
// forwards to the base.
class TestDialog : public CKvUIDialog {
public:
    int received = 0;
    void OnMessageReceived(WPARAM wParam, LPARAM lParam) override {
        ++received;
        CKvUIDialog::OnMessageReceived(wParam, lParam);
    }
    using CKvUIDialog::PreTranslateMessage;
};

class UIDialogTest : public WndTest {
protected:
    void Load(const std::string& properties, const std::string& extra = {}) {
        const std::string element = Element("UIOBJECTDIALOG", "D", properties);
        skin::LoadCatalog(catalog_, "<GUI>" + Section("UIOBJECTDIALOG", element) + extra + "</GUI>",
                          folder_.Path());
    }
    void Identify(TestDialog& dialog) {
        dialog.SetOwner(&catalog_);
        dialog.GetIdentifier() = "D";
    }
    // Made modeless, shown and painted.
    void Make(TestDialog& dialog) {
        Identify(dialog);
        ASSERT_EQ(dialog.CreateModelessFromDescription(), KV_OK);
        dialog.ShowWindow(SW_SHOW);
        Pump();
    }
    static std::string Popup(int width, int height, const std::string& more = {}) {
        return "width=" + std::to_string(width) + ";height=" + std::to_string(height) +
               ";windowstyle=WS_POPUP;" + more;
    }

    static DialogTemplate Parsed(const TestDialog& dialog) {
        DialogTemplate parsed;
        EXPECT_TRUE(
            ParseDialogTemplate(dialog.GetTemplate().data(), dialog.GetTemplate().size(), parsed));
        return parsed;
    }
    static CSize ClientSize(const CWnd& window) {
        CRect client;
        window.GetClientRect(&client);
        return client.Size();
    }

    skin::TempFolder folder_;
    CKvUIObjectCatalog catalog_;
};

// ---- Template and creation ----

TEST_F(UIDialogTest, TemplateUnitsAddTheFrameAndCaption) {
    const int f = GetSystemMetrics(SM_CXBORDER) + GetSystemMetrics(SM_CXDLGFRAME);
    Load(Popup(300, 200));
    for (bool modal : {true, false}) {
        SCOPED_TRACE(modal);
        TestDialog dialog;
        Identify(dialog);
        ASSERT_EQ(dialog.PrepareTemplate(), KV_OK);
        dialog.BuildTemplate(modal);
        const int caption = modal ? 18 : GetSystemMetrics(SM_CYCAPTION);
        const DialogTemplate parsed = Parsed(dialog);
        EXPECT_EQ(parsed.cx, static_cast<int>((300 + f) / 1.5 + 0.5));
        EXPECT_EQ(parsed.cy, static_cast<int>((200 + caption + f) / 1.63 + 0.5));
        EXPECT_EQ(parsed.style, WS_POPUP);
        EXPECT_EQ(parsed.title, "");
        // DLGTEMPLATE (18 bytes) and three zero words.
        EXPECT_EQ(dialog.GetTemplate().size(), 24u);
    }
}

TEST_F(UIDialogTest, PrepareReportsAMissingCatalogOrDescription) {
    TestDialog noCatalog;
    EXPECT_EQ(noCatalog.PrepareTemplate(), KV_E_INVALID_POINTER);
    Load(Popup(10, 10));
    TestDialog unknown;
    unknown.SetOwner(&catalog_);
    unknown.GetIdentifier() = "X";
    EXPECT_EQ(unknown.PrepareTemplate(), KV_E_FAIL);
    // The window is still made, from the defaults.
    EXPECT_EQ(unknown.CreateModelessFromDescription(), KV_OK);
}

TEST_F(UIDialogTest, HugeOrNegativeSizesStayWithinTheTemplatesRange) {
    Load(Popup(2147483647, -5));
    TestDialog dialog;
    Identify(dialog);
    ASSERT_EQ(dialog.PrepareTemplate(), KV_OK);
    dialog.BuildTemplate(false);
    EXPECT_EQ(dialog.GetTemplateWidth(), 0); // the sum wrapped below 0
    EXPECT_EQ(Parsed(dialog).cx, 0);
    EXPECT_EQ(Parsed(dialog).cy, static_cast<int>((-5 + 19 + 4) / 1.63 + 0.5));
    catalog_.RemoveAll();
    Load(Popup(2000000000, 1));
    TestDialog wide;
    Identify(wide);
    ASSERT_EQ(wide.PrepareTemplate(), KV_OK);
    wide.BuildTemplate(true);
    EXPECT_EQ(Parsed(wide).cx, 32767);
    // Round edges and borders from such a description paint without overflow.
    folder_.Write("Themes/border.bmp", skin::SolidBmp(1, 12, 0x00FF00));
    catalog_.RemoveAll();
    Load(Popup(40, 30,
               "roundedgex=4294967295;roundedgey=2147483648;borderimageridorfile=border.bmp"));
    TestDialog rounded;
    Make(rounded);
    EXPECT_EQ(rounded.GetLastResult(), KV_OK);
}

// The lowest width and height: the window is made and sized from them
// without an overflow.
TEST_F(UIDialogTest, TheLowestSizesMakeAWindowWithoutOverflow) {
    Load(Popup(INT32_MIN, INT32_MIN));
    TestDialog dialog;
    Make(dialog);
    EXPECT_TRUE(dialog.IsWindow());
    EXPECT_EQ(ClientSize(dialog), CSize(0, 0));
    // Placed at the lowest position by the image's size, and painted.
    folder_.Write("Themes/back.bmp", skin::SolidBmp(64, 48, 0x00FF00));
    catalog_.RemoveAll();
    Load(Popup(300, 200,
               "backgroundimageridorfile=back.bmp;flagsizefollowbackgroundimage=TRUE;positionx=-2147483648;"
               "positiony=-2147483648;roundedgex=8;roundedgey=8"));
    TestDialog placed;
    Make(placed);
    placed.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    Pump();
    CRect window;
    placed.GetWindowRect(&window);
    EXPECT_EQ(window.TopLeft(), CPoint(INT32_MIN, INT32_MIN));
}

TEST_F(UIDialogTest, SetFontStaysOutOfTheTemplateButNotTheWindow) {
    Load(Popup(120, 60, "dialogstyle=DS_SETFONT;text=UIObjString_T"),
         Section("UIOBJECTSTRING", Element("UIOBJECTSTRING", "UIObjString_T", "text=Title")));
    TestDialog dialog;
    Make(dialog);
    EXPECT_EQ(Parsed(dialog).style & DS_SETFONT, 0u);
    EXPECT_NE(dialog.CWnd::GetStyle() & DS_SETFONT, 0u);
    std::string title;
    dialog.GetWindowText(title);
    EXPECT_EQ(title, "Title");
    EXPECT_EQ(ClientSize(dialog), CSize(120, 60));
}

TEST_F(UIDialogTest, ModalDialogRunsFromItsDescription) {
    Load(Popup(90, 40));
    TestDialog dialog;
    Identify(dialog);
    IdleScript script;
    script.Then([&] {
        EXPECT_EQ(ClientSize(dialog), CSize(90, 40));
        dialog.EndDialog(7);
    });
    EXPECT_EQ(dialog.DoModalFromDescription(), 7);
}

TEST_F(UIDialogTest, FramedTemplateLosesUpToAPixelOfHeight) {
    // 1.63 pixels per unit against the window system's 1.625.
    Load("width=300;height=200;windowstyle=WS_POPUP,WS_CAPTION");
    TestDialog dialog;
    Make(dialog);
    const int cy = static_cast<int>((200 + 19 + 4) / 1.63 + 0.5);
    EXPECT_EQ(ClientSize(dialog).cy, MulDiv(cy, 13, 8));
    EXPECT_GE(ClientSize(dialog).cy, 200 + 19 + 4 - 1);
}

TEST_F(UIDialogTest, SizeFollowsTheImageAndCentringKeepsTheSystemsPlace) {
    folder_.Write("Themes/back.bmp", skin::SolidBmp(64, 48, 0x00FF00));
    const std::string image =
        "backgroundimageridorfile=back.bmp;flagsizefollowbackgroundimage=TRUE;"
        "positionx=100;positiony=50";
    Load(Popup(300, 200, image));
    TestDialog placed;
    Make(placed);
    CRect window;
    placed.GetWindowRect(&window);
    EXPECT_EQ(window, CRect(100, 50, 164, 98));
    // The window DC taken for loading is given back.
    const std::uint64_t dcs = GdiGetStatistics().live_dcs;
    EXPECT_EQ(placed.LoadBackgroundImage(), KV_OK);
    EXPECT_EQ(GdiGetStatistics().live_dcs, dcs);
    placed.DestroyWindow();

    const std::string centred = image + ";dialogstyle=DS_CENTER";
    catalog_.RemoveAll();
    Load(Popup(300, 200, centred));
    TestDialog centre;
    Make(centre);
    centre.GetWindowRect(&window);
    EXPECT_EQ(window.Size(), CSize(64, 48));
    // Where the system centred the window the template made.
    const DialogTemplate parsed = Parsed(centre);
    const SIZE made = DialogUnitsToPixels(parsed.cx, parsed.cy);
    EXPECT_EQ(window.left, (1024 - made.cx) / 2);
    EXPECT_EQ(window.top, (768 - made.cy) / 2);
}

// ---- Children ----

TEST_F(UIDialogTest, ChildrenAreMadeOnceEachInListOrder) {
    std::string statics;
    for (const char* id : {"S1", "S2"})
        statics += Element("UIOBJECTSTATIC", id, "width=20;height=10;text=" + std::string(id));
    Load(Popup(200, 100, "childidentifierlist=S2, G, S1, S2, Missing, D"),
         Section("UIOBJECTSTATIC", statics) +
             Section("UIOBJECTSTATICGROUPBOX",
                     Element("UIOBJECTSTATICGROUPBOX", "G", "width=50;height=30")));
    TestDialog dialog;
    Make(dialog);
    const auto& entries = dialog.GetChildControls().GetEntries();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].first, "S2");
    EXPECT_EQ(entries[1].first, "G");
    EXPECT_EQ(entries[2].first, "S1");
    EXPECT_TRUE(entries[0].second->IsWindowVisible());
    auto* text = dynamic_cast<CKvUIStatic*>(entries[0].second.get());
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->GetParentBackgroundRef(), &dialog.GetBackgroundCache().GetDC());
    dialog.DestroyWindow();
    EXPECT_EQ(dialog.GetChildControls().GetCount(), 0u);
}

TEST_F(UIDialogTest, A257thChildIsRefused) {
    std::string statics, list;
    for (int i = 0; i < 257; ++i) {
        const std::string id = "S" + std::to_string(i);
        statics += Element("UIOBJECTSTATIC", id, "width=2;height=2");
        if (i < 256)
            list += (i ? "," : "") + id;
    }
    Load(Popup(50, 50), Section("UIOBJECTSTATIC", statics));
    TestDialog dialog;
    Make(dialog);
    dialog.SetChildIdentifierListText(list);
    EXPECT_EQ(dialog.CreateChildControls(), KV_OK);
    EXPECT_EQ(dialog.GetChildControls().GetCount(), 256u);
    dialog.SetChildIdentifierListText("S3,S256");
    EXPECT_EQ(dialog.CreateChildControls(), KV_E_LIST_FULL);
    EXPECT_EQ(dialog.GetChildControls().GetCount(), 256u);
    EXPECT_EQ(dialog.GetChildControls().Find("S256"), nullptr);
}

// ---- Pictures ----

TEST_F(UIDialogTest, GradientsRunBetweenTheTwoColours) {
    for (const bool vertical : {true, false}) {
        SCOPED_TRACE(vertical);
        catalog_.RemoveAll();
        Load(Popup(120, 80,
                   std::string(vertical ? "style=MDS_GRADIENT,MDS_GRADIENT_ISVERTICAL"
                                        : "style=MDS_GRADIENT") +
                       ";backgroundcolorrangestart=0000ff;backgroundcolor=ff8000"));
        TestDialog dialog;
        Make(dialog);
        Capture picture = Capture::OfWindow(dialog.m_hWnd);
        EXPECT_LE(GetRValue(picture.At(0, 0)), 4);
        EXPECT_GE(GetBValue(picture.At(0, 0)), 250);
        const COLORREF far = vertical ? picture.At(0, 79) : picture.At(119, 0);
        EXPECT_GT(GetRValue(far), 240);
        EXPECT_EQ(picture.At(60, 0) == picture.At(60, 79), !vertical);
        EXPECT_TRUE(
            MatchesGolden(picture.bitmap(), "controls",
                          vertical ? "dialog_gradient_vertical" : "dialog_gradient_horizontal"));
    }
}

TEST_F(UIDialogTest, BorderStripPaintsAtMostTenRingsFromTheOutside) {
    folder_.Write("Themes/border.bmp", skin::Bmp32(20, 1, [](int x, int) {
                      return static_cast<std::uint32_t>(x * 10 << 16 | 0x40);
                  }));
    Load(Popup(60, 40, "borderimageridorfile=border.bmp;backgroundcolor=ffffff"));
    TestDialog dialog;
    Make(dialog);
    Capture picture = Capture::OfWindow(dialog.m_hWnd);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(picture.At(i, 20), RGB(i * 10, 0, 0x40)) << i;
        EXPECT_EQ(picture.At(59 - i, 20), RGB(i * 10, 0, 0x40)) << i;
        EXPECT_EQ(picture.At(30, i), RGB(i * 10, 0, 0x40)) << i;
        EXPECT_EQ(picture.At(30, 39 - i), RGB(i * 10, 0, 0x40)) << i;
    }
    EXPECT_EQ(picture.At(10, 20), RGB(255, 255, 255));
    EXPECT_EQ(dialog.GetLastResult(), KV_OK);
    EXPECT_TRUE(MatchesGolden(picture.bitmap(), "controls", "dialog_border"));

    folder_.Write("Themes/border.bmp", skin::SolidBmp(3, 3, 0xFF0000));
    TestDialog square;
    Make(square);
    EXPECT_EQ(square.GetBorderBitmap().GetWidth(), 3);
    EXPECT_EQ(square.GetLastResult(), KV_E_FAIL);
    EXPECT_EQ(Capture::OfWindow(square.m_hWnd).Count(RGB(255, 0, 0)), 0);
}

TEST_F(UIDialogTest, RoundedCornersLieOutsideTheRegion) {
    Load(Popup(80, 60, "roundedgex=20;roundedgey=16"));
    TestDialog dialog;
    Make(dialog);
    CRgn region;
    region.CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(dialog.GetWindowRgn(region), ERROR);
    EXPECT_FALSE(region.PtInRegion(0, 0));
    EXPECT_FALSE(region.PtInRegion(79, 59));
    EXPECT_TRUE(region.PtInRegion(40, 0));
    EXPECT_TRUE(region.PtInRegion(79, 30));
    EXPECT_TRUE(region.EqualRgn(&dialog.GetWindowRegion()));
    // The dialog keeps its own region: the window's is another object.
    EXPECT_NE(static_cast<HRGN>(region), static_cast<HRGN>(dialog.GetWindowRegion()));
    // Made again, the new window gets a region too.
    dialog.DestroyWindow();
    Make(dialog);
    EXPECT_NE(dialog.GetWindowRgn(region), ERROR);
    EXPECT_FALSE(region.PtInRegion(0, 0));
}

TEST_F(UIDialogTest, TransparentColourCutsTheRegion) {
    folder_.Write("Themes/shape.bmp", skin::Bmp32(40, 30, [](int x, int y) {
                      return x >= 10 && x < 20 && y >= 5 && y < 15 ? 0xFF00FFu : 0x336699u;
                  }));
    Load(Popup(40, 30,
               "backgroundimageridorfile=shape.bmp;flagbackgroundimagehastransparent=TRUE;"
               "transparentcolor=ff00ff"));
    TestDialog dialog;
    Make(dialog);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            EXPECT_EQ(dialog.GetWindowRegion().PtInRegion(x, y),
                      !(x >= 10 && x < 20 && y >= 5 && y < 15))
                << x << "," << y;
}

TEST_F(UIDialogTest, WallpaperTilesFromTheTopLeft) {
    folder_.Write("Themes/tile.bmp", skin::Bmp32(7, 5, [](int x, int y) {
                      return x == 0 || y == 0 ? 0xFF0000u : 0xFFFF00u;
                  }));
    Load(Popup(50, 23, "backgroundimageridorfile=tile.bmp;flagbackgroundwallpaper=TRUE"));
    TestDialog dialog;
    Make(dialog);
    Capture picture = Capture::OfWindow(dialog.m_hWnd);
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 50; ++x)
            ASSERT_EQ(picture.At(x, y),
                      x % 7 == 0 || y % 5 == 0 ? RGB(255, 0, 0) : RGB(255, 255, 0))
                << x << "," << y;
    EXPECT_TRUE(MatchesGolden(picture.bitmap(), "controls", "dialog_wallpaper"));
}

TEST_F(UIDialogTest, ImageOpacityComesFromTheBackgroundColoursTopByte) {
    folder_.Write("Themes/white.bmp", skin::SolidBmp(20, 10, 0xFFFFFF));
    struct Row {
        const char* background;
        int red;
    };
    for (const Row row : {Row{"0", 255}, Row{"80000000", 127}, Row{"FF000000", 0}}) {
        SCOPED_TRACE(row.background);
        catalog_.RemoveAll();
        Load(Popup(40, 20,
                   "backgroundimageridorfile=white.bmp;backgroundcolor=" +
                       std::string(row.background)));
        TestDialog dialog;
        Make(dialog);
        Capture picture = Capture::OfWindow(dialog.m_hWnd);
        EXPECT_NEAR(GetRValue(picture.At(5, 5)), row.red, 1);
        EXPECT_EQ(picture.At(30, 15), RGB(0, 0, 0));
    }
}

TEST_F(UIDialogTest, StaticWithParentBackgroundShowsTheDialogsCache) {
    Load(Popup(200, 60,
               "style=MDS_GRADIENT;backgroundcolorrangestart=000000;backgroundcolor=ffffff;"
               "childidentifierlist=S"),
         Section("UIOBJECTSTATIC", Element("UIOBJECTSTATIC", "S",
                                           "positionx=50;positiony=10;width=60;height=20;style=MDS_"
                                           "USE_PARENT_BACKGROUND;backgroundcolor=ff0000")));
    TestDialog dialog;
    Make(dialog);
    Capture picture = Capture::OfWindow(dialog.m_hWnd);
    EXPECT_EQ(picture.Count(RGB(255, 0, 0)), 0);
    for (int x = 50; x < 109; x += 7)
        EXPECT_EQ(picture.At(x, 15), picture.At(x, 40)) << x;
}

// ---- Framed windows ----

// Where the client area starts inside the window.
CPoint ClientOffset(const CWnd& window) {
    CRect outer;
    window.GetWindowRect(&outer);
    CPoint origin(0, 0);
    window.ClientToScreen(&origin);
    return CPoint(origin.x - outer.left, origin.y - outer.top);
}

TEST_F(UIDialogTest, AFramedDialogShowsItsBackgroundAndFrameInsideTheBorder) {
    folder_.Write("Themes/rings.bmp", skin::Bmp32(2, 1, [](int x, int) { return x == 0 ? 0x0000FFu : 0xFF0000u; }));
    for (const char* style : {"WS_POPUP,WS_VISIBLE", "WS_POPUP,WS_VISIBLE,WS_BORDER",
                              "WS_POPUP,WS_VISIBLE,WS_CAPTION", "WS_POPUP,WS_VISIBLE,WS_DLGFRAME"}) {
        SCOPED_TRACE(style);
        catalog_.RemoveAll();
        Load(std::string("width=80;height=50;backgroundcolor=00ff00;borderimageridorfile=rings.bmp;roundedgex=16;"
                         "roundedgey=16;windowstyle=") +
             style);
        TestDialog dialog;
        Make(dialog);
        EXPECT_TRUE(dialog.IsWindowVisible());
        const CSize size = ClientSize(dialog);
        const CPoint at = ClientOffset(dialog);
        Capture picture = Capture::OfWindow(dialog.m_hWnd);
        auto pixel = [&](int x, int y) { return picture.At(at.x + x, at.y + y); };
        for (int ring = 0; ring < 2; ++ring) {
            const COLORREF color = ring == 0 ? RGB(0, 0, 255) : RGB(255, 0, 0);
            EXPECT_EQ(pixel(ring, size.cy / 2), color) << ring;
            EXPECT_EQ(pixel(size.cx - 1 - ring, size.cy / 2), color) << ring;
            EXPECT_EQ(pixel(size.cx / 2, ring), color) << ring;
            EXPECT_EQ(pixel(size.cx / 2, size.cy - 1 - ring), color) << ring;
        }
        // Every client pixel the window shows has the colour or a ring.
        CRgn region;
        region.CreateRectRgn(0, 0, 0, 0);
        ASSERT_NE(dialog.GetWindowRgn(region), ERROR);
        int other = 0, green = 0;
        for (int y = 0; y < size.cy; ++y)
            for (int x = 0; x < size.cx; ++x) {
                if (!region.PtInRegion(at.x + x, at.y + y))
                    continue;
                const COLORREF seen = pixel(x, y);
                green += seen == RGB(0, 255, 0);
                other += seen != RGB(0, 255, 0) && seen != RGB(0, 0, 255) && seen != RGB(255, 0, 0);
            }
        EXPECT_EQ(other, 0);
        EXPECT_GT(green, (size.cx - 8) * (size.cy - 8));
    }
}

TEST_F(UIDialogTest, AFrameAddedLaterRecomposesInsideIt) {
    folder_.Write("Themes/rings.bmp", skin::Bmp32(1, 1, [](int, int) { return 0x0000FFu; }));
    Load("width=80;height=50;backgroundcolor=00ff00;borderimageridorfile=rings.bmp;windowstyle=WS_POPUP,WS_VISIBLE;"
         "roundedgex=6;roundedgey=6");
    TestDialog dialog;
    Make(dialog);
    ASSERT_EQ(ClientOffset(dialog), CPoint(0, 0));
    EXPECT_TRUE(dialog.ModifyStyle(0, WS_BORDER, SWP_FRAMECHANGED));
    Pump();
    const CPoint at = ClientOffset(dialog);
    ASSERT_EQ(at, CPoint(1, 1));
    const CSize size = ClientSize(dialog);
    EXPECT_EQ(dialog.GetBackgroundCache().GetWidth(), size.cx);
    Capture picture = Capture::OfWindow(dialog.m_hWnd);
    EXPECT_EQ(picture.At(at.x + size.cx - 1, at.y + size.cy / 2), RGB(0, 0, 255));
    EXPECT_EQ(picture.At(at.x + size.cx / 2, at.y + size.cy - 1), RGB(0, 0, 255));
    EXPECT_EQ(picture.At(at.x + size.cx - 2, at.y + size.cy / 2), RGB(0, 255, 0));
}

TEST_F(UIDialogTest, AFramedDialogsImageShapeLiesWhereTheImageIsDrawn) {
    folder_.Write("Themes/notch.bmp", skin::Bmp32(80, 50, [](int x, int y) {
                      return x < 6 && y < 6 ? 0xFF00FFu : 0x00FF00u;
                  }));
    Load("width=80;height=50;windowstyle=WS_POPUP,WS_VISIBLE,WS_BORDER;backgroundimageridorfile=notch.bmp;"
         "flagbackgroundimagehastransparent=TRUE;transparentcolor=ff00ff;roundedgex=8;roundedgey=8");
    TestDialog dialog;
    Make(dialog);
    const CPoint at = ClientOffset(dialog);
    ASSERT_NE(at, CPoint(0, 0));
    CRgn region;
    region.CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(dialog.GetWindowRgn(region), ERROR);
    EXPECT_FALSE(region.PtInRegion(at.x + 5, at.y + 5));
    EXPECT_TRUE(region.PtInRegion(at.x + 6, at.y + 6));
    EXPECT_TRUE(region.PtInRegion(at.x + 79, at.y + 49));
    EXPECT_FALSE(region.PtInRegion(at.x + 80, at.y + 49));
    Capture picture = Capture::OfWindow(dialog.m_hWnd);
    EXPECT_EQ(picture.At(at.x + 6, at.y + 6), RGB(0, 255, 0));
    EXPECT_EQ(picture.At(at.x + 79, at.y + 49), RGB(0, 255, 0));
}

// ---- Size changes ----

TEST_F(UIDialogTest, AResizeRebuildsRegionAndCache) {
    Load(Popup(80, 50, "roundedgex=10;roundedgey=10;backgroundcolor=00ff00"));
    for (int round = 0; round < 3; ++round) {
        TestDialog dialog;
        Make(dialog);
        EXPECT_EQ(dialog.GetBackgroundCache().GetWidth(), 80);
        dialog.SetWindowPos(nullptr, 0, 0, 120 + round, 70, SWP_NOMOVE | SWP_NOZORDER);
        dialog.Invalidate();
        Pump();
        EXPECT_EQ(dialog.GetBackgroundCache().GetWidth(), 120 + round);
        EXPECT_EQ(dialog.GetBackgroundCache().GetHeight(), 70);
        CRect box;
        dialog.GetWindowRegion().GetRgnBox(&box);
        EXPECT_EQ(box, CRect(0, 0, 120 + round, 70));
        EXPECT_EQ(Capture::OfWindow(dialog.m_hWnd).At(110, 60), RGB(0, 255, 0));
    }
}

// ---- Dragging and docking ----

class DockingTest : public UIDialogTest {
protected:
    // A dockable dialog at (100, 100).
    void MakeDockable(TestDialog& dialog, int width = 200, int height = 100) {
        Load(Popup(
            width, height,
            "style=MDS_DOCKABLE;positionx=100;positiony=100;flagsizefollowbackgroundimage=TRUE"));
        Make(dialog);
        ASSERT_TRUE(dialog.IsDockable());
        ASSERT_TRUE(dialog.IsInitialised());
    }
    // Drags by the client point (60, 40) so the window's left top lands at
    // the place; after a snap the mouse is still over the window.
    void DropAt(TestDialog& dialog, POINT place) {
        CRect window;
        dialog.GetWindowRect(&window);
        input_.Drag(POINT{window.left + 60, window.top + 40}, POINT{place.x + 60, place.y + 40});
        Pump();
    }
    CRect WindowOf(TestDialog& dialog) {
        CRect window;
        dialog.GetWindowRect(&window);
        return window;
    }

    InputDriver input_{clock_};
};

TEST_F(DockingTest, ADragMovesTheWindowByTheMousesDelta) {
    Load(Popup(100, 60, "positionx=100;positiony=100;flagsizefollowbackgroundimage=TRUE"));
    TestDialog dialog;
    Make(dialog);
    ASSERT_EQ(WindowOf(dialog).TopLeft(), CPoint(100, 100));
    input_.Drag(POINT{120, 130}, POINT{170, 110});
    Pump();
    EXPECT_EQ(WindowOf(dialog).TopLeft(), CPoint(150, 80));
    EXPECT_FALSE(dialog.IsDocked(0));
}

TEST_F(DockingTest, DropsWithinThirtyPixelsOfAnEdgeSnap) {
    TestDialog dialog;
    MakeDockable(dialog);
    DropAt(dialog, POINT{30, 200});
    EXPECT_EQ(WindowOf(dialog).TopLeft(), CPoint(30, 200));
    EXPECT_FALSE(dialog.IsDocked(0));
    DropAt(dialog, POINT{29, 200});
    EXPECT_EQ(WindowOf(dialog).TopLeft(), CPoint(0, 200));
    EXPECT_TRUE(dialog.IsDocked(0));
    DropAt(dialog, POINT{1024 - 200 - 29, 768 - 100 - 29});
    EXPECT_EQ(WindowOf(dialog).TopLeft(), CPoint(1024 - 200, 768 - 100));
    EXPECT_TRUE(dialog.IsDocked(1));
    EXPECT_TRUE(dialog.IsDocked(3));
    EXPECT_FALSE(dialog.IsDocked(0));
    DropAt(dialog, POINT{12, 5});
    EXPECT_EQ(WindowOf(dialog).TopLeft(), CPoint(0, 0));
    EXPECT_TRUE(dialog.IsDocked(0));
    EXPECT_TRUE(dialog.IsDocked(2));
}

// Thirty pixels from the right or bottom edge is not yet near it.
TEST_F(DockingTest, ExactlyThirtyPixelsFromTheRightOrBottomEdgeDoesNotSnap) {
    TestDialog dialog;
    MakeDockable(dialog);
    DropAt(dialog, POINT{1024 - 200 - 30, 300});
    EXPECT_EQ(WindowOf(dialog).TopLeft(), CPoint(1024 - 200 - 30, 300));
    EXPECT_FALSE(dialog.IsDocked(1));
    DropAt(dialog, POINT{300, 768 - 100 - 30});
    EXPECT_EQ(WindowOf(dialog).TopLeft(), CPoint(300, 768 - 100 - 30));
    EXPECT_FALSE(dialog.IsDocked(3));
    DropAt(dialog, POINT{1024 - 200 - 29, 300});
    EXPECT_EQ(WindowOf(dialog).TopLeft(), CPoint(1024 - 200, 300));
    EXPECT_TRUE(dialog.IsDocked(1));
}

TEST_F(DockingTest, AWindowWiderThanTheScreenNeverDocks) {
    TestDialog dialog;
    MakeDockable(dialog, 1100, 100);
    DropAt(dialog, POINT{5, 5});
    EXPECT_EQ(WindowOf(dialog).TopLeft(), CPoint(5, 5));
    for (int edge = 0; edge < 4; ++edge)
        EXPECT_FALSE(dialog.IsDocked(edge)) << edge;
}

TEST_F(DockingTest, ADockedWindowHidesAndComesBackOnTheSecondTimer) {
    for (const bool animated : {false, true}) {
        SCOPED_TRACE(animated);
        catalog_.RemoveAll();
        TestDialog dialog;
        dialog.GetAnimated() = animated;
        MakeDockable(dialog);
        DropAt(dialog, POINT{10, 300});
        ASSERT_TRUE(dialog.IsDocked(0));
        // Leaving on the docked edge keeps it.
        input_.MoveTo(POINT{0, 500});
        Pump();
        EXPECT_TRUE(dialog.IsWindowVisible());
        input_.MoveTo(POINT{100, 320});
        input_.MoveTo(POINT{600, 500});
        Pump();
        EXPECT_FALSE(dialog.IsWindowVisible());
        EXPECT_EQ(dialog.IsSlidIn(), animated ? FALSE : TRUE);

        input_.MoveTo(POINT{0, 350});
        ASSERT_NE(dialog.SetTimer(1, 200), 0u);
        clock_.Advance(200);
        Pump(); // the first restarts the slide timer
        EXPECT_FALSE(dialog.IsWindowVisible());
        EXPECT_TRUE(dialog.GetSlideTimer().IsRunning());
        clock_.Advance(200);
        Pump();
        EXPECT_TRUE(dialog.IsWindowVisible());
        EXPECT_TRUE(dialog.IsSlidIn());
        dialog.KillTimer(1);
    }
}

// ---- The router endpoint ----

CKvMessage* NewMessage() {
    auto* message = new CKvMessage();
    message->SetKindAndCommand(4, 1, 5);
    return message;
}

TEST_F(DockingTest, ADialogVisibleByItsDescriptionKnowsItIsShownAndHides) {
    Load("width=200;height=100;windowstyle=WS_POPUP,WS_VISIBLE,WS_BORDER;style=MDS_DOCKABLE;positionx=100;"
         "positiony=100;flagsizefollowbackgroundimage=TRUE");
    TestDialog dialog;
    Identify(dialog);
    ASSERT_EQ(dialog.CreateModelessFromDescription(), KV_OK);
    Pump();
    ASSERT_TRUE(dialog.IsWindowVisible());
    DropAt(dialog, POINT{10, 300});
    ASSERT_TRUE(dialog.IsDocked(0));
    input_.MoveTo(POINT{100, 320});
    input_.MoveTo(POINT{600, 500});
    Pump();
    EXPECT_FALSE(dialog.IsWindowVisible());
}

TEST_F(UIDialogTest, RouterMessagesReachTheHandlerOnlyWhenRouted) {
    Load(Popup(40, 20));
    TestDialog dialog;
    Make(dialog);
    CKvMessage* kept = NewMessage();
    MSG message(dialog.m_hWnd, 0x0500, 4, reinterpret_cast<LPARAM>(kept));
    dialog.GetEndpointId() = 0x0500;
    EXPECT_FALSE(dialog.PreTranslateMessage(&message));
    dialog.GetRouterRegistration() = TRUE;
    dialog.GetEndpointId() = 0;
    message.message = 0;
    EXPECT_FALSE(dialog.PreTranslateMessage(&message));
    EXPECT_EQ(dialog.received, 0);
    kept->Release();

    dialog.GetEndpointId() = 0x0500;
    CKvMessageRouter router;
    ASSERT_EQ(router.Init(&GetHandleTable()), KV_OK);
    ASSERT_EQ(router.RegisterWindow(0x0500, dialog.m_hWnd, nullptr), KV_OK);
    CKvMessage* sent = NewMessage();
    ASSERT_EQ(sent->Send(0x0500, 0x0501, &router, 9, true, false), KV_OK);
    Pump(); // the default handler releases it
    EXPECT_EQ(dialog.received, 1);
    router.Unregister(0x0500);
}

TEST_F(UIDialogTest, AMessageStillQueuedAtDestructionIsReleased) {
    Load(Popup(40, 20));
    TestDialog dialog;
    Make(dialog);
    dialog.GetRouterRegistration() = TRUE;
    dialog.GetEndpointId() = 0x0600;
    ASSERT_TRUE(dialog.PostMessage(0x0600, 4, reinterpret_cast<LPARAM>(NewMessage())));
    // Not routed: left alone (and released here).
    CKvMessage* other = NewMessage();
    ASSERT_TRUE(dialog.PostMessage(0x0601, 4, reinterpret_cast<LPARAM>(other)));
    dialog.DestroyWindow();
    EXPECT_EQ(dialog.received, 0);
    other->Release();
    // The leak check of the sanitizer build sees whether the first was freed.
}

} // namespace
