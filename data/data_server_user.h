#pragma once
// CKvDataServerUser: a user account as the server side knows it (login name,
// names, host and device number texts, a list of device numbers and a list of
// computer identities). Element "DATASERVERUSER"; a non-zero identifier
// travels as the attribute "identifier" (data/record_identifier.h); the login
// name is the key.
//
// A runtime word and a second list of computer identities travel with the
// object (payload, store, copy) but never in a text form; the protocol jobs
// exchange them with fields of their own.

#include "core/bounded_string_list.h"
#include "core/computer_ident.h"
#include "data/data_handler.h"
#include "data/record_identifier.h"
#include "data/record_keys.h"

#include <cstdint>
#include <memory>
#include <string>

class CKvDataServerUser
    : public NumberedRecord<CKvDataServerUser, K_KVDT_TP_DTHDLR_DATASERVERUSER> {
public:
    explicit CKvDataServerUser(CKvDataHandlerCatalog* context = nullptr,
                               std::uint32_t identifier = 0);
    // Everything but the context, which stays the target's own; the target's
    // lists receive clones of the source's entries.
    CKvDataServerUser& operator=(const CKvDataServerUser& other);

    KvResult Reset() override;
    // The login name itself.
    std::string& GetKey() override { return login_name_; }

    // A new record (context null) holding a copy of this one.
    bool CreateCopy(std::unique_ptr<CKvDataServerUser>& out) const;

    // Read and written in place.
    std::string& GetLoginName() { return login_name_; }
    std::string& GetFirstName() { return first_name_; }
    std::string& GetLastName() { return last_name_; }
    std::string& GetHostNameIp() { return host_name_ip_; }
    std::string& GetDeviceNumber() { return device_number_; }
    COMPUTER_IDENT_LIST& GetRuntimeComputerIdentList() { return runtime_computer_idents_; }
    COMPUTER_IDENT_LIST& GetComputerIdentList() { return computer_idents_; }
    BoundedStringList& GetDeviceNumberList() { return device_numbers_; }

    std::uint32_t GetRuntimeWord() const { return runtime_word_; }
    void SetRuntimeWord(std::uint32_t word) { runtime_word_ = word; }

private:
    friend KeyTableRecord;
    friend NumberedRecord;
    static const RecordForm<CKvDataServerUser>& Form();

    std::string login_name_;
    std::string first_name_;
    std::string last_name_;
    std::string host_name_ip_;
    std::string device_number_;
    std::uint32_t runtime_word_ = 1;
    COMPUTER_IDENT_LIST runtime_computer_idents_;
    COMPUTER_IDENT_LIST computer_idents_;
    BoundedStringList device_numbers_;
};
