#include "controls/ui_item.h"

#include "controls/item_collection.h"

#include "platform/number_parse.h"

#include <algorithm>
#include <utility>

namespace {

// Both records carry text and image alike; only their mask bits differ.
template <typename Record>
void SetRecordTextAndImage(Record& record, char* text, std::int32_t image, UINT text_bit,
                           UINT image_bit) {
    record.pszText = text;
    record.mask |= text_bit;
    if (image < 0) {
        record.iImage = 0;
        record.mask &= ~image_bit;
    } else {
        record.iImage = image;
        record.mask |= image_bit;
    }
}

} // namespace

void UIItem::SplitLabel(std::string_view text, std::string& label, std::int32_t& image) {
    const std::size_t hash = text.find('#');
    if (hash == std::string_view::npos || hash + 1 == text.size()) {
        label.assign(text);
        image = -1;
        return;
    }
    image = AtoI32(text.substr(hash + 1));
    label.assign(text.substr(0, hash));
}

void UIItem::IndexChanged() {
    if (m_pHolder != nullptr)
        m_pHolder->OnItemIndexChanged(*this);
}

char* UIItem::StoreText(const std::string& text) {
    // One block of the size asked for: assigning and then reserving took two,
    // the second rounded up to twice the first.
    const std::size_t room = std::max(kMinimumBuffer, text.size());
    if (m_strText.capacity() < room) {
        std::string stored(room, '\0');
        stored.assign(text);  // the text may be this item's own
        m_strText = std::move(stored);
    } else {
        m_strText.assign(text);
    }
    return m_strText.data();
}

KvResult ComboItem::SetParam(LPARAM value) {
    m_record.lParam = value;
    m_record.mask |= CBEIF_LPARAM;
    return KV_OK;
}

KvResult ComboItem::SetPosition(std::int32_t item, std::int32_t /*sub_item*/) {
    m_record.iItem = item;
    IndexChanged();
    return KV_OK;
}

KvResult ComboItem::SetTextAndImage(const std::string& text, std::int32_t image) {
    SetRecordTextAndImage(m_record, StoreText(text), image, CBEIF_TEXT, CBEIF_IMAGE);
    return KV_OK;
}

ListItem::ListItem() : UIItem(kListItemKind) {
    m_record.stateMask = 0xFFFFFFFFu;
}

KvResult ListItem::SetParam(LPARAM value) {
    m_record.lParam = value;
    m_record.mask |= LVIF_PARAM;
    return KV_OK;
}

KvResult ListItem::SetPosition(std::int32_t item, std::int32_t sub_item) {
    m_record.iItem = item;
    m_record.iSubItem = sub_item;
    IndexChanged();
    return KV_OK;
}

KvResult ListItem::SetTextAndImage(const std::string& text, std::int32_t image) {
    SetRecordTextAndImage(m_record, StoreText(text), image, LVIF_TEXT, LVIF_IMAGE);
    return KV_OK;
}
