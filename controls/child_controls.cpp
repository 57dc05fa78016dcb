#include "controls/child_controls.h"

#include "controls/kv_ui_static.h"
#include "controls/kv_ui_static_group_box.h"
#include "core/string_tokenizer.h"

KvResult KvChildControls::Create(CKvUIObjectCatalog* catalog, const std::string& identifiers,
                                 CWnd* parent, CDC* parentBackground) {
    if (!IsValidPtr(catalog) || identifiers.empty())
        return KV_OK;
    StringTokenizer tokenizer;
    if (KvFailed(tokenizer.Init(identifiers, ",")))
        return KV_OK;
    KvResult result = KV_OK;
    std::int32_t position = 0;
    std::string identifier;
    for (std::size_t looked = 0; looked < kTokenLimit && position >= 0; ++looked) {
        if (KvFailed(tokenizer.NextToken(identifier, position, true)))
            break;
        if (Find(identifier) != nullptr)
            continue;
        if (m_entries.size() >= kLimit) {
            result = KV_E_LIST_FULL;
            continue;
        }
        CKvUIObject* description = nullptr;
        if (!catalog->FindByIdentifier(description, identifier) || !IsValidPtr(description))
            continue;
        const std::uint32_t type = description->GetTypeCode();
        if (type != kUIObjectStaticGroupBox && type != kUIObjectStatic)
            continue;
        result = CreateOne(type, catalog, identifier, parent, parentBackground);
    }
    return result;
}

KvResult KvChildControls::CreateOne(std::uint32_t type, CKvUIObjectCatalog* catalog,
                                    const std::string& identifier, CWnd* parent,
                                    CDC* parentBackground) {
    std::unique_ptr<CWnd> control;
    KvResult result = KV_OK;
    if (type == kUIObjectStaticGroupBox) {
        auto box = std::make_unique<CKvUIStaticGroupBox>();
        box->SetOwner(catalog);
        box->GetIdentifier() = identifier;
        result = box->CreateFromDescription(parent, TRUE);
        control = std::move(box);
    } else {
        auto text = std::make_unique<CKvUIStatic>();
        text->SetOwner(catalog);
        text->GetIdentifier() = identifier;
        text->GetParentBackgroundRef() = parentBackground;
        result = text->CreateFromDescription(parent, TRUE);
        control = std::move(text);
    }
    if (result != KV_OK)
        return result; // the control is deleted here
    control->ShowWindow(SW_SHOW);
    m_entries.emplace_back(identifier, std::move(control));
    return result;
}

KvResult KvChildControls::DestroyAll() {
    // Taken out first: a window's destruction must not find its own entry.
    auto entries = std::move(m_entries);
    m_entries.clear();
    for (auto& entry : entries)
        entry.second.reset();
    return KV_OK;
}

CWnd* KvChildControls::Find(const std::string& identifier) const {
    for (const auto& [key, control] : m_entries)
        if (key == identifier)
            return control.get();
    return nullptr;
}
