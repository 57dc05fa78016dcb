#pragma once
// CKvDataContactGroup (type 56): a named group of contacts that belongs to an
// owner, with a comment, a category bit field, one embedded contact and the
// identifiers of its member contacts. It travels as a payload; stores do not
// hold it. Its element is "DATACONTACT", the contact's own name, and the
// embedded contact is a "DATACONTACT" inside it.
//
// Unlike most records it leaves the base fields alone: Reset and the copy
// touch neither identifier nor flag word, timer, context or spare text.

#include "core/kv_string.h"
#include "core/text_values.h"
#include "data/data_contact.h"
#include "data/data_handler.h"
#include "data/record_keys.h"
#include "framework/payload_registry.h"
#include "platform/result_codes.h"

#include <cstdint>
#include <string>

class CKvDataContactGroup
    : public KeyTableRecord<CKvDataContactGroup, K_KVDT_TP_DTHDLR_DATACONTACTGROUP> {
public:
    static constexpr const char* kMemberListName = "CONTACT_IDENTIFIER";

    // Keeps the identifier number given; its text stays empty.
    explicit CKvDataContactGroup(CKvDataHandlerCatalog* context = nullptr,
                                 std::uint32_t identifier = 0);
    // The type code and the group's own fields (the contact and the member
    // list by their copies); no base field and not the key text.
    CKvDataContactGroup& operator=(const CKvDataContactGroup& other);

    // The type code and the group's own fields; the base fields and the key
    // text stay.
    KvResult Reset() override;
    // Rebuilt on every call: name, "|", owner identifier (untrimmed).
    std::string& GetKey() override;
    // Only another group (type 56) with the same key.
    bool IsSameKey(CKvDataHandler& other) override;
    // The form operations come from the key table. DOM: no form, the element
    // with "id" only; reading stores nothing. WriteXml trims name and comment
    // in place and ages the embedded contact's dial counts; stops at the first
    // failing step.

    std::string& GetName() { return name_; }
    std::string& GetOwnerIdentifier() { return owner_identifier_; }
    std::string& GetComment() { return comment_; }
    UIntValue& GetBitfieldCategory() { return bitfield_category_; }
    CKvDataContact& GetContact() { return contact_; }
    KVSTRING_LIST& GetMemberList() { return members_; }

private:
    friend KeyTableRecord;
    static const RecordForm<CKvDataContactGroup>& Form();

    std::string name_;
    std::string owner_identifier_;
    std::string comment_;
    UIntValue bitfield_category_;
    CKvDataContact contact_;
    KVSTRING_LIST members_;
    std::string key_;
};
