#include "guidesc/ui_object_catalog_type.h"

#include "guidesc/ui_object_button_group_line.h"
#include "guidesc/ui_object_button_line.h"
#include "guidesc/ui_object_check_box.h"
#include "guidesc/ui_object_combo_box_ex.h"
#include "guidesc/ui_object_dialog.h"
#include "guidesc/ui_object_edit.h"
#include "guidesc/ui_object_image_button.h"
#include "guidesc/ui_object_list_box.h"
#include "guidesc/ui_object_list_ctrl.h"
#include "guidesc/ui_object_property_sheet.h"
#include "guidesc/ui_object_static.h"
#include "guidesc/ui_object_static_group_box.h"
#include "guidesc/ui_object_string.h"
#include "guidesc/ui_object_tree_ctrl.h"
#include "guidesc/ui_object_xp_button.h"
#include "platform/pointer.h"

#include <iterator>

namespace {

template <typename Description> CKvUIObject* Create() {
    return new Description(nullptr, 0, nullptr);
}

template <typename Description>
constexpr UIObjectTypeRow Row(std::uint32_t code, std::uint32_t capacity, bool read = true) {
    return UIObjectTypeRow{code, UIObjectElementName(code), capacity, &Create<Description>, read};
}

constexpr UIObjectTypeRow kTypes[] = {
    Row<CKvUIObjectDialog>(kUIObjectDialog, 128),
    Row<CKvUIObjectXPButton>(kUIObjectXPButton, 512),
    Row<CKvUIObjectImageButton>(kUIObjectImageButton, 256),
    Row<CKvUIObjectStaticGroupBox>(kUIObjectStaticGroupBox, 256),
    Row<CKvUIObjectStatic>(kUIObjectStatic, 512),
    Row<CKvUIObjectEdit>(kUIObjectEdit, 256),
    Row<CKvUIObjectCheckBox>(kUIObjectCheckBox, 256),
    Row<CKvUIObjectButtonLine>(kUIObjectButtonLine, 16),
    Row<CKvUIObjectPropertySheet>(kUIObjectPropertySheet, 16),
    Row<CKvUIObjectListCtrl>(kUIObjectListCtrl, 256),
    Row<CKvUIObjectComboBoxEx>(kUIObjectComboBoxEx, 256),
    // Registered and created, but the loader reads no tree elements.
    Row<CKvUIObjectTreeCtrl>(kUIObjectTreeCtrl, 256, false),
    Row<CKvUIObjectListBox>(kUIObjectListBox, 256),
    Row<CKvUIObjectString>(kUIObjectString, 1024),
    Row<CKvUIObjectButtonGroupLine>(kUIObjectButtonGroupLine, 16),
};

static_assert(std::size(kTypes) == 15);

const UIObjectTypeRow* FindRow(std::uint32_t type_code) {
    if (type_code < 1 || type_code > std::size(kTypes))
        return nullptr;
    return &kTypes[type_code - 1];
}

} // namespace

std::span<const UIObjectTypeRow> UIObjectTypeTable() {
    return kTypes;
}

CKvUIObjectCatalogType::CKvUIObjectCatalogType(std::uint32_t type_code, std::uint32_t flags,
                                               std::uint32_t capacity, std::string_view tag,
                                               CKvUIObjectCatalog* catalog,
                                               UIObjectIdMap* catalog_id_map) {
    Set(type_code, flags, capacity, tag, catalog, catalog_id_map);
}

void CKvUIObjectCatalogType::Set(std::uint32_t type_code, std::uint32_t flags,
                                 std::uint32_t capacity, std::string_view tag,
                                 CKvUIObjectCatalog* catalog, UIObjectIdMap* catalog_id_map) {
    type_code_ = type_code;
    flags_ = flags;
    capacity_ = capacity;
    tag_.assign(tag);
    catalog_ = catalog;
    catalog_id_map_ = catalog_id_map;
    by_identifier_.reserve(capacity);
}

void CKvUIObjectCatalogType::Clear() {
    RemoveAll();
    type_code_ = 0;
    flags_ = 0;
    capacity_ = 0;
    tag_.clear();
    result_ = KV_OK;
    catalog_ = nullptr;
    catalog_id_map_ = nullptr;
}

void UIObjectIdMap::Set(std::uint32_t id, CKvUIObject* description) {
    entries_.emplace_back(id, description);
    ++count_;
}

bool UIObjectIdMap::Remove(const CKvUIObject* description) {
    for (auto entry = entries_.rbegin(); entry != entries_.rend(); ++entry) {
        if (entry->second != description)
            continue;
        entry->second = nullptr;
        --count_;
        if (entries_.size() > 2 * count_ + 16)
            std::erase_if(entries_, [](const Entry& e) { return e.second == nullptr; });
        return true;
    }
    return false;
}

void CKvUIObjectCatalogType::ForgetId(const CKvUIObject* description) {
    if (catalog_id_map_ != nullptr)
        catalog_id_map_->Remove(description);
}

KvResult CKvUIObjectCatalogType::Add(CKvUIObject* description) {
    result_ = KV_OK;
    if (by_identifier_.size() >= capacity_)
        return result_ = KV_E_LIST_FULL;
    if (!IsValidPtr(description))
        return result_ = KV_E_INVALID_POINTER;
    if (description->GetTypeCode() != type_code_)
        return result_ = KV_E_WRONG_RECORD_TYPE;
    auto [filed, added] = by_identifier_.try_emplace(description->GetIdentifier());
    // Filing the filed description again must not delete it.
    if (filed->second.get() == description)
        return result_;
    description->SetOwner(catalog_);
    if (!added)
        ForgetId(filed->second.get());
    filed->second.reset(description);
    if (catalog_id_map_ != nullptr)
        catalog_id_map_->Set(description->GetId(), description);
    return result_;
}

BOOL CKvUIObjectCatalogType::Lookup(CKvUIObject*& out, const std::string& identifier) const {
    auto found = by_identifier_.find(identifier);
    out = found != by_identifier_.end() ? found->second.get() : nullptr;
    return out != nullptr ? TRUE : FALSE;
}

KvResult CKvUIObjectCatalogType::CreateDescription(CKvUIObject*& out, std::uint32_t type_code) {
    out = nullptr;
    const UIObjectTypeRow* row = FindRow(type_code == 0 ? type_code_ : type_code);
    if (row == nullptr)
        return result_ = KV_E_NO_CLASS;
    out = row->create();
    return result_ = KV_OK;
}

BOOL CKvUIObjectCatalogType::DeleteDescription(CKvUIObject* description) {
    if (!IsValidPtr(description)) {
        result_ = KV_E_INVALID_POINTER;
        return FALSE;
    }
    if (FindRow(description->GetTypeCode()) == nullptr) {
        result_ = KV_E_NO_CLASS;
        return FALSE;
    }
    delete description;
    return TRUE;
}

void CKvUIObjectCatalogType::RemoveAll() {
    if (catalog_id_map_ != nullptr && !catalog_id_map_->empty())
        for (auto& [identifier, description] : by_identifier_)
            ForgetId(description.get());
    // Deleting thousands of descriptions waits on each one's memory in turn:
    // the next one is asked for while the current one is deleted.
    constexpr std::size_t kLine = 64;
    constexpr std::size_t kPrefetchBytes = 512;
    for (auto entry = by_identifier_.begin(); entry != by_identifier_.end();) {
        const auto next = std::next(entry);
        if (next != by_identifier_.end() && next->second != nullptr) {
            const char* bytes = reinterpret_cast<const char*>(next->second.get());
            for (std::size_t offset = 0; offset < kPrefetchBytes; offset += kLine)
                __builtin_prefetch(bytes + offset);
        }
        entry->second.reset();
        entry = next;
    }
    by_identifier_.clear();
}
