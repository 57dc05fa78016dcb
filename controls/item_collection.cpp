#include "controls/item_collection.h"

#include "platform/pointer.h"

KvResult ItemCollection::GetItemAt(UIItem*& out, std::size_t index) {
    if (index >= m_items.size())
        return m_nResult = KV_E_FAIL;
    out = m_items[index];
    return m_nResult = KV_OK;
}

KvResult ItemCollection::FindItemByText(UIItem*& out, const std::string& text) {
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        if (UIItem* item = m_items[i]; item->GetText() == text) {
            out = item;
            return m_nResult = KV_OK;
        }
    }
    out = nullptr;
    return m_nResult = KV_E_FAIL;
}

KvResult ItemCollection::CreateItem(UIItem*& out) {
    switch (m_nItemKind) {
    case kListItemKind:
        out = new ListItem;
        return m_nResult = KV_OK;
    case kComboItemKind:
        out = new ComboItem;
        return m_nResult = KV_OK;
    default:
        out = nullptr;
        return m_nResult = KV_E_INVALID_POINTER;
    }
}

KvResult ItemCollection::DeleteItem(UIItem* item) {
    if (!IsValidPtr(item))
        return m_nResult = KV_E_INVALID_POINTER;
    const std::int32_t kind = item->GetItemKind();
    if (kind != kListItemKind && kind != kComboItemKind)
        return m_nResult = KV_E_FAIL;
    delete item;
    return m_nResult = KV_OK;
}

KvResult ItemCollection::RemoveAll() {
    const bool had_items = !m_items.empty();
    m_items.clear();
    if (had_items)
        FirstItemReplaced();
    return m_nResult = KV_OK;
}

void ItemCollection::AppendItem(const std::string& text, std::int32_t& column) {
    std::string label;
    std::int32_t image = -1;
    UIItem::SplitLabel(text, label, image);
    UIItem* created = nullptr;
    if (CreateItem(created) != KV_OK)
        return;
    std::unique_ptr<UIItem> item(created);
    if (m_items.empty())
        item->SetParam(reinterpret_cast<LPARAM>(this));
    item->SetPosition(m_nRowNumber, column++);
    item->SetTextAndImage(label, image);
    item->m_pHolder = this;
    m_items.push_back(std::move(item));
}

KvResult ItemCollection::SetFromTextList(std::int32_t row_number, const std::string& identifier,
                                         const BoundedStringList& texts, std::int32_t item_kind) {
    m_nResult = KV_OK;
    m_nItemKind = item_kind;
    RemoveAll();
    m_nRowNumber = row_number;
    m_strIdentifier = identifier;
    std::int32_t column = 0;
    std::string text;
    BoundedStringList::Position position = BoundedStringList::kNoPosition;
    texts.GetHeadPosition(position);
    while (texts.GetNext(text, position))
        AppendItem(text, column);
    if (!m_items.empty())
        FirstItemReplaced();
    return m_nResult;
}

KvResult ItemCollection::SetFromText(std::int32_t row_number, const std::string& identifier,
                                     const std::string& text, std::int32_t item_kind) {
    m_nResult = KV_OK;
    m_nItemKind = item_kind;
    RemoveAll();
    m_nRowNumber = row_number;
    m_strIdentifier = identifier;
    std::int32_t column = 0;
    AppendItem(text, column);
    if (!m_items.empty())
        FirstItemReplaced();
    return m_nResult;
}

KvResult ItemCollection::SetItemTexts(const BoundedStringList& texts) {
    std::string text;
    std::string label;
    std::int32_t image = -1;
    BoundedStringList::Position position = BoundedStringList::kNoPosition;
    texts.GetHeadPosition(position);
    for (std::size_t i = 0; i < m_items.size() && texts.GetNext(text, position); ++i) {
        UIItem::SplitLabel(text, label, image);
        m_items[i]->SetTextAndImage(label, image);
    }
    return m_nResult = KV_OK;
}

bool ItemCollection::GetHeadPosition(Position& position) const {
    position = m_items.empty() ? 0 : 1;
    return position != 0;
}

bool ItemCollection::GetNext(UIItem*& out, Position& position) const {
    if (position == 0 || position > m_items.size())
        return false;
    out = m_items[position - 1];
    position = position < m_items.size() ? position + 1 : 0;
    return true;
}

bool ItemCollection::GetFirst(UIItem*& out, Position& position) const {
    GetHeadPosition(position);
    return GetNext(out, position);
}
