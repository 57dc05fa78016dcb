#include "controls/kv_ui_property_sheet.h"

#include "controls/kv_ui_dialog.h"
#include "controls/kv_ui_property_page.h"
#include "core/handle_table.h"
#include "framework/message.h"
#include "framework/message_router.h"
#include "platform/resources.h"
#include "element_spec.h"
#include "skin_test_support.h"
#include "support/wnd_test_support.h"

#include <memory>
#include <string>
#include <vector>

namespace {

using skin::Element;
using skin::Section;

constexpr UINT kPageTemplate = 811;
constexpr COLORREF kSelectedText = CKvTab::kTextColor;

class TestPage : public CKvUIPropertyPage {
public:
    explicit TestPage(const std::string& identifier) : CKvUIPropertyPage(kPageTemplate) {
        GetIdentifier() = identifier;
    }
};

class TestSheet : public CKvUIPropertySheet {
public:
    TestSheet(CKvUIObjectCatalog* catalog, const char* identifier) : CKvUIPropertySheet(catalog, identifier, 0) {}
    int received = 0;
    void OnMessageReceived(WPARAM wParam, LPARAM lParam) override {
        ++received;
        CKvUIPropertySheet::OnMessageReceived(wParam, lParam);
    }
};

CKvMessage* NewMessage() {
    auto* message = new CKvMessage();
    message->SetKindAndCommand(4, 1, 5);
    return message;
}

std::string PageElement(const std::string& identifier, const std::string& text, const std::string& colour) {
    return Element("UIOBJECTDIALOG", identifier, skin::Spec({{"text", text}, {"backgroundcolor", colour}}));
}

class UIPropertySheetTest : public WndTest {
protected:
    void SetUp() override {
        WndTest::SetUp();
        RegisterResource(KV_RT_DIALOG, kPageTemplate,
                         BuildDialogTemplate(WS_CHILD | WS_CAPTION, 0, 0, 0, 120, 60, "Page"));
        parent_ = std::make_unique<skin::ParentDialog>(400, 300);
    }
    void TearDown() override {
        sheet_.reset();
        pages_.clear();
        parent_.reset();
        WndTest::TearDown();
    }
    void Load(std::initializer_list<std::pair<const char*, std::string>> sheet, const std::string& extra = {}) {
        skin::LoadCatalog(catalog_, "<GUI>" +
                                        Section("UIOBJECTPROPERTYSHEET", Element("UIOBJECTPROPERTYSHEET", "S", skin::Spec(sheet)) +
                                                                             Element("UIOBJECTPROPERTYSHEET", "A",
                                                                                     skin::Spec({{"positionx", "100"},
                                                                                      {"positiony", "50"}}))) +
                                        Section("UIOBJECTDIALOG",
                                                PageElement("P0", "Incoming", "FFFFFF") +
                                                    PageElement("P1", std::string(200, 'L'), "E0F0FF") +
                                                    PageElement("P2", "Export", "FFF0E0") +
                                                    Element("UIOBJECTDIALOG", "D",
                                                            skin::Spec({{"width", "280"},
                                                             {"height", "170"},
                                                             {"windowstyle", "WS_POPUP"},
                                                             {"backgroundcolor", "A0B0C0"}}))) +
                                        extra + "</GUI>");
    }
    // A sheet with three pages, as the configuration dialog makes it.
    TestSheet& Make(const char* identifier = "S") {
        sheet_ = std::make_unique<TestSheet>(&catalog_, identifier);
        for (int i = 0; i < 3; ++i) {
            pages_.push_back(std::make_unique<TestPage>("P" + std::to_string(i)));
            pages_.back()->SetOwner(&catalog_);
            pages_.back()->LoadDescription();
            sheet_->AddPage(pages_.back().get());
        }
        return *sheet_;
    }
    KvResult Create(CWnd* parent = nullptr) {
        const KvResult result = sheet_->CreateFromDescription(parent ? parent : parent_.get());
        Pump();
        return result;
    }
    std::string TabText(int index) {
        char buffer[300] = {};
        TCITEM item;
        item.mask = TCIF_TEXT;
        item.pszText = buffer;
        item.cchTextMax = sizeof buffer;
        sheet_->GetTab().GetItem(index, &item);
        return buffer;
    }

    CKvUIObjectCatalog catalog_;
    std::unique_ptr<skin::ParentDialog> parent_;
    std::unique_ptr<TestSheet> sheet_;
    std::vector<std::unique_ptr<TestPage>> pages_;
};

TEST_F(UIPropertySheetTest, PlacedOnePixelSmallerThanDescribed) {
    Load({{"positionx", "10"}, {"positiony", "20"}, {"width", "300"}, {"height", "200"}});
    Make();
    EXPECT_EQ(Create(), KV_OK);
    CRect window;
    sheet_->GetWindowRect(&window);
    parent_->ScreenToClient(&window);
    EXPECT_EQ(window, CRect(10, 20, 309, 219));
    EXPECT_EQ(sheet_->CWnd::GetStyle() & (WS_CHILD | WS_VISIBLE | WS_TABSTOP), WS_CHILD | WS_VISIBLE | WS_TABSTOP);
    EXPECT_NE(sheet_->GetTab().m_hWnd, nullptr);
    EXPECT_NE(sheet_->GetTab().CWnd::GetStyle() & TCS_OWNERDRAWFIXED, 0u);
}

TEST_F(UIPropertySheetTest, AnAnchorChainAddsUpAndAMissingDescriptionStillCreates) {
    Load({{"positionx", "10"}, {"positiony", "20"}, {"width", "300"}, {"height", "200"}, {"anchoridentifier", "A"}});
    Make();
    EXPECT_EQ(Create(), KV_OK);
    EXPECT_EQ(sheet_->GetWindowRectangle().TopLeft(), CPoint(110, 70));
    sheet_.reset();
    pages_.clear();
    Make("Missing");
    EXPECT_EQ(Create(), KV_E_FAIL);
    EXPECT_TRUE(sheet_->IsWindow());
    TestSheet orphan(&catalog_, "S");
    EXPECT_EQ(orphan.CreateFromDescription(nullptr), KV_E_INVALID_POINTER);
    EXPECT_FALSE(orphan.IsWindow());
}

TEST_F(UIPropertySheetTest, PageCaptionsNeedTheTabAndAnIndexInRange) {
    Load({{"width", "300"}, {"height", "200"}});
    TestSheet& sheet = Make();
    EXPECT_EQ(sheet.SetPageCaption(0, "Early"), KV_E_FAIL);  // no tab control yet
    EXPECT_EQ(std::string(pages_[0]->GetCaptionBuffer()), "");
    ASSERT_EQ(Create(), KV_OK);
    const std::string before = TabText(0);
    EXPECT_EQ(sheet.SetPageCaption(3, "Beyond"), KV_E_FAIL);
    EXPECT_EQ(sheet.SetPageCaption(-1, "Before"), KV_E_FAIL);
    EXPECT_EQ(TabText(0), before);
    EXPECT_EQ(sheet.SetPageCaption(0, "Calls in"), KV_OK);
    EXPECT_EQ(TabText(0), "Calls in");
    EXPECT_EQ(sheet.SetPageCaption(1, nullptr), KV_OK);  // the description's text, cut
    EXPECT_EQ(TabText(1), std::string(128, 'L'));
}

TEST_F(UIPropertySheetTest, TabsDrawAtMost63CharactersAndTheSelectedOneInTheTextColour) {
    Load({{"width", "390"}, {"height", "200"}, {"textbackgroundcolor", "FFFFFF"}});
    TestSheet& sheet = Make();
    ASSERT_EQ(Create(), KV_OK);
    const std::string hundred(100, 'W');
    sheet.SetPageCaption(2, hundred.c_str());
    sheet.SetPageCaption(0, "Incoming");
    Pump();
    EXPECT_EQ(sheet.GetTab().GetDrawnText(), std::string(63, 'W'));
    Capture picture = Capture::OfWindow(sheet.GetTab().m_hWnd);
    EXPECT_GT(picture.Count(kSelectedText), 10);
    sheet.SetActivePage(1);
    sheet.GetTab().SetCurSel(1);
    sheet.GetTab().Invalidate();
    Pump();
    CRect first;
    sheet.GetTab().GetItemRect(0, &first);
    Capture after = Capture::OfWindow(sheet.GetTab().m_hWnd);
    int selected_ink = 0;
    for (int x = first.left; x < first.right; ++x)
        for (int y = first.top; y < first.bottom; ++y)
            selected_ink += after.At(x, y) == kSelectedText ? 1 : 0;
    EXPECT_EQ(selected_ink, 0);  // the first tab is no longer selected
}

TEST_F(UIPropertySheetTest, TopByteFFGivesNoBrushToTheTabOrTheSheet) {
    Load({{"width", "300"}, {"height", "200"}, {"backgroundcolor", "FF102030"}});
    TestSheet& sheet = Make();
    ASSERT_EQ(Create(), KV_OK);
    CClientDC dc(&sheet);
    const auto null_brush = reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
    EXPECT_EQ(sheet.SendMessage(WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(dc.GetSafeHdc()),
                                reinterpret_cast<LPARAM>(sheet.m_hWnd)),
              null_brush);
    EXPECT_EQ(reinterpret_cast<LRESULT>(sheet.GetTab().CtlColor(&dc, CTLCOLOR_STATIC)), null_brush);
    sheet_.reset();
    pages_.clear();
    catalog_.RemoveAll();
    Load({{"width", "300"}, {"height", "200"}, {"backgroundcolor", "102030"}});
    TestSheet& painted = Make();
    ASSERT_EQ(Create(), KV_OK);
    CClientDC other(&painted);
    EXPECT_NE(painted.SendMessage(WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(other.GetSafeHdc()),
                                  reinterpret_cast<LPARAM>(painted.m_hWnd)),
              null_brush);
}

TEST_F(UIPropertySheetTest, EndpointRegisteredHandledUnregisteredAndQueuedMessagesReleased) {
    Load({{"width", "300"}, {"height", "200"}});
    CKvMessageRouter router;
    ASSERT_EQ(router.Init(&GetHandleTable()), KV_OK);
    TestSheet& sheet = Make();
    sheet.GetRouterRef() = &router;
    sheet.GetEndpointId() = 0x0620;
    ASSERT_EQ(Create(), KV_OK);
    CKvMessage* sent = NewMessage();
    ASSERT_EQ(sent->Send(0x0620, 0x0621, &router, 1, true, false), KV_OK);
    Pump();
    EXPECT_EQ(sheet.received, 1);
    ASSERT_TRUE(sheet.PostMessage(0x0620, 4, reinterpret_cast<LPARAM>(NewMessage())));
    sheet.DestroyWindow();  // the queued one is released; the leak check sees it
    EXPECT_EQ(sheet.received, 1);
    CKvMessage* late = NewMessage();
    EXPECT_EQ(late->Send(0x0620, 0x0621, &router, 2, true, false), KV_E_FAIL);  // unregistered
}

TEST_F(UIPropertySheetTest, ThreePageSheetInASkinnedDialog) {
    Load({{"positionx", "10"}, {"positiony", "10"}, {"width", "260"}, {"height", "150"},
          {"backgroundcolor", "ECE9D8"}, {"textbackgroundcolor", "F8F4E8"}});
    CKvUIDialog dialog;
    dialog.SetOwner(&catalog_);
    dialog.GetIdentifier() = "D";
    ASSERT_EQ(dialog.CreateModelessFromDescription(), KV_OK);
    dialog.ShowWindow(SW_SHOW);
    TestSheet& sheet = Make();
    ASSERT_EQ(Create(&dialog), KV_OK);
    const char* captions[] = {"Incoming", "Outgoing", nullptr};
    for (int i = 0; i < 3; ++i)
        sheet.SetPageCaption(i, captions[i]);
    Pump();
    Capture picture = Capture::OfWindow(dialog.m_hWnd);
    EXPECT_TRUE(MatchesGolden(picture.bitmap(), "controls", "property_sheet_three_pages"));
    sheet_.reset();
    pages_.clear();
    dialog.DestroyWindow();
}

}  // namespace
