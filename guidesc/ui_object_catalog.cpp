#include "guidesc/ui_object_catalog.h"

#include "framework/job_id.h"
#include "platform/geometry.h"
#include "platform/pointer.h"
#include "platform/text.h"

#include <string_view>

namespace {

constexpr std::string_view kSectionPrefix = "catalog_";

} // namespace

KvResult CKvUIObjectCatalog::Load(const std::string& path) {
    result_ = KV_OK;
    XmlDocument document;
    RegisterTypes();
    if (!path.empty())
        result_ = LoadFromFile(document, path);
    if (path.empty() || (result_ != KV_OK && result_ != KV_E_NOT_FOUND))
        result_ = LoadFromResource(document, kResourceType, kResourceId);
    return result_;
}

void CKvUIObjectCatalog::RemoveAll() {
    // Emptied first, the id map makes each type's own clean-up cheap.
    id_map_.Clear();
    types_.clear();
}

KvResult CKvUIObjectCatalog::RegisterTypes() {
    result_ = KV_OK;
    std::size_t capacity = 0;
    for (const UIObjectTypeRow& row : UIObjectTypeTable()) {
        RegisterType(row.type_code, 0, row.capacity, row.tag);
        capacity += row.capacity;
    }
    // Room for a full file: loading never grows the index.
    id_map_.Reserve(capacity);
    return result_ = KV_OK;
}

KvResult CKvUIObjectCatalog::RegisterType(std::uint32_t type_code, std::uint32_t flags,
                                          std::uint32_t capacity, std::string_view tag) {
    result_ = KV_OK;
    // A type registered before keeps its descriptions, so that a second Load
    // adds to them instead of losing them.
    if (types_.count(type_code) != 0)
        return result_;
    types_[type_code] =
        std::make_unique<CKvUIObjectCatalogType>(type_code, flags, capacity, tag, this, &id_map_);
    return result_;
}

KvResult CKvUIObjectCatalog::GetType(CKvUIObjectCatalogType*& out, std::uint32_t type_code) {
    auto found = types_.find(type_code);
    if (found == types_.end()) {
        out = nullptr;
        return result_ = KV_E_NO_CLASS;
    }
    out = found->second.get();
    return result_ = KV_OK;
}

BOOL CKvUIObjectCatalog::Lookup(CKvUIObject*& out, std::uint32_t type_code,
                                const std::string& identifier) {
    CKvUIObjectCatalogType* type = nullptr;
    if (GetType(type, type_code) != KV_OK)
        return FALSE;
    return type->Lookup(out, identifier);
}

BOOL CKvUIObjectCatalog::FindByIdentifier(CKvUIObject*& out, const std::string& identifier) const {
    for (const auto& [id, description] : id_map_) {
        if (description->GetIdentifier() == identifier) {
            out = description;
            return TRUE;
        }
    }
    out = nullptr;
    return FALSE;
}

BOOL CKvUIObjectCatalog::GetString(std::string& out, const std::string& identifier) {
    if (identifier.empty())
        return FALSE;
    CKvUIObjectCatalogType* type = nullptr;
    if (GetType(type, kUIObjectString) != KV_OK)
        return FALSE;
    CKvUIObject* description = nullptr;
    if (!type->Lookup(description, identifier))
        return FALSE;
    out = description->GetText();
    return TRUE;
}

KvResult CKvUIObjectCatalog::GetAbsolutePosition(std::int32_t& x, std::int32_t& y,
                                                 CKvUIObject* description) {
    x = 0;
    y = 0;
    return result_ = AddAnchorPosition(x, y, description, 1, kAnchorDepthLimit);
}

KvResult CKvUIObjectCatalog::AddAnchorPosition(std::int32_t& x, std::int32_t& y,
                                               CKvUIObject* description, std::uint32_t depth,
                                               std::uint32_t limit) {
    if (!IsValidPtr(description))
        return KV_E_INVALID_POINTER;
    x = KvWrapAdd(x, description->GetPositionX());
    y = KvWrapAdd(y, description->GetPositionY());
    if (depth >= limit)
        return KV_OK;
    const std::string_view anchor = TrimmedView(description->GetAnchorIdentifier());
    if (anchor.empty())
        return KV_OK;
    CKvUIObject* anchored = nullptr;
    if (!FindByIdentifier(anchored, std::string(anchor)))
        return KV_OK;
    return AddAnchorPosition(x, y, anchored, depth + 1, limit);
}

KvResult CKvUIObjectCatalog::LoadFromFile(XmlDocument& document, const std::string& path) {
    if (path.empty())
        return KV_E_EMPTY_FILE_NAME;
    document.Clear();
    KvResult result = document.LoadFromFile(path);
    if (result == KV_OK)
        result = ReadDocument(document);
    document.Clear();
    return result;
}

KvResult CKvUIObjectCatalog::LoadFromResource(XmlDocument& document, std::string_view type,
                                              std::uint32_t id) {
    document.Clear();
    KvResult result = document.LoadFromResource(type, Format("#%u", id));
    if (result == KV_OK)
        result = ReadDocument(document);
    document.Clear();
    return result;
}

KvResult CKvUIObjectCatalog::ReadDocument(XmlDocument& document) {
    // One walk over the nodes finds every section: the first element of each
    // name, as FindNode would, without a walk per type.
    constexpr std::size_t kTypes = 16;
    const XmlNode* sections[kTypes] = {};
    for (const XmlNode* node : document.GetNodeList()) {
        if (node->GetKind() != kXmlElement)
            continue;
        const std::string_view name = node->GetName();
        if (name.size() <= kSectionPrefix.size() || name[0] != 'c' ||
            name.substr(0, kSectionPrefix.size()) != kSectionPrefix)
            continue;
        const std::string_view tag = name.substr(kSectionPrefix.size());
        for (const UIObjectTypeRow& row : UIObjectTypeTable())
            if (row.tag == tag && sections[row.type_code] == nullptr)
                sections[row.type_code] = node;
    }
    KvResult result = KV_OK;
    for (const UIObjectTypeRow& row : UIObjectTypeTable()) {
        if (!row.read_from_file)
            continue;
        CKvUIObjectCatalogType* type = nullptr;
        if (GetType(type, row.type_code) != KV_OK)
            result = KV_E_FAIL;
        else if (type->GetTag() != row.tag) // registered under a tag of the caller's
            result = ReadType(document, row.type_code);
        else if (sections[row.type_code] == nullptr)
            result = KV_E_NOT_FOUND;
        else
            result = ReadSection(*type, *sections[row.type_code]);
    }
    return result;
}

KvResult CKvUIObjectCatalog::ReadType(XmlDocument& document, std::uint32_t type_code) {
    CKvUIObjectCatalogType* type = nullptr;
    if (GetType(type, type_code) != KV_OK)
        return KV_E_FAIL;
    std::string section_name(kSectionPrefix);
    section_name += type->GetTag();
    XmlNode* section = nullptr;
    if (document.FindNode(section, section_name, kXmlElement) != KV_OK)
        return KV_E_NOT_FOUND;
    return ReadSection(*type, *section);
}

KvResult CKvUIObjectCatalog::ReadSection(CKvUIObjectCatalogType& type, const XmlNode& section) {
    KvResult result = KV_OK;
    for (const XmlNode* child : section.GetChildList()) {
        if (!IsValidPtr(child)) {
            result = KV_E_INVALID_POINTER;
            continue;
        }
        if (child->GetKind() != kXmlElement || child->GetName() != type.GetTag())
            continue;
        CKvUIObject* description = nullptr;
        result = type.CreateDescription(description, 0);
        if (result != KV_OK)
            continue;
        result = description->ReadXml(child);
        if (result != KV_OK) {
            type.DeleteDescription(description);
            continue;
        }
        description->SetId(TakeNextJobId());
        result = type.Add(description);
        if (result != KV_OK)
            type.DeleteDescription(description);
    }
    return result;
}
