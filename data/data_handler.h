#pragma once
// The common base of the suite's data records (user, contact, call,
// preferences ...): identity, type code, the ten virtual operations, the
// type-name table and the character filter of record texts.
//
// A record class derives from DataRecord<Record, code>, which supplies Clone
// and CopyToSameType from the record's own copy assignment; the record
// describes its XML and DOM forms as a key table (data/record_keys.h).

#include "core/named_value_map.h"
#include "core/timeout_timer.h"
#include "framework/payload_registry.h"
#include "platform/dom.h"
#include "platform/pointer.h"
#include "platform/result_codes.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class CKvDataHandlerCatalog;
class CKvDataHandlerStore;
class XmlDocument;
class XmlNode;

// Keeps only the bytes records accept in filtered texts: 0x20 to 0x5A, 0x60 to
// 0x7A and the seven German letters of Windows-1252 (E4 C4 F6 D6 FC DC DF).
void FilterRecordText(std::string& text);

class CKvDataHandler {
public:
    // The name of a code outside the type table.
    static constexpr std::string_view kUnspecifiedTypeName = "K_KVDT_TP_UNSPECIFIED";

    virtual ~CKvDataHandler() = default;
    CKvDataHandler(const CKvDataHandler&) = delete;
    CKvDataHandler& operator=(const CKvDataHandler&) = delete;

    // ---- The ten operations, in slot order (the destructor is slot 0) ----

    // Restores the record's own fields (and, in most records, the base
    // fields: identifier 0, timer stopped, flag word 0) to their defaults.
    virtual KvResult Reset() = 0;
    // The record's key text; some records rebuild it on every call.
    virtual std::string& GetKey() = 0;
    // Both GetKey texts equal byte for byte, unless a record says otherwise.
    virtual bool IsSameKey(CKvDataHandler& other);
    // The DOM form. A null interface gives KV_E_NULL_INTERFACE.
    virtual KvResult ReadDom(const DomElementPtr& element) = 0;
    virtual KvResult WriteDom(const DomDocumentPtr& document, const DomNodePtr& parent) = 0;
    // The XML form: the record's element under the parent; out receives it.
    virtual KvResult ReadXml(const XmlNode* element) = 0;
    virtual KvResult WriteXml(XmlNode*& out, XmlDocument& document, XmlNode* parent) = 0;
    // A new record of the same class (context null, identifier 0) holding a
    // copy of this one; false with out empty when it cannot be made.
    virtual bool Clone(std::unique_ptr<CKvDataHandler>& out) const = 0;
    // Copies this record into the other one (the target) when the other is a
    // valid record of this record's class and type code; else false and
    // nothing changes.
    virtual bool CopyToSameType(CKvDataHandler* other) const = 0;

    // ---- Common operations ----

    // Copies the other record into this one with the copy of the class its
    // type code names (the data-record factory), when both records carry the
    // same store type code and are of that class; else nothing changes.
    CKvDataHandler& AssignByType(const CKvDataHandler& other);

    // The type name of a code ("K_KVDT_TP_DTHDLR_DATACONTACT"), or
    // kUnspecifiedTypeName; a constant text.
    static std::string_view GetTypeName(std::uint32_t code);
    // The code whose name equals the text exactly; 0 for any other text.
    static std::uint32_t GetTypeFromName(std::string_view name);
    // Codes a store creates, copies and deletes: 1 to 12, 63, 65 and 66.
    static bool IsStoreType(std::uint32_t code);

    // FilterRecordText on the caller's text; the result becomes 0.
    KvResult FilterText(std::string& text);

    // Stores the number and its "%x" text. A record held by a store that keeps
    // its records by identifier moves to the new identifier in the store's
    // index; when the store holds another record under it, the identifier
    // stays as it was (false).
    bool SetIdentifier(std::uint32_t identifier);
    std::uint32_t GetIdentifier() const { return identifier_; }
    const std::string& GetIdentifierText() const { return identifier_text_; }

    std::uint32_t GetTypeCode() const { return type_code_; }
    KvResult GetResult() const { return result_; }

    // Whether the last ReadXml took its element as this record's form. It
    // did not when the element failed the pointer rule or lacked what the
    // record cannot be read without (a required "identifier" attribute), or
    // when the record has no XML form. A reader that took the element reports
    // a value it could not read with a failure code all the same (the value
    // then is what the reader left); a store keeps such a record.
    bool TookElement() const { return took_element_; }
    // Set by the readers.
    void SetTookElement(bool took) { took_element_ = took; }

    // The host's store directory, not owned; null when the record has none.
    void SetContext(CKvDataHandlerCatalog* context) { context_ = context; }
    CKvDataHandlerCatalog* GetContext() const { return context_; }

    std::uint32_t GetFlagWord() const { return flag_word_; }
    void SetFlagWord(std::uint32_t flag_word) { flag_word_ = flag_word; }
    std::string& GetSpareText() { return spare_text_; }
    const std::string& GetSpareText() const { return spare_text_; }
    TimeoutTimer& GetTimer() { return timer_; }
    const TimeoutTimer& GetTimer() const { return timer_; }
    // A record that registers its fields with SetNamedFieldsRegistrar has
    // them registered here, on the first call.
    NamedValueMap& GetNamedFields() {
        RegisterPendingNamedFields();
        return named_fields_;
    }
    const NamedValueMap& GetNamedFields() const {
        RegisterPendingNamedFields();
        return named_fields_;
    }

protected:
    // Which base fields a record's copy takes from its source.
    enum BaseFields : std::uint32_t {
        kBaseIdentifier = 1u << 0, // through SetIdentifier
        kBaseFlagWord = 1u << 1,
        kBaseTimer = 1u << 2,
        kBaseContext = 1u << 3,
        kBaseSpareText = 1u << 4,
        kBaseTypeCode = 1u << 5,
        // What most records copy.
        kBaseCommon = kBaseIdentifier | kBaseFlagWord | kBaseTimer | kBaseContext,
    };

    // The identifier text stays empty until SetIdentifier; the timer's
    // interval is 1001 ms.
    CKvDataHandler(std::uint32_t type_code, CKvDataHandlerCatalog* context,
                   std::uint32_t identifier);

    // The base part of most records' Reset: identifier 0, timer stopped, flag
    // word 0.
    void ResetBaseFields();
    // Copies the chosen base fields of the other record; the named fields
    // stay this record's own.
    void CopyBaseFields(const CKvDataHandler& other, std::uint32_t fields);

    void SetTypeCode(std::uint32_t code) { type_code_ = code; }
    KvResult SetResult(KvResult result) { return result_ = result; }

    // The registrar runs once, at the first GetNamedFields: registering nine
    // cells costs some thirty allocations, and most records (those of a store
    // read from XML) are never asked for their named fields. Like the rest of
    // the record, the first call must not race with another.
    using NamedFieldsRegistrar = void (*)(CKvDataHandler& record);
    void SetNamedFieldsRegistrar(NamedFieldsRegistrar registrar) {
        named_fields_registrar_ = registrar;
    }

    KvResult result_ = KV_OK;

private:
    // The store sets and clears its back reference.
    friend class CKvDataHandlerStore;

    void RegisterPendingNamedFields() const {
        if (named_fields_registrar_ == nullptr)
            return;
        const NamedFieldsRegistrar registrar = named_fields_registrar_;
        named_fields_registrar_ = nullptr;
        registrar(const_cast<CKvDataHandler&>(*this));
    }

    std::uint32_t identifier_ = 0;
    std::string identifier_text_;
    std::uint32_t type_code_ = 0;
    TimeoutTimer timer_{0, 0};
    std::uint32_t flag_word_ = 0;
    CKvDataHandlerCatalog* context_ = nullptr;
    bool took_element_ = false;
    // The store that holds the record, not owned; null when none does.
    CKvDataHandlerStore* store_ = nullptr;
    mutable NamedFieldsRegistrar named_fields_registrar_ = nullptr;
    // Mutable: registration may happen on the first call through a const
    // record; the registrar only adds cells to the map.
    mutable NamedValueMap named_fields_;
    std::string spare_text_;
};

// The base a record class derives from: Record is the class itself, TypeCode
// its K_KVDT_TP_DTHDLR_* code. Record needs a constructor (context,
// identifier) and a copy assignment that leaves a record assigned to itself
// unchanged.
template <typename Record, std::uint32_t TypeCode> class DataRecord : public CKvDataHandler {
public:
    static constexpr std::uint32_t kTypeCode = TypeCode;

    bool Clone(std::unique_ptr<CKvDataHandler>& out) const override {
        auto copy = std::make_unique<Record>(nullptr, 0);
        *copy = static_cast<const Record&>(*this);
        out = std::move(copy);
        return true;
    }

    bool CopyToSameType(CKvDataHandler* other) const override {
        if (!IsValidPtr(other) || other->GetTypeCode() != GetTypeCode())
            return false;
        // A subclass may share the code; only the same class can be copied.
        auto* target = dynamic_cast<Record*>(other);
        if (target == nullptr)
            return false;
        if (target != this)
            *target = static_cast<const Record&>(*this);
        return true;
    }

protected:
    DataRecord(CKvDataHandlerCatalog* context, std::uint32_t identifier)
        : CKvDataHandler(TypeCode, context, identifier) {}
};
