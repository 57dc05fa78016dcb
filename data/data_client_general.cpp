#include "data/data_client_general.h"

CKvDataClientGeneral::CKvDataClientGeneral(CKvDataHandlerCatalog* context, std::uint32_t identifier)
    : DataRecord(context, identifier) {
    CKvDataClientGeneral::Reset();
}

CKvDataClientGeneral& CKvDataClientGeneral::operator=(const CKvDataClientGeneral& other) {
    if (this == &other)
        return *this;
    CopyBaseFields(other, kBaseCommon);
    first_text_ = other.first_text_;
    second_text_ = other.second_text_;
    first_number_ = other.first_number_;
    third_text_ = other.third_text_;
    second_number_ = other.second_number_;
    number_set_ = other.number_set_;
    return *this;
}

KvResult CKvDataClientGeneral::Reset() {
    ResetBaseFields();
    first_text_.clear();
    second_text_.clear();
    first_number_ = 0;
    third_text_.clear();
    second_number_ = 0;
    number_set_.Reset();
    return result_ = KV_OK;
}

std::string& CKvDataClientGeneral::GetKey() {
    key_ = GetIdentifierText();
    return key_;
}

bool CKvDataClientGeneral::IsSameKey(CKvDataHandler&) {
    return true;
}

KvResult CKvDataClientGeneral::ReadDom(const DomElementPtr&) {
    return result_ = KV_E_FAIL;
}

KvResult CKvDataClientGeneral::WriteDom(const DomDocumentPtr&, const DomNodePtr&) {
    return result_ = KV_E_FAIL;
}

KvResult CKvDataClientGeneral::ReadXml(const XmlNode*) {
    SetTookElement(false); // no XML form
    return result_ = KV_E_FAIL;
}

KvResult CKvDataClientGeneral::WriteXml(XmlNode*&, XmlDocument&, XmlNode*) {
    return result_ = KV_E_FAIL;
}
