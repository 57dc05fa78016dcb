#include "data/data_handler.h"

#include "data/data_handler_store.h"
#include "data/data_record_factory.h"
#include "framework/payload_registry.h"
#include "platform/text.h"

#include <algorithm>
#include <array>

namespace {

struct TypeName {
    std::uint32_t code;
    std::string_view name;
};

constexpr std::array<TypeName, 16> kTypeNames = {{
    {K_KVDT_TP_DTHDLR_DATAUSER, "K_KVDT_TP_DTHDLR_DATAUSER"},
    {K_KVDT_TP_DTHDLR_DATAGENERAL, "K_KVDT_TP_DTHDLR_DATAGENERAL"},
    {K_KVDT_TP_DTHDLR_DATACOMPUTER, "K_KVDT_TP_DTHDLR_DATACOMPUTER"},
    {K_KVDT_TP_DTHDLR_DATADEVICE, "K_KVDT_TP_DTHDLR_DATADEVICE"},
    {K_KVDT_TP_DTHDLR_DATACLIENTGENERAL, "K_KVDT_TP_DTHDLR_DATACLIENTGENERAL"},
    {K_KVDT_TP_DTHDLR_DATAUSERGROUP, "K_KVDT_TP_DTHDLR_DATAUSERGROUP"},
    {K_KVDT_TP_DTHDLR_DATAPREFERENCES, "K_KVDT_TP_DTHDLR_DATAPREFERENCES"},
    {K_KVDT_TP_DTHDLR_DATACONTACT, "K_KVDT_TP_DTHDLR_DATACONTACT"},
    {K_KVDT_TP_DTHDLR_DATACALL, "K_KVDT_TP_DTHDLR_DATACALL"},
    {K_KVDT_TP_DTHDLR_DATAAPPLICATION, "K_KVDT_TP_DTHDLR_DATAAPPLICATION"},
    {K_KVDT_TP_DTHDLR_DATASERVERUSER, "K_KVDT_TP_DTHDLR_DATASERVERUSER"},
    {K_KVDT_TP_DTHDLR_DATAISDNCONTROLLER, "K_KVDT_TP_DTHDLR_DATAISDNCONTROLLER"},
    {K_KVDT_TP_DTHDLR_DATACONTACTGROUP, "K_KVDT_TP_DTHDLR_DATACONTACTGROUP"},
    {K_KVDT_TP_DTHDLR_DATAVOIPPROFILE, "K_KVDT_TP_DTHDLR_DATAVOIPPROFILE"},
    {K_KVDT_TP_DTHDLR_DATAADVERTIZEPREFERENCES, "K_KVDT_TP_DTHDLR_DATAADVERTIZEPREFERENCES"},
    {K_KVDT_TP_DTHDLR_DATAADVERTIZEENTRY, "K_KVDT_TP_DTHDLR_DATAADVERTIZEENTRY"},
}};

constexpr bool IsFilteredByteKept(unsigned char byte) {
    if (byte >= 0x20 && byte <= 0x5A)
        return true;
    if (byte >= 0x60 && byte <= 0x7A)
        return true;
    switch (byte) {
    case 0xE4: // ä
    case 0xC4: // Ä
    case 0xF6: // ö
    case 0xD6: // Ö
    case 0xFC: // ü
    case 0xDC: // Ü
    case 0xDF: // ß
        return true;
    default:
        return false;
    }
}

} // namespace

void FilterRecordText(std::string& text) {
    std::erase_if(text, [](char c) { return !IsFilteredByteKept(static_cast<unsigned char>(c)); });
}

CKvDataHandler::CKvDataHandler(std::uint32_t type_code, CKvDataHandlerCatalog* context,
                               std::uint32_t identifier)
    : identifier_(identifier), type_code_(type_code), context_(context) {
    timer_.SetInterval(1, 1);
}

bool CKvDataHandler::IsSameKey(CKvDataHandler& other) {
    if (&other == this)
        return true;
    return GetKey() == other.GetKey();
}

CKvDataHandler& CKvDataHandler::AssignByType(const CKvDataHandler& other) {
    if (&other == this || other.GetTypeCode() != GetTypeCode() || !IsStoreType(GetTypeCode()))
        return *this;
    CopyDataRecordByType(*this, other);
    return *this;
}

std::string_view CKvDataHandler::GetTypeName(std::uint32_t code) {
    for (const TypeName& entry : kTypeNames) {
        if (entry.code == code)
            return entry.name;
    }
    return kUnspecifiedTypeName;
}

std::uint32_t CKvDataHandler::GetTypeFromName(std::string_view name) {
    for (const TypeName& entry : kTypeNames) {
        if (entry.name == name)
            return entry.code;
    }
    return 0;
}

bool CKvDataHandler::IsStoreType(std::uint32_t code) {
    return (code >= K_KVDT_TP_DTHDLR_DATAUSER && code <= K_KVDT_TP_DTHDLR_DATAISDNCONTROLLER) ||
           code == K_KVDT_TP_DTHDLR_DATAVOIPPROFILE ||
           code == K_KVDT_TP_DTHDLR_DATAADVERTIZEPREFERENCES ||
           code == K_KVDT_TP_DTHDLR_DATAADVERTIZEENTRY;
}

KvResult CKvDataHandler::FilterText(std::string& text) {
    FilterRecordText(text);
    return result_ = KV_OK;
}

bool CKvDataHandler::SetIdentifier(std::uint32_t identifier) {
    // A held record must not change its identifier behind its store's index.
    if (store_ != nullptr && identifier != identifier_ &&
        !store_->MoveIdentifier(*this, identifier))
        return false;
    identifier_ = identifier;
    AssignUnsigned(identifier_text_, identifier, 16);
    return true;
}

void CKvDataHandler::ResetBaseFields() {
    SetIdentifier(0);
    // Stopping reads the clock; a timer that is not running has nothing to
    // stop, and a record never asks its timer for that reading.
    if (timer_.IsRunning())
        timer_.Stop();
    flag_word_ = 0;
}

void CKvDataHandler::CopyBaseFields(const CKvDataHandler& other, std::uint32_t fields) {
    if (&other == this)
        return;
    if ((fields & kBaseIdentifier) != 0)
        SetIdentifier(other.identifier_);
    if ((fields & kBaseFlagWord) != 0)
        flag_word_ = other.flag_word_;
    if ((fields & kBaseTimer) != 0)
        timer_ = other.timer_;
    if ((fields & kBaseContext) != 0)
        context_ = other.context_;
    if ((fields & kBaseSpareText) != 0)
        spare_text_ = other.spare_text_;
    if ((fields & kBaseTypeCode) != 0)
        type_code_ = other.type_code_;
}
