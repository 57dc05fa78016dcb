#pragma once
// Type 3, "DATAHOST": one computer of the client/server protocol (host name
// and IPv4 address), the device number it stands for, whether it accepts
// every user, and the CTI device numbers behind it. The protocol jobs fill
// the identity through GetHost() and send the record as a payload. The key
// is the identifier, so a non-zero identifier travels in the XML form as the
// attribute "identifier" (data/record_identifier.h).

#include "core/bounded_string_list.h"
#include "core/computer_ident.h"
#include "data/data_handler.h"
#include "data/record_identifier.h"
#include "data/record_keys.h"
#include "framework/payload_registry.h"

#include <cstdint>
#include <string>

class CKvDataHost : public NumberedRecord<CKvDataHost, K_KVDT_TP_DTHDLR_DATACOMPUTER> {
public:
    explicit CKvDataHost(CKvDataHandlerCatalog* context = nullptr, std::uint32_t identifier = 0);
    CKvDataHost(const CKvDataHost&) = delete;
    // Takes every persisted field, the identity (name, address, port, key),
    // the identifier, type code, flag word, timer and context; not the
    // address-first flag, which belongs to the comparing side.
    CKvDataHost& operator=(const CKvDataHost& other);

    KvResult Reset() override;
    // The identifier text.
    std::string& GetKey() override;
    // Same computer: a non-empty host name equal to the other's, or a
    // non-zero address equal to the other's. A record of another class is
    // never the same.
    bool IsSameKey(CKvDataHandler& other) override;

    COMPUTER_IDENT& GetHost() { return host_; }
    const COMPUTER_IDENT& GetHost() const { return host_; }
    // The address from dotted text, read as the identity reads it (never
    // rejected).
    void SetIpAddressText(const std::string& text) { host_.SetAddressText(text); }

    std::string& GetDeviceNumber() { return devicenumber_; }
    const std::string& GetDeviceNumber() const { return devicenumber_; }
    bool GetFlagAcceptAllUser() const { return flagacceptalluser_ != 0; }
    void SetFlagAcceptAllUser(bool accept) { flagacceptalluser_ = accept ? 1 : 0; }
    // "1" or "0".
    void FormatFlagAcceptAllUser(std::string& out) const { out = flagacceptalluser_ ? "1" : "0"; }

    // Non-zero: IsSameKey looks at the addresses before the names.
    void SetAddressFirst(std::uint32_t address_first) { address_first_ = address_first; }
    std::uint32_t GetAddressFirst() const { return address_first_; }

    BoundedStringList& GetCtiDeviceNumbers() { return ctidevicenmbs_; }
    const BoundedStringList& GetCtiDeviceNumbers() const { return ctidevicenmbs_; }

private:
    friend KeyTableRecord;
    friend NumberedRecord;
    static const RecordForm<CKvDataHost>& Form();

    COMPUTER_IDENT host_;
    std::string devicenumber_;
    std::uint8_t flagacceptalluser_ = 0;
    std::uint32_t address_first_ = 0;
    BoundedStringList ctidevicenmbs_;
    // GetKey's text, rebuilt on every call; never copied.
    std::string key_text_;
};
