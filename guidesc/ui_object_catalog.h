#pragma once
// CKvUIObjectCatalog: every UI object description of one GUI description
// file, filed by type and identifier; the place where controls and dialogs
// find their descriptions and the user-visible texts ("UIObjString_...").
//
// Used on the thread that owns the windows; nothing here is locked. The
// numeric ids come from the process-wide job-id counter, so they are unique
// across all catalogs and routers of the process.

#include "core/xml_document.h"
#include "guidesc/ui_object.h"
#include "guidesc/ui_object_catalog_type.h"
#include "platform/result_codes.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

class CKvUIObjectCatalog {
public:
    // The module resource read when the file is not.
    static constexpr std::string_view kResourceType = "XML";
    static constexpr std::uint32_t kResourceId = 306;
    static constexpr std::uint32_t kAnchorDepthLimit = 10;

    CKvUIObjectCatalog() = default;
    CKvUIObjectCatalog(const CKvUIObjectCatalog&) = delete;
    CKvUIObjectCatalog& operator=(const CKvUIObjectCatalog&) = delete;
    ~CKvUIObjectCatalog() { RemoveAll(); }

    // Registers the types and reads the file, or, when the path is empty or
    // the file fails (other than by lacking a section), the "XML" resource
    // 306. The result of the last type read; descriptions already added stay
    // whatever the result. A second Load adds to what is there (an identifier
    // already present is replaced).
    KvResult Load(const std::string& path);
    // Deletes every description and every type.
    void RemoveAll();

    // The fifteen types in code order; a code already registered keeps its
    // type and descriptions.
    KvResult RegisterTypes();
    KvResult RegisterType(std::uint32_t type_code, std::uint32_t flags, std::uint32_t capacity,
                          std::string_view tag);
    // KV_E_NO_CLASS and a null out for a code not registered.
    KvResult GetType(CKvUIObjectCatalogType*& out, std::uint32_t type_code);

    // True with the description when the type holds the identifier; false
    // with a null out when it does not; false with the out untouched when the
    // type is not registered.
    BOOL Lookup(CKvUIObject*& out, std::uint32_t type_code, const std::string& identifier);
    // The first description of any type with the identifier, in load order;
    // false with a null out when none has it.
    BOOL FindByIdentifier(CKvUIObject*& out, const std::string& identifier) const;
    // The "text" of the string description with the identifier; false with
    // the out text untouched when the identifier is empty, strings are not
    // registered (result KV_E_NO_CLASS) or no string has it.
    BOOL GetString(std::string& out, const std::string& identifier);
    // The description's position plus those of its anchors
    // ("anchoridentifier"), at most ten descriptions in all. Sums wrap.
    KvResult GetAbsolutePosition(std::int32_t& x, std::int32_t& y, CKvUIObject* description);
    KvResult AddAnchorPosition(std::int32_t& x, std::int32_t& y, CKvUIObject* description,
                               std::uint32_t depth, std::uint32_t limit);

    // The loading steps: the file or resource into the document, then each
    // read type's section. KV_E_EMPTY_FILE_NAME for an empty path.
    KvResult LoadFromFile(XmlDocument& document, const std::string& path);
    KvResult LoadFromResource(XmlDocument& document, std::string_view type, std::uint32_t id);
    // The section "catalog_" + tag: each child element of that name becomes a
    // description. KV_E_FAIL for a code not registered, KV_E_NOT_FOUND
    // without a section; else the status of the last child read.
    KvResult ReadType(XmlDocument& document, std::uint32_t type_code);

    // Every description, in load order, under its numeric id.
    const UIObjectIdMap& GetIdMap() const { return id_map_; }
    std::size_t GetCount() const { return id_map_.size(); }
    std::string& GetFolder() { return folder_; }
    KvResult GetResult() const { return result_; }

private:
    KvResult ReadDocument(XmlDocument& document);
    KvResult ReadSection(CKvUIObjectCatalogType& type, const XmlNode& section);

    std::map<std::uint32_t, std::unique_ptr<CKvUIObjectCatalogType>> types_;
    UIObjectIdMap id_map_;
    KvResult result_ = KV_OK;
    std::string folder_;
};
