#include "controls/kv_ui_property_page.h"

#include "core/handle_table.h"
#include "framework/message.h"
#include "platform/resources.h"
#include "element_spec.h"
#include "skin_test_support.h"
#include "support/wnd_test_support.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using skin::Element;
using skin::Section;
using Properties = std::vector<std::pair<const char*, std::string>>;

constexpr UINT kPageTemplate = 801;
constexpr UINT kImageResource = 802;
constexpr UINT kBorderResource = 803;

class TestPage : public CKvUIPropertyPage {
public:
    TestPage() : CKvUIPropertyPage(kPageTemplate) {}
    int received = 0;
    void OnMessageReceived(WPARAM wParam, LPARAM lParam) override {
        ++received;
        CKvUIPropertyPage::OnMessageReceived(wParam, lParam);
    }
};

CKvMessage* NewMessage() {
    auto* message = new CKvMessage();
    message->SetKindAndCommand(4, 1, 5);
    return message;
}

class UIPropertyPageTest : public WndTest {
protected:
    void SetUp() override {
        WndTest::SetUp();
        // 120 x 80 dialog units: 180 x 130 pixels.
        RegisterResource(KV_RT_DIALOG, kPageTemplate,
                         BuildDialogTemplate(WS_CHILD | WS_CAPTION, 0, 0, 0, 120, 80, "Page"));
    }
    void TearDown() override {
        sheet_.reset();
        WndTest::TearDown();
    }
    void Load(Properties properties, const std::string& extra = {}) {
        std::string element = "<UIOBJECTDIALOG identifier=\"P\">";
        for (const auto& [key, value] : properties)
            element += std::string("<") + key + ">" + value + "</" + key + ">";
        element += "</UIOBJECTDIALOG>";
        skin::LoadCatalog(catalog_,
                          "<GUI>" + Section("UIOBJECTDIALOG", element) +
                              Section("UIOBJECTSTRING",
                                      Element("UIOBJECTSTRING", "UIObjString_Calls", skin::Spec({{"text", "Calls"}}))) +
                              extra + "</GUI>",
                          folder_.Path());
    }
    KvResult Describe(TestPage& page) {
        page.SetOwner(&catalog_);
        page.GetIdentifier() = "P";
        return page.LoadDescription();
    }
    // The page in a popup sheet of its own, shown and painted.
    void Show(TestPage& page) {
        sheet_ = std::make_unique<CPropertySheet>();
        sheet_->AddPage(&page);
        ASSERT_TRUE(sheet_->Create(nullptr, WS_POPUP | WS_VISIBLE));
        Pump();
    }
    Capture Picture(TestPage& page) {
        Pump();
        return Capture::OfWindow(page.m_hWnd);
    }

    skin::TempFolder folder_;
    CKvUIObjectCatalog catalog_;
    std::unique_ptr<CPropertySheet> sheet_;
};

TEST_F(UIPropertyPageTest, AMissingDescriptionLeavesAWhitePageWithoutChildren) {
    Load({{"width", "10"}});
    TestPage lonely;
    EXPECT_EQ(lonely.LoadDescription(), KV_E_INVALID_POINTER);
    TestPage page;
    page.SetOwner(&catalog_);
    page.GetIdentifier() = "Missing";
    EXPECT_EQ(page.LoadDescription(), KV_E_FAIL);
    Show(page);
    EXPECT_EQ(page.GetChildControls().GetCount(), 0u);
    EXPECT_EQ(page.CWnd::GetStyle() & WS_CAPTION, 0u);
    EXPECT_EQ(Picture(page).At(50, 50), RGB(255, 255, 255));
}

TEST_F(UIPropertyPageTest, TextsResolveAndTheCaptionKeeps128Characters) {
    Load({{"text", "UIObjString_Calls"}});
    TestPage page;
    EXPECT_EQ(Describe(page), KV_OK);
    CKvUIObjectDialog& description = page;
    EXPECT_EQ(description.GetText(), "Calls");
    const std::string long_caption(200, 'c');
    std::memset(page.GetCaptionBuffer(), 'x', CKvUIPropertyPage::kCaptionLimit + 2);
    page.SetCaption(long_caption);
    EXPECT_EQ(description.GetText(), std::string(128, 'c'));
    EXPECT_EQ(std::string(page.GetCaptionBuffer()), std::string(128, 'c'));
    EXPECT_EQ(page.GetCaptionBuffer()[129], '\0');
    page.SetCaption("");
    EXPECT_EQ(page.GetCaptionBuffer()[0], '\0');
    EXPECT_EQ(page.GetCaptionBuffer()[1], '\0');
    EXPECT_TRUE(description.GetText().empty());
}

TEST_F(UIPropertyPageTest, ResourceImageLoadsWithoutAWindowAndBlendsOnlyItsRectangle) {
    RegisterResource(KV_RT_BITMAP, kImageResource, skin::SolidBmp(8, 8, 0xFF0000).substr(14));
    Load({{"backgroundimageridorfile", std::to_string(kImageResource)}, {"backgroundcolor", "0000FF"}});
    TestPage page;
    EXPECT_EQ(Describe(page), KV_OK);
    EXPECT_EQ(page.GetBackgroundBitmap().GetWidth(), 8);
    Show(page);
    Capture picture = Picture(page);
    EXPECT_EQ(picture.At(2, 2), RGB(255, 0, 0));
    EXPECT_EQ(picture.At(40, 40), RGB(0, 0, 255));  // outside the image the colour stays
}

TEST_F(UIPropertyPageTest, TopByteFFDrawsNoImage) {
    RegisterResource(KV_RT_BITMAP, kImageResource, skin::SolidBmp(8, 8, 0xFF0000).substr(14));
    Load({{"backgroundimageridorfile", std::to_string(kImageResource)}, {"backgroundcolor", "FF000000"}});
    TestPage page;
    Describe(page);
    Show(page);
    EXPECT_NE(Picture(page).At(2, 2), RGB(255, 0, 0));
}

TEST_F(UIPropertyPageTest, AChildListedTwiceIsMadeOnce) {
    Load({{"childidentifierlist", "S,S,Nothing"}},
         Section("UIOBJECTSTATIC", Element("UIOBJECTSTATIC", "S",
                                           skin::Spec({{"width", "40"}, {"height", "12"}, {"text", "Label"}}))));
    TestPage page;
    Describe(page);
    Show(page);
    EXPECT_EQ(page.GetChildControls().GetCount(), 1u);
    EXPECT_NE(page.GetChildControls().Find("S"), nullptr);
}

TEST_F(UIPropertyPageTest, RegionAndBackgroundStayAfterAResize) {
    Load({{"roundedgex", "20"}, {"roundedgey", "20"}, {"backgroundcolor", "00FF00"}});
    TestPage page;
    Describe(page);
    Show(page);
    Picture(page);
    ASSERT_TRUE(page.GetCache().Exists());
    const int width = page.GetCache().GetWidth();
    CRgn before;
    before.CreateRectRgn(0, 0, 0, 0);
    before.CopyRgn(&page.GetWindowRegion());
    page.SetWindowPos(nullptr, 0, 0, width + 40, 200, SWP_NOMOVE | SWP_NOZORDER);
    Picture(page);
    EXPECT_EQ(page.GetCache().GetWidth(), width);
    EXPECT_TRUE(::EqualRgn(static_cast<HRGN>(before.m_hObject), static_cast<HRGN>(page.GetWindowRegion().m_hObject)));
    EXPECT_FALSE(::PtInRegion(static_cast<HRGN>(before.m_hObject), 0, 0));  // a rounded corner
}

TEST_F(UIPropertyPageTest, BorderStripsPaintTenRingsAndASquareBitmapNone) {
    RegisterResource(KV_RT_BITMAP, kBorderResource,
                     skin::Bmp32(20, 1, [](int x, int) { return static_cast<std::uint32_t>(x * 10) << 16; }).substr(14));
    Load({{"borderimageridorfile", std::to_string(kBorderResource)}, {"backgroundcolor", "FFFFFF"}});
    TestPage page;
    Describe(page);
    Show(page);
    Capture picture = Picture(page);
    for (int ring = 0; ring < 10; ++ring) {
        SCOPED_TRACE(ring);
        EXPECT_EQ(picture.At(90, ring), RGB(ring * 10, 0, 0));
    }
    EXPECT_EQ(picture.At(90, 10), RGB(255, 255, 255));
    sheet_.reset();

    RegisterResource(KV_RT_BITMAP, kBorderResource, skin::SolidBmp(3, 3, 0xFF0000).substr(14));
    catalog_.RemoveAll();
    Load({{"borderimageridorfile", std::to_string(kBorderResource)}, {"backgroundcolor", "FFFFFF"}});
    TestPage square;
    Describe(square);
    Show(square);
    EXPECT_EQ(Picture(square).At(90, 0), RGB(255, 255, 255));
    EXPECT_EQ(square.GetLastResult(), KV_E_FAIL);
}

TEST_F(UIPropertyPageTest, RouterMessagesAreHandledAndOneQueuedAtDestructionReleased) {
    Load({});
    TestPage page;
    Describe(page);
    Show(page);
    page.GetEndpointId() = 0x0610;
    CKvMessage* kept = NewMessage();
    MSG unrouted(page.m_hWnd, 0x0610, 4, reinterpret_cast<LPARAM>(kept));
    EXPECT_FALSE(page.PreTranslateMessage(&unrouted));  // the routing flag is off
    kept->Release();
    page.GetRouterRegistration() = TRUE;
    ASSERT_TRUE(page.PostMessage(0x0610, 4, reinterpret_cast<LPARAM>(NewMessage())));
    Pump();
    EXPECT_EQ(page.received, 1);
    ASSERT_TRUE(page.PostMessage(0x0610, 4, reinterpret_cast<LPARAM>(NewMessage())));
    sheet_.reset();  // the sanitizer's leak check sees the queued one freed
    EXPECT_EQ(page.received, 1);
}

}  // namespace
