#pragma once
// CKvDataDevice: one telephone device (type 4, "DATADEVICE"): its phone
// number, which is its key, its device number, whether it is virtual, a
// comment, its TAPI line name and an alias. The job records create and fill
// devices; they travel as payloads and live in stores. Unlike most records it
// has a DOM form with the keys of its XML form.

#include "data/data_handler.h"
#include "data/record_identifier.h"
#include "data/record_keys.h"
#include "framework/payload_registry.h"
#include "platform/result_codes.h"

#include <cstdint>
#include <string>

class CKvDataDevice : public NumberedRecord<CKvDataDevice, K_KVDT_TP_DTHDLR_DATADEVICE> {
public:
    explicit CKvDataDevice(CKvDataHandlerCatalog* context = nullptr, std::uint32_t identifier = 0);
    // Takes the identifier, flag word, timer and every field; the context and
    // the spare text stay the target's own.
    CKvDataDevice& operator=(const CKvDataDevice& other);

    // Identifier 0, timer stopped, flag word 0, every field empty or 0. The
    // type code and the spare text are left alone.
    KvResult Reset() override;
    // The number, untrimmed; two devices with equal numbers are the same key.
    std::string& GetKey() override { return number_; }

    // Text setters trim the caller's text in place before storing it.
    void SetNumber(std::string& number);
    void SetComment(std::string& comment);
    void SetFlagVirtual(std::uint32_t flag) { flag_virtual_ = flag; }
    std::uint32_t GetFlagVirtual() const { return flag_virtual_; }
    // "TRUE" for any non-zero flag, else "FALSE"; returns KV_OK.
    KvResult FormatFlagVirtual(std::string& out) const;
    // 1 when the text, in lower case, is "true"; else 0.
    void ParseFlagVirtual(const std::string& text);

    std::string& GetNumber() { return number_; }
    std::string& GetDeviceNumber() { return device_number_; }
    std::string& GetComment() { return comment_; }
    std::string& GetTapiLine() { return tapi_line_; }
    std::string& GetAlias() { return alias_; }

private:
    friend KeyTableRecord;
    friend NumberedRecord;
    static const RecordForm<CKvDataDevice>& Form();

    std::string number_;
    std::string device_number_;
    std::uint32_t flag_virtual_ = 0;
    std::string comment_;
    std::string tapi_line_;
    std::string alias_;
};
