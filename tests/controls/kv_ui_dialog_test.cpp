#include "controls/kv_ui_dialog.h"

#include "controls/kv_ui_static.h"
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
using Properties = std::vector<std::pair<const char*, std::string>>;

// A dialog as the plug-in derives it: a router endpoint and a timer that
// forwards to the base.
class TestDialog : public CKvUIDialog {
public:
    int received = 0;
    void ForwardTimer() { OnTimer(1); }
    void OnMessageReceived(WPARAM wParam, LPARAM lParam) override {
        ++received;
        CKvUIDialog::OnMessageReceived(wParam, lParam);
    }
    using CKvUIDialog::PreTranslateMessage;
};

class UIDialogTest : public WndTest {
protected:
    void Load(Properties properties, const std::string& extra = {}) {
        std::string element = "<UIOBJECTDIALOG identifier=\"D\">";
        for (const auto& [key, value] : properties)
            element += std::string("<") + key + ">" + value + "</" + key + ">";
        element += "</UIOBJECTDIALOG>";
        skin::LoadCatalog(catalog_, "<GUI>" + Section("UIOBJECTDIALOG", element) + extra + "</GUI>",
                          folder_.Path());
    }
    // Made modeless, shown and painted.
    void Make(TestDialog& dialog) {
        dialog.SetOwner(&catalog_);
        dialog.GetIdentifier() = "D";
        ASSERT_EQ(dialog.CreateModelessFromDescription(), KV_OK);
        dialog.ShowWindow(SW_SHOW);
        Pump();
    }
    static Properties Popup(int width, int height, Properties more = {}) {
        Properties properties{{"width", std::to_string(width)},
                              {"height", std::to_string(height)},
                              {"windowstyle", "WS_POPUP"}};
        properties.insert(properties.end(), more.begin(), more.end());
        return properties;
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
        dialog.SetOwner(&catalog_);
        dialog.GetIdentifier() = "D";
        ASSERT_EQ(dialog.PrepareTemplate(), KV_OK);
        dialog.BuildTemplate(modal);
        const int caption = modal ? 18 : GetSystemMetrics(SM_CYCAPTION);
        DialogTemplate parsed;
        ASSERT_TRUE(
            ParseDialogTemplate(dialog.GetTemplate().data(), dialog.GetTemplate().size(), parsed));
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

TEST_F(UIDialogTest, SetFontStaysOutOfTheTemplateButNotTheWindow) {
    Load(
        Popup(120, 60, {{"dialogstyle", "DS_SETFONT"}, {"text", "UIObjString_T"}}),
        Section("UIOBJECTSTRING", Element("UIOBJECTSTRING", "UIObjString_T", {{"text", "Title"}})));
    TestDialog dialog;
    Make(dialog);
    DialogTemplate parsed;
    ASSERT_TRUE(
        ParseDialogTemplate(dialog.GetTemplate().data(), dialog.GetTemplate().size(), parsed));
    EXPECT_EQ(parsed.style & DS_SETFONT, 0u);
    EXPECT_NE(dialog.CWnd::GetStyle() & DS_SETFONT, 0u);
    std::string title;
    dialog.GetWindowText(title);
    EXPECT_EQ(title, "Title");
    CRect client;
    dialog.GetClientRect(&client);
    EXPECT_EQ(client.Size(), CSize(120, 60));
}

TEST_F(UIDialogTest, ModalDialogRunsFromItsDescription) {
    Load(Popup(90, 40));
    TestDialog dialog;
    dialog.SetOwner(&catalog_);
    dialog.GetIdentifier() = "D";
    IdleScript script;
    script.Then([&] {
        CRect client;
        dialog.GetClientRect(&client);
        EXPECT_EQ(client.Size(), CSize(90, 40));
        dialog.EndDialog(7);
    });
    EXPECT_EQ(dialog.DoModalFromDescription(), 7);
}

TEST_F(UIDialogTest, FramedTemplateLosesUpToAPixelOfHeight) {
    // 1.63 pixels per unit against the window system's 1.625.
    Load({{"width", "300"}, {"height", "200"}, {"windowstyle", "WS_POPUP,WS_CAPTION"}});
    TestDialog dialog;
    Make(dialog);
    CRect client;
    dialog.GetClientRect(&client);
    EXPECT_EQ(client.Width(), MulDiv(static_cast<int>(304 / 1.5 + 0.5), 6, 4));
    const int cy = static_cast<int>((200 + 19 + 4) / 1.63 + 0.5);
    EXPECT_EQ(client.Height(), MulDiv(cy, 13, 8));
    EXPECT_GE(client.Height(), 200 + 19 + 4 - 1);
}

TEST_F(UIDialogTest, SizeFollowsTheImageAndCentringKeepsTheSystemsPlace) {
    folder_.Write("Themes/back.bmp", skin::SolidBmp(64, 48, 0x00FF00));
    const Properties image{{"backgroundimageridorfile", "back.bmp"},
                           {"flagsizefollowbackgroundimage", "TRUE"},
                           {"positionx", "100"},
                           {"positiony", "50"}};
    Load(Popup(300, 200, image));
    TestDialog placed;
    Make(placed);
    CRect window;
    placed.GetWindowRect(&window);
    EXPECT_EQ(window, CRect(100, 50, 164, 98));
    placed.DestroyWindow();

    Properties centred = image;
    centred.emplace_back("dialogstyle", "DS_CENTER");
    catalog_.RemoveAll();
    Load(Popup(300, 200, centred));
    TestDialog centre;
    Make(centre);
    centre.GetWindowRect(&window);
    EXPECT_EQ(window.Size(), CSize(64, 48));
    // Where the system centred the window the template made.
    DialogTemplate parsed;
    ASSERT_TRUE(
        ParseDialogTemplate(centre.GetTemplate().data(), centre.GetTemplate().size(), parsed));
    const SIZE made = DialogUnitsToPixels(parsed.cx, parsed.cy);
    EXPECT_EQ(window.left, (1024 - made.cx) / 2);
    EXPECT_EQ(window.top, (768 - made.cy) / 2);
}

// ---- Children ----

TEST_F(UIDialogTest, ChildrenAreMadeOnceEachInListOrder) {
    std::string statics;
    for (const char* id : {"S1", "S2"})
        statics += Element("UIOBJECTSTATIC", id, {{"width", "20"}, {"height", "10"}, {"text", id}});
    Load(Popup(200, 100, {{"childidentifierlist", "S2, G, S1, S2, Missing, D"}}),
         Section("UIOBJECTSTATIC", statics) +
             Section("UIOBJECTSTATICGROUPBOX",
                     Element("UIOBJECTSTATICGROUPBOX", "G", {{"width", "50"}, {"height", "30"}})));
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
        statics += Element("UIOBJECTSTATIC", id, {{"width", "2"}, {"height", "2"}});
        if (i < 256)
            list += (i ? "," : "") + id;
    }
    Load(Popup(50, 50), Section("UIOBJECTSTATIC", statics));
    TestDialog dialog;
    dialog.SetOwner(&catalog_);
    dialog.GetIdentifier() = "D";
    ASSERT_EQ(dialog.CreateModelessFromDescription(), KV_OK);
    dialog.SetChildIdentifierListText(list);
    EXPECT_EQ(dialog.CreateChildControls(), KV_OK);
    EXPECT_EQ(dialog.GetChildControls().GetCount(), 256u);
    dialog.SetChildIdentifierListText("S3,S256");
    EXPECT_EQ(dialog.CreateChildControls(), KV_E_LIST_FULL);
    EXPECT_EQ(dialog.GetChildControls().GetCount(), 256u);
    EXPECT_EQ(dialog.GetChildControls().Find("S256"), nullptr);
}

} // namespace
