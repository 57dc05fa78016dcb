#include "controls/item_collection.h"

#include "platform/pointer.h"

KvResult ItemCollection::GetItemAt(UIItem*& out, std::size_t index) {
    if (index >= items_.size())
        return result_ = KV_E_FAIL;
    out = items_[index].get();
    return result_ = KV_OK;
}

KvResult ItemCollection::FindItemByText(UIItem*& out, const std::string& text) {
    for (const std::unique_ptr<UIItem>& item : items_) {
        if (item->GetText() == text) {
            out = item.get();
            return result_ = KV_OK;
        }
    }
    out = nullptr;
    return result_ = KV_E_FAIL;
}

KvResult ItemCollection::CreateItem(UIItem*& out) {
    switch (item_kind_) {
    case kListItemKind:
        out = new ListItem;
        return result_ = KV_OK;
    case kComboItemKind:
        out = new ComboItem;
        return result_ = KV_OK;
    default:
        out = nullptr;
        return result_ = KV_E_INVALID_POINTER;
    }
}

KvResult ItemCollection::DeleteItem(UIItem* item) {
    if (!IsValidPtr(item))
        return result_ = KV_E_INVALID_POINTER;
    const std::int32_t kind = item->GetItemKind();
    if (kind != kListItemKind && kind != kComboItemKind)
        return result_ = KV_E_FAIL;
    delete item;
    return result_ = KV_OK;
}

KvResult ItemCollection::RemoveAll() {
    items_.clear();
    return result_ = KV_OK;
}

void ItemCollection::AppendItem(const std::string& text, std::int32_t& column) {
    std::string label;
    std::int32_t image = -1;
    UIItem::SplitLabel(text, label, image);
    UIItem* created = nullptr;
    if (CreateItem(created) != KV_OK)
        return;
    std::unique_ptr<UIItem> item(created);
    if (items_.empty())
        item->SetParam(reinterpret_cast<LPARAM>(this));
    item->SetPosition(row_number_, column++);
    item->SetTextAndImage(label, image);
    items_.push_back(std::move(item));
}

KvResult ItemCollection::SetFromTextList(std::int32_t row_number, const std::string& identifier,
                                         const BoundedStringList& texts, std::int32_t item_kind) {
    result_ = KV_OK;
    item_kind_ = item_kind;
    RemoveAll();
    row_number_ = row_number;
    identifier_ = identifier;
    std::int32_t column = 0;
    std::string text;
    BoundedStringList::Position position = BoundedStringList::kNoPosition;
    texts.GetHeadPosition(position);
    while (texts.GetNext(text, position))
        AppendItem(text, column);
    return result_;
}

KvResult ItemCollection::SetFromText(std::int32_t row_number, const std::string& identifier,
                                     const std::string& text, std::int32_t item_kind) {
    result_ = KV_OK;
    item_kind_ = item_kind;
    RemoveAll();
    row_number_ = row_number;
    identifier_ = identifier;
    std::int32_t column = 0;
    AppendItem(text, column);
    return result_;
}

KvResult ItemCollection::SetItemTexts(const BoundedStringList& texts) {
    std::string text;
    std::string label;
    std::int32_t image = -1;
    BoundedStringList::Position position = BoundedStringList::kNoPosition;
    texts.GetHeadPosition(position);
    for (const std::unique_ptr<UIItem>& item : items_) {
        if (!texts.GetNext(text, position))
            break;
        UIItem::SplitLabel(text, label, image);
        item->SetTextAndImage(label, image);
    }
    return result_ = KV_OK;
}

bool ItemCollection::GetHeadPosition(Position& position) const {
    position = items_.empty() ? 0 : 1;
    return position != 0;
}

bool ItemCollection::GetNext(UIItem*& out, Position& position) const {
    if (position == 0 || position > items_.size())
        return false;
    out = items_[position - 1].get();
    position = position < items_.size() ? position + 1 : 0;
    return true;
}

bool ItemCollection::GetFirst(UIItem*& out, Position& position) const {
    GetHeadPosition(position);
    return GetNext(out, position);
}
