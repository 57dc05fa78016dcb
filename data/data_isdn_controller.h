#pragma once
// Type 12, "DATAISDNCONTROLLER": one ISDN controller as the suite configures
// it: its number, B channels, manufacturer, whether it is used, the calling
// number it dials from and the functions it serves. The CAPI client walks a
// store of these and reads the number, flaguse, the functions flag word,
// the source number and flagsourceautomaticline. A non-zero identifier
// travels in the XML form as the attribute "identifier"
// (data/record_identifier.h).

#include "core/function_flag_tables.h"
#include "core/phone_number.h"
#include "core/text_values.h"
#include "data/data_handler.h"
#include "data/record_identifier.h"
#include "data/record_keys.h"
#include "framework/payload_registry.h"

#include <cstdint>
#include <string>

class CKvDataIsdnController
    : public NumberedRecord<CKvDataIsdnController, K_KVDT_TP_DTHDLR_DATAISDNCONTROLLER> {
public:
    // The functions of a new record.
    static constexpr std::uint32_t kDefaultFunctions = 1; // "DIAL"

    explicit CKvDataIsdnController(CKvDataHandlerCatalog* context = nullptr,
                                   std::uint32_t identifier = 0);
    CKvDataIsdnController(const CKvDataIsdnController&) = delete;
    // Takes the identifier, flag word, timer and every field; the context
    // word stays the target's own (its store's), and the key text is rebuilt
    // by GetKey.
    CKvDataIsdnController& operator=(const CKvDataIsdnController& other);

    KvResult Reset() override;
    // The controller number as "%u".
    std::string& GetKey() override;
    // Equal controller numbers; a record of another class is never the same.
    bool IsSameKey(CKvDataHandler& other) override;

    std::uint32_t GetControllerNumber() const { return controllernumber_.Get(); }
    void SetControllerNumber(std::uint32_t number) { controllernumber_.Set(number); }
    // Decimal text, read as the 32-bit strtoul reads it.
    void SetControllerNumberText(const std::string& text) { controllernumber_.Parse(text, 10); }
    void FormatControllerNumber(std::string& out) const { controllernumber_.Format(out); }

    // The number text of the source phone number.
    std::string& GetSourceNumber() { return sourcenumber_.GetNumber(); }
    const std::string& GetSourceNumber() const { return sourcenumber_.GetNumber(); }
    // Replaces only the number text, as it is (the writer does not trim it
    // either); the phone number's other fields stay.
    void SetSourceNumber(const std::string& text);
    PHONE_NUMBER& GetSourcePhoneNumber() { return sourcenumber_; }
    const PHONE_NUMBER& GetSourcePhoneNumber() const { return sourcenumber_; }

    std::int32_t GetFlagSourceAutomaticLine() const { return flagsourceautomaticline_.Get(); }
    void FormatFlagSourceAutomaticLine(std::string& out) const {
        flagsourceautomaticline_.Format(out);
    }
    // Trims the caller's text; set only by exactly "TRUE".
    void ParseFlagSourceAutomaticLine(std::string& text) { flagsourceautomaticline_.Parse(text); }

    UIntValue& GetBChannelsCount() { return bchannelscount_; }
    const UIntValue& GetBChannelsCount() const { return bchannelscount_; }
    std::string& GetManufacturer() { return manufacturer_; }
    const std::string& GetManufacturer() const { return manufacturer_; }
    BoolValue& GetFlagUse() { return flaguse_; }
    const BoolValue& GetFlagUse() const { return flaguse_; }
    ControllerFunctionFlagTable& GetFunctions() { return functions_; }
    const ControllerFunctionFlagTable& GetFunctions() const { return functions_; }

private:
    friend KeyTableRecord;
    friend NumberedRecord;
    static const RecordForm<CKvDataIsdnController>& Form();

    BoolValue flagsourceautomaticline_;
    PHONE_NUMBER sourcenumber_;
    UIntValue controllernumber_;
    UIntValue bchannelscount_;
    std::string manufacturer_;
    BoolValue flaguse_;
    std::string key_text_;
    ControllerFunctionFlagTable functions_;
};
