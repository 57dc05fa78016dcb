#include "data/data_contact_group.h"

#include "data/record_keys.h"

CKvDataContactGroup::CKvDataContactGroup(CKvDataHandlerCatalog* context, std::uint32_t identifier)
    : KeyTableRecord(context, identifier) {
    CKvDataContactGroup::Reset();
}

CKvDataContactGroup& CKvDataContactGroup::operator=(const CKvDataContactGroup& other) {
    if (this == &other)
        return *this;
    SetTypeCode(kTypeCode);
    name_ = other.name_;
    owner_identifier_ = other.owner_identifier_;
    comment_ = other.comment_;
    bitfield_category_ = other.bitfield_category_;
    contact_ = other.contact_;
    members_ = other.members_;
    return *this;
}

KvResult CKvDataContactGroup::Reset() {
    SetTypeCode(kTypeCode);
    name_.clear();
    owner_identifier_.clear();
    comment_.clear();
    bitfield_category_.Set(0);
    contact_.Reset();
    members_.Reset();
    members_.SetElementName(XmlStaticName{kMemberListName});
    return result_ = KV_OK;
}

std::string& CKvDataContactGroup::GetKey() {
    key_.clear();
    key_.reserve(name_.size() + 1 + owner_identifier_.size());
    key_.append(name_).append("|").append(owner_identifier_);
    return key_;
}

bool CKvDataContactGroup::IsSameKey(CKvDataHandler& other) {
    if (other.GetTypeCode() != kTypeCode)
        return false;
    if (&other == this)
        return true;
    // GetKey rebuilds the text in place, so this key is taken by value.
    const std::string key = GetKey();
    return key == other.GetKey();
}

const RecordForm<CKvDataContactGroup>& CKvDataContactGroup::Form() {
    using Self = CKvDataContactGroup;
    static constexpr RecordKey<Self> kKeys[] = {
        TextKey<&Self::name_>("name", kKeyFreeText),
        TextKey<&Self::owner_identifier_>("owneridentifier"),
        TextKey<&Self::comment_>("comment", kKeyFreeText),
        UIntKey<&Self::bitfield_category_>("bitfieldcategory", kKeyDecode),
        NestedKey<&Self::contact_>("DATACONTACT"),
        // Written also when empty; an empty list is a childless element,
        // which the parser gives as a text element.
        NestedKey<&Self::members_>(kMemberListName, kKeyAlsoTextElement),
    };
    static constexpr RecordForm<Self> kForm{
        .element_name = "DATACONTACT",
        .keys = kKeys,
        .write_policy = RecordWritePolicy::kStopAtFailure,
        .dom_form = RecordDomForm::kNone,
    };
    return kForm;
}
