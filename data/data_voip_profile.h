#pragma once
// CKvDataVoipProfile (type 63, "DATAVOIPPROFILE"): one voice-over-IP account
// profile: the name it is shown under (its key), the VoIP and authentication
// identities, whether it is in use, the VoIP and STUN servers, and a block of
// XML markup for extensions. It has no DOM form of its own.

#include "core/computer_ident.h"
#include "core/text_values.h"
#include "data/data_handler.h"
#include "data/record_keys.h"
#include "framework/payload_registry.h"
#include "platform/result_codes.h"

#include <array>
#include <cstdint>
#include <string>

class CKvDataVoipProfile
    : public KeyTableRecord<CKvDataVoipProfile, K_KVDT_TP_DTHDLR_DATAVOIPPROFILE> {
public:
    static constexpr const char* kServerElementName = "K_DATAVOIPPROFILE_COMPUTERIDENT_SERVER_TAG";
    static constexpr const char* kStunServerElementName =
        "K_DATAVOIPPROFILE_COMPUTERIDENT_STUNSERVER_TAG";

    explicit CKvDataVoipProfile(CKvDataHandlerCatalog* context = nullptr,
                                std::uint32_t identifier = 0);
    // The type code, identifier, flag word, timer, context, the texts, both
    // servers (name, address, port; each keeps its own element name and
    // identifier), the flag, the extension and both runtime words.
    CKvDataVoipProfile& operator=(const CKvDataVoipProfile& other);

    KvResult Reset() override;
    // The displayable name itself.
    std::string& GetKey() override { return displayable_name_; }
    // The form operations come from the key table. DOM: no form, the element
    // with "id" only; reading stores nothing. ReadXml needs the attribute
    // "identifier" (KV_E_NOT_FOUND, nothing read); the child
    // "displayablename", read after it, wins over it.

    std::string& GetDisplayableName() { return displayable_name_; }
    std::string& GetVoipId() { return voip_id_; }
    std::string& GetAuthenticateId() { return authenticate_id_; }
    // Kept and written in plain.
    std::string& GetAuthenticatePassword() { return authenticate_password_; }
    COMPUTER_IDENT& GetServer() { return server_; }
    COMPUTER_IDENT& GetStunServer() { return stun_server_; }
    BoolValue& GetFlagUse() { return flag_use_; }
    // Markup written as it is into the record's element (entity-encoded as
    // plain text when it is no complete markup); read back as the markup of
    // the element's children.
    std::string& GetXmlExtension() { return xml_extension_; }
    // Travel with the record in the process, never in its XML form.
    std::array<std::uint32_t, 2>& GetRuntimeWords() { return runtime_words_; }

private:
    friend KeyTableRecord;
    static const RecordForm<CKvDataVoipProfile>& Form();

    std::string displayable_name_;
    std::string voip_id_;
    std::string authenticate_id_;
    std::string authenticate_password_;
    COMPUTER_IDENT server_;
    COMPUTER_IDENT stun_server_;
    BoolValue flag_use_;
    std::string xml_extension_;
    std::array<std::uint32_t, 2> runtime_words_{};
};
