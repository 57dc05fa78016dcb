#include "controls/kv_ui_list_ctrl.h"

#include "controls/control_description.h"
#include "controls/router_endpoint.h"
#include "framework/message.h"
#include "framework/message_router.h"
#include "framework/named_value.h"
#include "framework/payload_registry.h"
#include "platform/number_parse.h"
#include "platform/text.h"

#include <algorithm>
#include <cmath>

namespace {

// "title:fraction": the fraction needs at least one character after the
// first ":", else the whole name is the title.
bool SplitHeaderName(const std::string& name, std::string& title, float& fraction) {
    const std::int32_t colon = FindChar(name, ':');
    if (colon < 0 || colon + 1 >= static_cast<std::int32_t>(name.size())) {
        title = name;
        return false;
    }
    title = Left(name, colon);
    fraction = static_cast<float>(ParseDouble(Mid(name, colon + 1)));
    return true;
}

}  // namespace

std::vector<KvColumnLayout> KvLayoutColumns(const BoundedStringList& names, std::int32_t width) {
    std::vector<KvColumnLayout> columns;
    std::vector<float> fractions;
    const std::uint32_t count = names.GetCount();
    if (count == 0)
        return columns;
    const float equal = 1.0f / static_cast<float>(count);
    float sum = 0.0f;
    BoundedStringList::Position position = BoundedStringList::kNoPosition;
    std::string name;
    for (bool more = names.GetHeadPosition(position); more && names.GetNext(name, position);
         more = position != BoundedStringList::kNoPosition) {
        KvColumnLayout column;
        float fraction = equal;
        SplitHeaderName(name, column.title, fraction);
        fractions.push_back(fraction);
        columns.push_back(std::move(column));
        sum += fraction;
    }
    const bool shares = std::isfinite(sum) && sum > 0.0f;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        float share = shares ? fractions[c] / sum : equal;
        share = std::isfinite(share) ? std::clamp(share, 0.0f, 1.0f) : 0.0f;
        columns[c].width = static_cast<std::int32_t>(share * static_cast<float>(width));
    }
    return columns;
}

CKvUIListCtrl::CKvUIListCtrl() : CKvUIObjectListCtrl(nullptr, 0, nullptr) {}

CKvUIListCtrl::~CKvUIListCtrl() {
    if (IsWindow())
        DestroyWindow();
}

KvResult CKvUIListCtrl::ApplyDescription() {
    CKvUIObject* found = nullptr;
    result_ = KvFindDescription(*this, kUIObjectListCtrl, found);
    if (result_ == KV_E_INVALID_POINTER)
        return result_;
    if (KvFailed(result_))
        return result_ = KV_E_FAIL;
    CopyDescription(static_cast<CKvUIObjectListCtrl*>(found));
    CRect client;
    KvDescriptionRects(found->GetPositionX(), found->GetPositionY(), found->GetWidth(), found->GetHeight(),
                       m_rectWindow, client);
    m_nListExStyle = GetListCtrlExStyle();
    m_nWindowStyle = GetListCtrlStyle() | GetWindowStyle();
    SetChildIdentifierListText(GetChildIdentifierList());
    m_nControlId = found->GetUiid();
    m_headerNames = GetHeaderNameList();
    return result_ = KV_OK;
}

void CKvUIListCtrl::CopyDescription(CKvUIObjectListCtrl* description) {
    if (!IsValidPtr(description))
        return;
    CKvUIObjectListCtrl& from = *description;
    GetBackgroundColor() = from.GetBackgroundColor();
    GetTransparentColor() = from.GetTransparentColor();
    SetBackgroundImageText(from.GetBackgroundImageFile());
    GetFlagSizeFollowBackgroundImage() = from.GetFlagSizeFollowBackgroundImage();
    GetFlagBackgroundImageHasTransparent() = from.GetFlagBackgroundImageHasTransparent();
    GetFlagBackgroundImageIsPacked() = from.GetFlagBackgroundImageIsPacked();
    GetFlagBackgroundWallpaper() = from.GetFlagBackgroundWallpaper();
    GetHeight() = from.GetHeight();
    GetWidth() = from.GetWidth();
    GetPositionX() = from.GetPositionX();
    GetPositionY() = from.GetPositionY();
    GetRoundEdgeX() = from.GetRoundEdgeX();
    GetRoundEdgeY() = from.GetRoundEdgeY();
    GetChildIdentifierList() = from.GetChildIdentifierList();
    GetBackgroundColorRangeStart() = from.GetBackgroundColorRangeStart();
    SetListCtrlStyle(from.GetListCtrlStyle());
    SetBorderImageText(from.GetBorderImageFile());
    GetHeaderNameList() = from.GetHeaderNameList();
    SetWindowStyle(from.GetWindowStyle());
    SetListCtrlExStyle(from.GetListCtrlExStyle());
}

KvResult CKvUIListCtrl::CreateFromDescription(CWnd* parent, BOOL apply) {
    result_ = KvCreateFromDescription(parent, apply, [this] { ApplyDescription(); }, [&] {
        return CListCtrl::CreateEx(m_nListExStyle, m_nWindowStyle, m_rectWindow, parent, m_nControlId);
    });
    if (KvFailed(result_))
        return result_;
    InsertColumns();
    SetExtendedStyle(m_nListExStyle, 0);
    return result_ = KV_OK;
}

KvResult CKvUIListCtrl::InsertColumns() {
    CRect window;
    GetWindowRect(&window);
    std::vector<KvColumnLayout> columns = KvLayoutColumns(m_headerNames, window.Width());
    for (std::size_t c = 0; c < columns.size(); ++c) {
        // A title that names a string description shows that string.
        KvResolveText(GetOwner(), columns[c].title);
        InsertColumn(static_cast<int>(c), columns[c].title.c_str(), LVCFMT_LEFT, columns[c].width, 0);
    }
    return KV_OK;
}

int CKvUIListCtrl::FindRowItem(const ItemCollection* row) const {
    LVFINDINFO find;
    find.flags = LVFI_PARAM;
    find.lParam = reinterpret_cast<LPARAM>(row);
    return FindItem(&find, -1);
}

KvResult CKvUIListCtrl::AddRow(std::string identifier, const BoundedStringList* texts) {
    if (!IsValidPtr(texts))
        return result_ = KV_E_INVALID_POINTER;
    if (UpdateRow(identifier, texts) == KV_OK)
        return result_ = KV_OK;
    ItemCollection* row = nullptr;
    result_ = m_rows.AddEntryFromTextList(row, identifier, *texts);
    if (KvFailed(result_))
        return result_;
    UIItem* first = nullptr;
    if (KvFailed(row->GetItemAt(first, 0)))
        return result_ = KV_E_FAIL;  // the itemless row stays in the map
    // Inserted from a copy: the item's index changes once, to where it went.
    LVITEM record = *static_cast<ListItem*>(first)->GetRecord();
    record.iItem = static_cast<std::int32_t>(m_rows.GetCount());
    const int index = InsertItem(&record);
    first->SetIndex(index);
    static_cast<ListItem*>(first)->GetRecord()->lParam = reinterpret_cast<LPARAM>(row);
    ItemCollection::Position position;
    UIItem* item = nullptr;
    row->GetHeadPosition(position);
    row->GetNext(item, position);  // the first, inserted above
    while (row->GetNext(item, position)) {
        item->SetIndex(index);
        LVITEM* further = static_cast<ListItem*>(item)->GetRecord();
        further->lParam = reinterpret_cast<LPARAM>(row);
        SetItem(further);
    }
    return result_;
}

KvResult CKvUIListCtrl::UpdateRow(std::string identifier, const BoundedStringList* texts) {
    if (!IsValidPtr(texts))
        return result_ = KV_E_INVALID_POINTER;
    ItemCollection* row = nullptr;
    if (KvFailed(m_rows.Lookup(row, identifier)))
        return result_ = KV_E_NOT_PRESENT;
    row->SetItemTexts(*texts);
    const int index = FindRowItem(row);
    if (index < 0)
        return result_ = KV_E_NOT_PRESENT;
    result_ = row->GetCount() == 0 ? KV_E_FAIL : KV_OK;
    ItemCollection::Position position;
    UIItem* item = nullptr;
    int column = 0;
    for (bool more = row->GetHeadPosition(position); more && row->GetNext(item, position); ++column)
        SetItemText(index, column, item->GetText().c_str());
    RedrawItems(index, index);
    return result_;
}

KvResult CKvUIListCtrl::LookupRow(ItemCollection*& row, const std::string& identifier) {
    return result_ = m_rows.Lookup(row, identifier);
}

KvResult CKvUIListCtrl::SelectRow(const std::string& identifier) {
    ItemCollection* row = nullptr;
    if (KvFailed(LookupRow(row, identifier)))
        return result_ = KV_E_NOT_PRESENT;
    const int index = FindRowItem(row);
    if (index < 0 || !SetItemState(index, LVIS_SELECTED, LVIS_SELECTED))
        return result_ = KV_E_FAIL;
    return result_ = KV_OK;
}

KvResult CKvUIListCtrl::RemoveRow(std::string identifier) {
    ItemCollection* row = nullptr;
    if (KvFailed(m_rows.Lookup(row, identifier)))
        return result_ = KV_OK;
    // The row's own index names its list item unless the program moved list
    // items itself; only then is the list searched.
    std::int32_t stored = -1;
    const bool at_stored = row->GetFirstIndex(stored) && stored >= 0 && stored < GetItemCount() &&
                           GetItemData(stored) == reinterpret_cast<LPARAM>(row);
    const int index = at_stored ? stored : FindRowItem(row);
    const bool deleted = index >= 0 && DeleteItem(index);
    const KvResult removed = m_rows.RemoveEntry(row);
    return result_ = deleted ? removed : KV_E_FAIL;
}

BOOL CKvUIListCtrl::GetFirstSelectedPosition(int& position) const {
    position = GetNextItem(-1, LVNI_SELECTED) + 1;
    return position != 0 ? TRUE : FALSE;
}

BOOL CKvUIListCtrl::GetNextSelectedRow(ItemCollection*& row, int& position) const {
    if (position == 0) {
        row = nullptr;
        return FALSE;
    }
    const int index = position - 1;
    position = GetNextItem(index, LVNI_SELECTED) + 1;
    auto* data = reinterpret_cast<ItemCollection*>(GetItemData(index));
    row = IsValidPtr(data) ? data : nullptr;
    return TRUE;
}

void CKvUIListCtrl::OnHeaderItemClicked(int) {}

void CKvUIListCtrl::SendEvent(const char* name, const std::string& text, std::uint32_t number, bool is_number,
                              bool needs_owner) {
    if (needs_owner && m_nOwnerEndpoint == 0)
        return;
    KvSendControlEvent(m_pRouter, m_nOwnerEndpoint, m_nEndpoint, m_nEventCounter, name, text,
                       is_number ? std::optional<std::uint32_t>(number) : std::nullopt);
}

void CKvUIListCtrl::OnHeaderItemClickA(NMHDR* header, LRESULT* result) {
    if (header != nullptr)
        OnHeaderItemClicked(reinterpret_cast<NMHEADER*>(header)->iItem);
    if (result != nullptr)
        *result = 0;
}

void CKvUIListCtrl::OnHeaderItemClickW(NMHDR* header, LRESULT* result) {
    if (header != nullptr) {
        const int column = reinterpret_cast<NMHEADER*>(header)->iItem;
        OnHeaderItemClicked(column);
        SendEvent("HEADER_ITEM_CLICKED_INDEX", "", static_cast<std::uint32_t>(column), true, true);
    }
    if (result != nullptr)
        *result = 0;
}

void CKvUIListCtrl::OnItemChanged(NMHDR*, LRESULT* result) {
    SendEvent("ITEM_STATE_CHANGED", "", 0, false, false);
    if (result != nullptr)
        *result = 0;
}

void CKvUIListCtrl::OnODStateChanged(NMHDR*, LRESULT* result) {
    SendEvent("ITEM_STATE_CHANGED", "", 0, false, false);
    if (result != nullptr)
        *result = 0;
}

void CKvUIListCtrl::SendClickEvent(const char* name, NMHDR* header) {
    if (header == nullptr)
        return;
    const auto* activate = reinterpret_cast<const NMITEMACTIVATE*>(header);
    if (activate->iItem < 0 || activate->iSubItem < 0) {
        SendEvent(name, "", 0, false, false);
        return;
    }
    auto* row = reinterpret_cast<ItemCollection*>(GetItemData(activate->iItem));
    if (IsValidPtr(row))
        SendEvent(name, row->GetIdentifier(), 0, false, true);
}

void CKvUIListCtrl::OnClick(NMHDR* header, LRESULT* result) {
    SendClickEvent("ITEM_CLICKED_IDENTIFIER", header);
    if (result != nullptr)
        *result = 0;
}

void CKvUIListCtrl::OnDblClk(NMHDR* header, LRESULT* result) {
    SendClickEvent("ITEM_DOUBLECLICKED_IDENTIFIER", header);
    if (result != nullptr)
        *result = 0;
}

BOOL CKvUIListCtrl::OnNotifyReflect(NMHDR* header, LRESULT* result) {
    if (header == nullptr)
        return FALSE;
    const UINT code = header->code;
    if (code == LVN_ITEMCHANGED)
        OnItemChanged(header, result);
    else if (code == LVN_ODSTATECHANGED)
        OnODStateChanged(header, result);
    else if (code == NM_CLICK)
        OnClick(header, result);
    else if (code == NM_DBLCLK)
        OnDblClk(header, result);
    else
        return FALSE;
    return TRUE;
}

BOOL CKvUIListCtrl::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) {
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (header != nullptr && header->idFrom == 0 && header->code == HDN_ITEMCLICKA) {
        OnHeaderItemClickA(header, result);
        return TRUE;
    }
    if (header != nullptr && header->idFrom == 0 && header->code == HDN_ITEMCLICKW) {
        OnHeaderItemClickW(header, result);
        return TRUE;
    }
    return CListCtrl::OnNotify(wParam, lParam, result);
}
