#include "controls/kv_ui_list_ctrl.h"

#include "event_owner.h"
#include "skin_test_support.h"
#include "support/wnd_test_support.h"

#include <memory>
#include <string>
#include <vector>

namespace {

using skin::EventOwner;
using skin::Section;

constexpr std::uint16_t kListEndpoint = EventOwner::kEndpoint + 1;

class HeaderNoting : public CKvUIListCtrl {
public:
    std::vector<int> clicked;
    void OnHeaderItemClicked(int column) override { clicked.push_back(column); }
};

BoundedStringList Texts(std::initializer_list<const char*> texts) {
    BoundedStringList list;
    for (const char* text : texts)
        list.Add(text);
    return list;
}

std::string From(const std::string& event, std::uint32_t value) {
    return event + " from " + std::to_string(kListEndpoint) + " value " + std::to_string(value);
}

class KvUIListCtrlTest : public WndTest {
protected:
    void SetUp() override {
        WndTest::SetUp();
        Class("ListHost");
        ASSERT_TRUE(parent_.CreateEx(0, "ListHost", "", WS_POPUP | WS_VISIBLE, 0, 0, 500, 400, nullptr, nullptr));
        owner_.Start(router_, parent_);
    }
    void TearDown() override {
        list_.reset();
        owner_.Stop();
        parent_.DestroyWindow();
        WndTest::TearDown();
    }
    KvResult Make(std::initializer_list<std::pair<const char*, std::string>> extra, const std::string& identifier = "L",
                  bool owner = true) {
        std::vector<std::pair<const char*, std::string>> properties{
            {"positionx", "10"}, {"positiony", "10"}, {"width", "302"}, {"height", "200"}, {"uiid", "44"},
            {"listctrlstyle", "LVS_REPORT"}, {"windowstyle", "WS_CHILD,WS_VISIBLE"},
            {"headernamelist", "Name:2,Path:1"}};
        for (const auto& property : extra) {
            auto same = std::find_if(properties.begin(), properties.end(),
                                     [&](const auto& p) { return std::string(p.first) == property.first; });
            if (same != properties.end())
                same->second = property.second;
            else
                properties.push_back(property);
        }
        std::string element = "<UIOBJECTLISTCTRL identifier=\"L\">";
        for (const auto& [key, value] : properties)
            element += std::string("<") + key + ">" + value + "</" + key + ">";
        element += "</UIOBJECTLISTCTRL>";
        skin::LoadCatalog(catalog_, "<GUI>" + Section("UIOBJECTLISTCTRL", element) + "</GUI>");
        list_->SetOwner(&catalog_);
        list_->GetIdentifier() = identifier;
        list_->SetEventTarget(&router_, kListEndpoint);
        if (owner)
            list_->m_nOwnerEndpoint = EventOwner::kEndpoint;
        const KvResult result = list_->CreateFromDescription(&parent_, TRUE);
        Pump();
        return result;
    }
    std::vector<int> Widths() const {
        std::vector<int> widths;
        for (int c = 0; c < ColumnCount(); ++c)
            widths.push_back(list_->GetColumnWidth(c));
        return widths;
    }
    int ColumnCount() const { return static_cast<int>(::SendMessage(list_->GetHeaderCtrl(), HDM_GETITEMCOUNT, 0, 0)); }
    std::string Title(int column) const {
        char buffer[64] = {};
        LVCOLUMN info;
        info.mask = LVCF_TEXT;
        info.pszText = buffer;
        info.cchTextMax = sizeof buffer;
        list_->GetColumn(column, &info);
        return buffer;
    }
    POINT RowPoint(int index) const {
        CRect row;
        list_->GetItemRect(index, &row);
        return InputDriver::ScreenPoint(list_->m_hWnd, CPoint(20, row.CenterPoint().y));
    }
    void AddThree() {
        const BoundedStringList one = Texts({"One", "/1"}), two = Texts({"Two", "/2"}), three = Texts({"Three", "/3"});
        ASSERT_EQ(list_->AddRow("r1", &one), KV_OK);
        ASSERT_EQ(list_->AddRow("r2", &two), KV_OK);
        ASSERT_EQ(list_->AddRow("r3", &three), KV_OK);
    }

    CWnd parent_;
    CKvMessageRouter router_;
    EventOwner owner_;
    CKvUIObjectCatalog catalog_;
    std::unique_ptr<HeaderNoting> list_ = std::make_unique<HeaderNoting>();
    InputDriver input_{clock_};
};

TEST_F(KvUIListCtrlTest, TheDescriptionGivesGeometryStylesIdAndColumnShares) {
    ASSERT_EQ(Make({{"listctrlexstyle", "LVS_EX_GRIDLINES,LVS_EX_FULLROWSELECT"},
                    {"backgroundcolor", "102030"},
                    {"textcolor", "405060"},
                    {"childidentifierlist", "x,y"}}),
              KV_OK);
    EXPECT_EQ(list_->GetWindowRectangle(), CRect(10, 10, 311, 209));
    // Copied: the colours of the list's own; kept: identifier, text colour, uiid.
    EXPECT_EQ(list_->GetBackgroundColor(), 0x302010u);
    EXPECT_NE(list_->GetTextColor(), 0x605040u);
    EXPECT_EQ(list_->GetIdentifier(), "L");
    EXPECT_EQ(list_->GetUiid(), 0u);
    EXPECT_EQ(list_->GetChildIdentifierList(), "x,y");
    EXPECT_EQ(list_->GetHeaderNames().GetCount(), 2u);
    EXPECT_EQ(list_->GetDlgCtrlID(), 44);
    EXPECT_EQ(list_->GetCreationStyle(), 0x50000001u);
    EXPECT_EQ(list_->GetExtendedStyle(), LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    EXPECT_EQ(Widths(), (std::vector<int>{200, 100}));
    EXPECT_EQ(Title(0), "Name");
    EXPECT_EQ(Title(1), "Path");
}

TEST_F(KvUIListCtrlTest, NamesWithoutFractionsTakeEqualSharesAndATrailingColonStays) {
    ASSERT_EQ(Make({{"width", "401"}, {"headernamelist", "First:3,Second,Third:1"}}), KV_OK);
    EXPECT_EQ(Widths(), (std::vector<int>{276, 30, 92}));
    EXPECT_EQ(Title(1), "Second");
    list_.reset(new HeaderNoting);
    ASSERT_EQ(Make({{"width", "301"}, {"headernamelist", "Name:,Other"}}), KV_OK);
    EXPECT_EQ(Title(0), "Name:");
    EXPECT_EQ(Widths(), (std::vector<int>{150, 150}));
}

TEST_F(KvUIListCtrlTest, AnEmptyHeaderListMakesNoColumn) {
    ASSERT_EQ(Make({{"headernamelist", ""}}), KV_OK);
    EXPECT_EQ(ColumnCount(), 0);
}

TEST(KvLayoutColumnsTest, SharesThatCannotDivideFallBackToEqualWidthsWithinTheControl) {
    struct Case {
        const char* names;
        std::vector<int> widths;
    };
    const Case cases[] = {
        {"A:0,B:0", {150, 150}},       // a sum of 0
        {"A:-1,B:2", {0, 300}},        // shares -1 and 2
        {"A:1e30,B:1", {300, 0}},      // a huge fraction
        {"A:1e30,B:-1e30", {150, 150}},
        {"A:-2,B:1", {150, 150}},      // a negative sum
    };
    for (const Case& c : cases) {
        BoundedStringList names;
        names.SetFromText(c.names);
        std::vector<int> widths;
        for (const KvColumnLayout& column : KvLayoutColumns(names, 300))
            widths.push_back(column.width);
        EXPECT_EQ(widths, c.widths) << c.names;
    }
}

TEST_F(KvUIListCtrlTest, AddRowOfAnExistingRowUpdatesItInPlace) {
    ASSERT_EQ(Make({}), KV_OK);
    AddThree();
    const BoundedStringList renamed = Texts({"Zwei", "/zwei"});
    EXPECT_EQ(list_->AddRow("r2", &renamed), KV_OK);
    EXPECT_EQ(list_->GetItemCount(), 3);
    EXPECT_EQ(list_->GetItemText(1, 0), "Zwei");
    EXPECT_EQ(list_->GetItemText(1, 1), "/zwei");
    const BoundedStringList imaged = Texts({"Four#2"});
    EXPECT_EQ(list_->AddRow("r4", &imaged), KV_OK);
    LVITEM item;
    item.mask = LVIF_IMAGE;
    item.iItem = 3;
    ASSERT_TRUE(list_->GetItem(&item));
    EXPECT_EQ(item.iImage, 2);
    EXPECT_EQ(list_->GetItemText(3, 0), "Four");
    EXPECT_EQ(list_->UpdateRow("r9", &imaged), KV_E_NOT_PRESENT);
}

TEST_F(KvUIListCtrlTest, AnEmptyTextListLeavesAnItemlessRowUntilRemoved) {
    ASSERT_EQ(Make({}), KV_OK);
    const BoundedStringList none;
    EXPECT_EQ(list_->AddRow("empty", &none), KV_E_FAIL);
    EXPECT_EQ(list_->GetItemCount(), 0);
    EXPECT_EQ(list_->GetRowMap().GetCount(), 1u);
    EXPECT_EQ(list_->AddRow("empty", &none), KV_E_ALREADY_PRESENT);
    EXPECT_EQ(list_->RemoveRow("empty"), KV_E_FAIL);  // no list item, yet the row goes
    EXPECT_EQ(list_->GetRowMap().GetCount(), 0u);
    const BoundedStringList some = Texts({"Back"});
    EXPECT_EQ(list_->AddRow("empty", &some), KV_OK);
    EXPECT_EQ(list_->AddRow("bad", nullptr), KV_E_INVALID_POINTER);
}

TEST_F(KvUIListCtrlTest, RemovingTheMiddleRowKeepsTheOthersFindable) {
    ASSERT_EQ(Make({}), KV_OK);
    AddThree();
    EXPECT_EQ(list_->RemoveRow("nothing"), KV_OK);
    EXPECT_EQ(list_->RemoveRow("r2"), KV_OK);
    EXPECT_EQ(list_->GetItemCount(), 2);
    input_.Click(RowPoint(1));
    Pump();
    ASSERT_FALSE(owner_.events.empty());
    EXPECT_EQ(skin::Describe(owner_.events.back()), From("ITEM_CLICKED_IDENTIFIER=r3", 2));
}

// Rows r0 to r4; the program may have moved list items itself before the
// removals. Each removal takes the list item that carries its row, and a
// click on the last line still names that line's row.
TEST_F(KvUIListCtrlTest, RemoveRowTakesTheListItemOfItsRowWhereverTheProgramMovedIt) {
    struct Case {
        const char* name;
        const char* program;  // "": nothing; "+": an item of its own at the top; "-": item 0 deleted
        std::vector<std::string> removed;
        std::vector<std::string> left;  // the list's first column, top down
    };
    const Case cases[] = {
        {"from the last row back", "", {"r4", "r3"}, {"R0", "R1", "R2"}},
        {"from the first row forward", "", {"r0", "r1"}, {"R2", "R3", "R4"}},
        {"after an item of the program's own", "+", {"r2", "r4"}, {"own", "R0", "R1", "R3"}},
        {"after the program deleted an item", "-", {"r3", "r1"}, {"R2", "R4"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        list_ = std::make_unique<HeaderNoting>();
        ASSERT_EQ(Make({}), KV_OK);
        for (int i = 0; i < 5; ++i) {
            const std::string text = "R" + std::to_string(i);
            const BoundedStringList texts = Texts({text.c_str(), "/"});
            ASSERT_EQ(list_->AddRow("r" + std::to_string(i), &texts), KV_OK);
        }
        if (std::string(c.program) == "+")
            list_->InsertItem(0, "own");
        else if (std::string(c.program) == "-")
            list_->DeleteItem(0);
        for (const std::string& identifier : c.removed)
            EXPECT_EQ(list_->RemoveRow(identifier), KV_OK) << identifier;
        std::vector<std::string> left;
        for (int i = 0; i < list_->GetItemCount(); ++i)
            left.push_back(list_->GetItemText(i, 0));
        EXPECT_EQ(left, c.left);
        owner_.events.clear();
        input_.Click(RowPoint(list_->GetItemCount() - 1));
        Pump();
        ASSERT_FALSE(owner_.events.empty());
        const std::string& last = c.left.back();
        EXPECT_EQ(skin::Describe(owner_.events.back()).substr(0, 26), "ITEM_CLICKED_IDENTIFIER=r" + last.substr(1));
    }
}

TEST_F(KvUIListCtrlTest, SelectRowLeavesTheViewWhereItIs) {
    ASSERT_EQ(Make({}), KV_OK);
    const BoundedStringList texts = Texts({"Row", "/r"});
    for (int i = 0; i < 40; ++i)
        ASSERT_EQ(list_->AddRow("r" + std::to_string(i), &texts), KV_OK);
    ASSERT_LT(list_->GetCountPerPage(), 39);
    EXPECT_EQ(list_->SelectRow("r39"), KV_OK);
    EXPECT_EQ(list_->GetTopIndex(), 0);
}

TEST_F(KvUIListCtrlTest, SelectRowAddsToTheSelectionAndTheIterationReturnsEveryRow) {
    ASSERT_EQ(Make({}), KV_OK);
    AddThree();
    EXPECT_EQ(list_->SelectRow("r1"), KV_OK);
    EXPECT_EQ(list_->SelectRow("r3"), KV_OK);
    EXPECT_EQ(list_->SelectRow("r7"), KV_E_NOT_PRESENT);
    std::vector<std::string> selected;
    int position = 0;
    ASSERT_TRUE(list_->GetFirstSelectedPosition(position));
    ItemCollection* row = nullptr;
    while (list_->GetNextSelectedRow(row, position))
        selected.push_back(row ? row->GetIdentifier() : "?");
    EXPECT_EQ(selected, (std::vector<std::string>{"r1", "r3"}));
    EXPECT_EQ(row, nullptr);
}

TEST_F(KvUIListCtrlTest, ClicksReportRowsOrAnEmptyIdentifierAndValuesCountUpAcrossKinds) {
    ASSERT_EQ(Make({}), KV_OK);
    AddThree();
    input_.Click(InputDriver::ScreenPoint(list_->m_hWnd, CPoint(20, 180)));  // below the rows
    input_.Click(RowPoint(0));
    input_.DoubleClick(RowPoint(2));
    Pump();
    EXPECT_EQ(owner_.Described(), (std::vector<std::string>{
                                      From("ITEM_CLICKED_IDENTIFIER=", 1),
                                      From("ITEM_STATE_CHANGED=", 2),
                                      From("ITEM_CLICKED_IDENTIFIER=r1", 3),
                                      From("ITEM_STATE_CHANGED=", 4),
                                      From("ITEM_STATE_CHANGED=", 5),
                                      From("ITEM_CLICKED_IDENTIFIER=r3", 6),
                                      From("ITEM_DOUBLECLICKED_IDENTIFIER=r3", 7),
                                  }));
}

TEST_F(KvUIListCtrlTest, HeaderClicksAsAnsiSendNothingAsWideTheColumn) {
    ASSERT_EQ(Make({}), KV_OK);
    NMHEADER ansi;
    ansi.hdr.code = HDN_ITEMCLICKA;
    ansi.iItem = 1;
    LRESULT result = 5;
    list_->OnHeaderItemClickA(&ansi.hdr, &result);
    EXPECT_EQ(result, 0);
    CRect second;
    ::SendMessage(list_->GetHeaderCtrl(), HDM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&second));
    input_.Click(InputDriver::ScreenPoint(list_->GetHeaderCtrl(), second.CenterPoint()));
    Pump();
    EXPECT_EQ(list_->clicked, (std::vector<int>{1, 1}));
    EXPECT_EQ(owner_.Described(), std::vector<std::string>{From("HEADER_ITEM_CLICKED_INDEX=#1", 1)});
    NMLVODSTATECHANGE range;
    range.hdr.code = LVN_ODSTATECHANGED;
    EXPECT_TRUE(list_->OnNotifyReflect(&range.hdr, &result));
    Pump();
    EXPECT_EQ(owner_.Described().back(), From("ITEM_STATE_CHANGED=", 2));
}

TEST_F(KvUIListCtrlTest, WithoutOwnerOnlyStateAndEmptyClicksCountAndANullRouterSendsNothing) {
    ASSERT_EQ(Make({}, "L", false), KV_OK);
    AddThree();
    input_.Click(RowPoint(0));  // a state change, and a row that needs the owner
    input_.Click(InputDriver::ScreenPoint(list_->m_hWnd, CPoint(20, 180)));
    Pump();
    EXPECT_TRUE(owner_.events.empty());
    EXPECT_EQ(list_->GetEventCounter(), 3u);  // two state changes, the empty click
    list_->SetEventTarget(nullptr, kListEndpoint);
    list_->m_nOwnerEndpoint = EventOwner::kEndpoint;
    input_.Click(RowPoint(1));
    Pump();
    EXPECT_EQ(list_->GetEventCounter(), 3u);
    EXPECT_TRUE(owner_.events.empty());
}

TEST_F(KvUIListCtrlTest, BadParentsAndDescriptionsFailCleanly) {
    EXPECT_EQ(list_->CreateFromDescription(nullptr, TRUE), KV_E_INVALID_POINTER);
    EXPECT_EQ(Make({}, "Missing"), KV_OK);  // made from the defaults
    EXPECT_TRUE(list_->IsWindow());
    EXPECT_EQ(list_->CListCtrl::GetStyle(), 0x50800001u);
    EXPECT_EQ(ColumnCount(), 0);
    list_.reset(new HeaderNoting);
    EXPECT_EQ(Make({{"positiony", "2147483647"}}), KV_E_FAIL);
    EXPECT_EQ(list_->GetWindowRectangle().bottom, INT32_MIN + 198);
    CKvUIListCtrl orphan;
    EXPECT_EQ(orphan.ApplyDescription(), KV_E_INVALID_POINTER);
}

}  // namespace
