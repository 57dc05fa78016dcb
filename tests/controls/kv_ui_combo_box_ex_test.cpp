#include "controls/kv_ui_combo_box_ex.h"

#include "event_owner.h"
#include "skin_test_support.h"
#include "support/wnd_test_support.h"

#include <memory>
#include <string>
#include <vector>

namespace {

using skin::Element;
using skin::EventOwner;
using skin::Section;

constexpr std::uint16_t kComboEndpoint = EventOwner::kEndpoint + 2;

class KvUIComboBoxExTest : public WndTest {
protected:
    void SetUp() override {
        WndTest::SetUp();
        Class("ComboHost");
        ASSERT_TRUE(parent_.CreateEx(0, "ComboHost", "", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300, nullptr, nullptr));
        owner_.Start(router_, parent_);
    }
    void TearDown() override {
        combo_.reset();
        owner_.Stop();
        parent_.DestroyWindow();
        WndTest::TearDown();
    }
    // Loads one combo description "C" with the properties and creates it.
    KvResult Make(std::initializer_list<std::pair<const char*, std::string>> extra, bool owner = true,
                  const std::string& identifier = "C") {
        std::vector<std::pair<const char*, std::string>> properties{
            {"positionx", "10"}, {"positiony", "12"}, {"width", "150"}, {"height", "24"}, {"uiid", "31"},
            {"comboboxstyle", "CBS_DROPDOWNLIST"}, {"windowstyle", "WS_CHILD,WS_VISIBLE"}};
        properties.insert(properties.end(), extra.begin(), extra.end());
        std::string element = "<UIOBJECTCOMBOBOXEX identifier=\"C\">";
        for (const auto& [key, value] : properties)
            element += std::string("<") + key + ">" + value + "</" + key + ">";
        element += "</UIOBJECTCOMBOBOXEX>";
        skin::LoadCatalog(catalog_, "<GUI>" + Section("UIOBJECTCOMBOBOXEX", element) + "</GUI>");
        combo_->SetOwner(&catalog_);
        combo_->GetIdentifier() = identifier;
        combo_->SetEventTarget(&router_, kComboEndpoint);
        if (owner)
            combo_->m_nOwnerEndpoint = EventOwner::kEndpoint;
        const KvResult result = combo_->CreateFromDescription(&parent_, TRUE);
        Pump();
        return result;
    }
    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        for (int i = 0; i < combo_->GetCount(); ++i) {
            std::string text;
            combo_->GetLBText(i, text);
            lines.push_back(text);
        }
        return lines;
    }
    // Opens the list and clicks its line.
    void Choose(int line) {
        CRect window;
        combo_->GetWindowRect(&window);
        input_.Click(CPoint(window.left + 5, window.top + 5));
        ASSERT_TRUE(combo_->GetDroppedState());
        HWND popup = WindowFromPoint(CPoint(window.left + 2, window.bottom + 2));
        CRect list;
        ::GetWindowRect(popup, &list);
        const int lines = std::min(combo_->GetCount(), KV_COMBO_POPUP_LINES);
        const int height = (list.Height() - 2) / lines;
        input_.Click(CPoint(list.left + 5, list.top + 1 + line * height + height / 2));
    }

    CWnd parent_;
    CKvMessageRouter router_;
    EventOwner owner_;
    CKvUIObjectCatalog catalog_;
    std::unique_ptr<CKvUIComboBoxEx> combo_ = std::make_unique<CKvUIComboBoxEx>();
    InputDriver input_{clock_};
};

TEST_F(KvUIComboBoxExTest, EntriesShowNewestOnTopAndAChoiceIsReportedByIdentifier) {
    ASSERT_EQ(Make({{"textentries", "a;Alpha,b;Beta"}}), KV_OK);
    EXPECT_EQ(Lines(), (std::vector<std::string>{"Beta", "Alpha"}));
    EXPECT_EQ(combo_->GetWindowRectangle(), CRect(10, 12, 159, 35));
    EXPECT_EQ(combo_->GetDlgCtrlID(), 31);
    EXPECT_EQ(combo_->GetCreateStyle(), 0x50000003u);
    std::string text;
    EXPECT_EQ(combo_->GetTextOfIdentifier(text, "a"), KV_OK);
    EXPECT_EQ(text, "Alpha");
    Choose(1);
    Pump();
    ASSERT_EQ(owner_.events.size(), 1u);
    const skin::ReceivedEvent& event = owner_.events[0];
    EXPECT_EQ(event.kind, 4u);
    EXPECT_EQ(event.command, 1);
    EXPECT_EQ(event.sub_command, 5);
    EXPECT_EQ(skin::Describe(event), "ITEM_SELECTION_CHANGED=a from " + std::to_string(kComboEndpoint) + " value 1");
    Choose(0);
    Pump();
    EXPECT_EQ(owner_.Described().back(), "ITEM_SELECTION_CHANGED=b from " + std::to_string(kComboEndpoint) + " value 2");
}

TEST_F(KvUIComboBoxExTest, WithoutAnOwnerEndpointNothingIsSentAndTheCounterStays) {
    ASSERT_EQ(Make({{"textentries", "a;Alpha,b;Beta"}}, false), KV_OK);
    Choose(1);
    Pump();
    EXPECT_EQ(combo_->GetCurSel(), 1);
    EXPECT_TRUE(owner_.events.empty());
    EXPECT_EQ(combo_->GetEventCounter(), 0u);
}

TEST_F(KvUIComboBoxExTest, EntryTextsNameThemselvesTrailingSemicolonEmptiesAndDuplicatesFail) {
    EXPECT_EQ(Make({{"textentries", "x,y;,a;A,a;Again"}}), KV_E_ALREADY_PRESENT);  // the last entry's code
    EXPECT_EQ(Lines(), (std::vector<std::string>{"A", "", "x"}));
    std::string identifier;
    EXPECT_EQ(combo_->GetIdentifierOfText(identifier, "x"), KV_OK);
    EXPECT_EQ(identifier, "x");
    EXPECT_EQ(combo_->GetIdentifierOfText(identifier, ""), KV_OK);
    EXPECT_EQ(identifier, "y");
    EXPECT_EQ(combo_->GetIdentifierOfText(identifier, "Again"), KV_E_FAIL);
    EXPECT_EQ(identifier, "");
    EXPECT_EQ(combo_->AddEntry("x", "Other"), KV_E_ALREADY_PRESENT);
    EXPECT_EQ(combo_->GetCount(), 3);
}

TEST_F(KvUIComboBoxExTest, SelectionByProgramSendsNothingAndAnUnknownIdentifierKeepsIt) {
    ASSERT_EQ(Make({{"textentries", "a;Alpha,b;Beta"}}), KV_OK);
    EXPECT_EQ(combo_->SelectIdentifier("a"), KV_OK);
    EXPECT_EQ(combo_->GetCurSel(), 1);
    EXPECT_EQ(combo_->SelectIdentifier("zz"), KV_E_NOT_PRESENT);
    EXPECT_EQ(combo_->GetResult(), KV_E_NOT_PRESENT);
    EXPECT_EQ(combo_->GetCurSel(), 1);
    EXPECT_EQ(combo_->SelectText("Gamma"), KV_E_FAIL);
    Pump();
    EXPECT_TRUE(owner_.events.empty());
}

TEST_F(KvUIComboBoxExTest, SelectTextTakesTheLineWhoseTextMatchesExactly) {
    // Lines "ALPHA" (0), "alpha" (1): the search from 0 meets "alpha" first.
    ASSERT_EQ(Make({{"textentries", "l;alpha,u;ALPHA"}}), KV_OK);
    EXPECT_EQ(combo_->SelectIdentifier("u"), KV_OK);
    EXPECT_EQ(combo_->GetCurSel(), 0);
    EXPECT_EQ(combo_->SelectIdentifier("l"), KV_OK);
    EXPECT_EQ(combo_->GetCurSel(), 1);
    // No line has the text exactly: the first hit is shown, and reported.
    EXPECT_EQ(combo_->SelectText("Alpha"), KV_E_FAIL);
    EXPECT_EQ(combo_->GetCurSel(), 1);
}

TEST_F(KvUIComboBoxExTest, TwoLinesWithOneTextReportTheFirstAdded) {
    ASSERT_EQ(Make({{"textentries", "first;Same,second;Same"}}), KV_OK);
    Choose(0);
    Pump();
    ASSERT_EQ(owner_.events.size(), 1u);
    EXPECT_EQ(owner_.events[0].text, "first");
}

TEST_F(KvUIComboBoxExTest, TheDropWidthCoversTheWidestLineACharacterAScrollBarAndTwoEdges) {
    ASSERT_EQ(Make({{"width", "30"}, {"textentries", "s;Short,l;A much longer line of text"}}), KV_OK);
    CClientDC dc(combo_.get());
    dc.SelectObject(combo_->GetFont());
    TEXTMETRIC metrics;
    dc.GetTextMetrics(&metrics);
    const int expected = dc.GetTextExtent("A much longer line of text").cx + metrics.tmAveCharWidth +
                         GetSystemMetrics(SM_CXVSCROLL) + 2 * GetSystemMetrics(SM_CXEDGE);
    EXPECT_EQ(combo_->GetDroppedWidth(), expected);
}

// A measurement over every line, as the control gives it.
int FullDropWidth(CKvUIComboBoxEx& combo) {
    CClientDC dc(&combo);
    dc.SelectObject(combo.GetFont());
    TEXTMETRIC metrics;
    dc.GetTextMetrics(&metrics);
    int widest = 0;
    for (int i = 0; i < combo.GetCount(); ++i) {
        std::string text;
        combo.GetLBText(i, text);
        widest = std::max(widest, static_cast<int>(dc.GetTextExtent(text).cx + metrics.tmAveCharWidth));
    }
    return widest + GetSystemMetrics(SM_CXVSCROLL) + 2 * GetSystemMetrics(SM_CXEDGE);
}

TEST_F(KvUIComboBoxExTest, TheDropWidthStaysAFullMeasurementThroughAddsRemovalAndAFontChange) {
    ASSERT_EQ(Make({{"width", "10"}, {"textentries", "a;Mid length line"}}), KV_OK);
    const int single = combo_->GetDroppedWidth();
    EXPECT_EQ(single, FullDropWidth(*combo_));
    ASSERT_EQ(combo_->AddEntry("b", "A much, much longer line than the others"), KV_OK);
    const int wide = combo_->GetDroppedWidth();
    EXPECT_GT(wide, single);
    ASSERT_EQ(combo_->AddEntry("c", "Short"), KV_OK);
    EXPECT_EQ(combo_->GetDroppedWidth(), wide);
    EXPECT_EQ(combo_->GetDroppedWidth(), FullDropWidth(*combo_));

    // Another font measures every line again.
    LOGFONT description{};
    description.lfHeight = -24;
    CFont big;
    ASSERT_TRUE(big.CreateFontIndirect(&description));
    combo_->SetFont(&big, FALSE);
    EXPECT_GT(combo_->GetDroppedWidth(), wide);
    EXPECT_EQ(combo_->GetDroppedWidth(), FullDropWidth(*combo_));

    // Emptied, the width shrinks to the bare frame; a short line then
    // gives a narrow width again.
    ASSERT_EQ(combo_->RemoveAllEntries(), KV_OK);
    EXPECT_EQ(combo_->GetDroppedWidth(), GetSystemMetrics(SM_CXVSCROLL) + 2 * GetSystemMetrics(SM_CXEDGE));
    ASSERT_EQ(combo_->AddEntry("d", "Short"), KV_OK);
    EXPECT_EQ(combo_->GetDroppedWidth(), FullDropWidth(*combo_));
    combo_->SetFont(nullptr, FALSE);
}

TEST_F(KvUIComboBoxExTest, ReturnIsReportedOnlyAfterEditingBegan) {
    ASSERT_EQ(Make({{"comboboxstyle", "CBS_DROPDOWN"}, {"textentries", "a;Alpha"}}), KV_OK);
    HWND edit = combo_->GetEditCtrl();
    ASSERT_NE(edit, nullptr);
    ::SetFocus(edit);
    input_.Key(VK_RETURN);
    EXPECT_FALSE(combo_->IsEditSubclassed());
    input_.Click(InputDriver::ScreenPoint(edit, CPoint(3, 3)));
    EXPECT_TRUE(combo_->IsEditSubclassed());
    ::SetWindowText(edit, "typed");
    ::SetFocus(edit);
    input_.Key(VK_RETURN);
    Pump();
    EXPECT_EQ(owner_.Described(),
              std::vector<std::string>{"EDIT_CHAR_RETURN=typed from " + std::to_string(kComboEndpoint) + " value 1"});
    // The window text of a drop-down is its edit's.
    std::string text;
    combo_->GetWindowText(text);
    EXPECT_EQ(text, "typed");
}

TEST_F(KvUIComboBoxExTest, RemoveAllEntriesEmptiesControlAndMapButKeepsCounting) {
    ASSERT_EQ(Make({{"textentries", "a;Alpha,b;Beta,c;Gamma"}}), KV_OK);
    EXPECT_EQ(combo_->RemoveAllEntries(), KV_OK);
    EXPECT_EQ(combo_->GetCount(), 0);
    EXPECT_EQ(combo_->GetEntryMap().GetCount(), 0u);
    EXPECT_EQ(combo_->GetEntryMap().GetRowCounter(), 3u);
    EXPECT_EQ(combo_->AddEntry("a", "Again"), KV_OK);
    EXPECT_EQ(Lines(), std::vector<std::string>{"Again"});
}

TEST_F(KvUIComboBoxExTest, RemoveAllEntriesDeletesAtTheIndicesTheRenumberingGives) {
    struct Case {
        int a, b, c; // the first items' indices an owner wrote
        std::vector<std::string> left;
    };
    const Case cases[] = {
        {0, 0, 0, {}},
        {2, 1, 0, {}}, // the lines' positions
        {2, 2, 0, {"Beta"}},
        {-1, 0, 0, {"Gamma", "Beta", "Alpha"}}, // each later index drops below 0
        {0, 0, 1, {}},
        {0, 0, 5, {"Alpha"}},
        {0, 1, 5, {"Alpha"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.a << c.b << c.c);
        combo_ = std::make_unique<CKvUIComboBoxEx>();
        ASSERT_EQ(Make({{"textentries", "a;Alpha,b;Beta,c;Gamma"}}), KV_OK);
        for (auto [identifier, index] :
             {std::pair{"a", c.a}, std::pair{"b", c.b}, std::pair{"c", c.c}}) {
            ItemCollection* entry = nullptr;
            UIItem* item = nullptr;
            ASSERT_EQ(combo_->GetEntryMap().Lookup(entry, identifier), KV_OK);
            ASSERT_EQ(entry->GetItemAt(item, 0), KV_OK);
            item->SetIndex(index);
        }
        EXPECT_EQ(combo_->RemoveAllEntries(), KV_OK);
        EXPECT_EQ(Lines(), c.left);
        EXPECT_EQ(combo_->GetEntryMap().GetCount(), 0u);
        EXPECT_EQ(combo_->GetEntryMap().GetRowCounter(), 3u);
    }
}

// Many lines, one entry's first item moved by its owner: the lines left are
// those of deleting, entry by entry in the map's order, at the index each
// entry's item holds after the earlier removals renumbered it.
TEST_F(KvUIComboBoxExTest, RemoveAllEntriesOfManyLinesHonoursAnIndexAnywhere) {
    constexpr int kLines = 100;
    struct Case {
        int entry, index;
    };
    const Case cases[] = {{0, 0}, {31, 5}, {32, 5}, {33, 80}, {64, 1}, {70, 40}, {99, -1}, {99, 3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.entry << " at " << c.index);
        combo_ = std::make_unique<CKvUIComboBoxEx>();
        ASSERT_EQ(Make({}), KV_OK);
        for (int i = 0; i < kLines; ++i)
            ASSERT_EQ(combo_->AddEntry("id" + std::to_string(i), "Line " + std::to_string(i)),
                      KV_OK);
        ItemCollection* moved = nullptr;
        UIItem* item = nullptr;
        ASSERT_EQ(combo_->GetEntryMap().Lookup(moved, "id" + std::to_string(c.entry)), KV_OK);
        ASSERT_EQ(moved->GetItemAt(item, 0), KV_OK);
        item->SetIndex(c.index);

        // The model: the lines top down (each added at the top) and the
        // indices the entries' items hold.
        std::vector<std::string> left;
        std::vector<int> indices(kLines, 0);
        indices[c.entry] = c.index;
        for (int i = kLines - 1; i >= 0; --i)
            left.push_back("Line " + std::to_string(i));
        for (int i = 0; i < kLines; ++i) {
            if (indices[i] >= 0 && indices[i] < static_cast<int>(left.size()))
                left.erase(left.begin() + indices[i]);
            for (int later = i + 1; later < kLines; ++later)
                indices[later] -= indices[later] > indices[i] ? 1 : 0;
        }

        EXPECT_EQ(combo_->RemoveAllEntries(), KV_OK);
        EXPECT_EQ(Lines(), left);
        EXPECT_EQ(combo_->GetEntryMap().GetCount(), 0u);
        EXPECT_EQ(combo_->GetEntryMap().GetRowCounter(), static_cast<std::uint32_t>(kLines));
    }
}

TEST_F(KvUIComboBoxExTest, BadParentsAndDescriptionsFailCleanly) {
    EXPECT_EQ(combo_->CreateFromDescription(nullptr, TRUE), KV_E_INVALID_POINTER);
    EXPECT_FALSE(combo_->IsWindow());
    // Missing: the defaults and an empty rectangle still make a window.
    EXPECT_EQ(Make({{"textentries", "a;Alpha"}}, true, "Missing"), KV_E_FAIL);
    ASSERT_TRUE(combo_->IsWindow());
    EXPECT_EQ(combo_->CComboBoxEx::GetStyle(), 0x50000403u);
    EXPECT_EQ(combo_->GetCount(), 0);
    CKvUIComboBoxEx orphan;
    EXPECT_EQ(orphan.ApplyDescription(), KV_E_INVALID_POINTER);
}

TEST_F(KvUIComboBoxExTest, APositionAtTheLimitWrapsAndIsRefusedAsAWindow) {
    EXPECT_EQ(Make({{"positionx", "2147483647"}}), KV_E_FAIL);
    EXPECT_EQ(combo_->GetWindowRectangle().left, 2147483647);
    EXPECT_EQ(combo_->GetWindowRectangle().right, INT32_MIN + 148);
    EXPECT_FALSE(combo_->IsWindow());
}

}  // namespace
