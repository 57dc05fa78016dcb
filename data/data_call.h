#pragma once
// CKvDataCall (type 9, "DATACALL"): one telephone call as the host reports
// it: the other party's names and number, the internal number and
// preselection used, start and stop time, the direction and a comment. Its
// key is the text of its start time, fixed when the record is created (or
// read), so two records with the same key are the same call.
//
// A receiver of a call event reads IsOutgoing(), the three names,
// GetPhoneNumber() and GetStartTime().

#include "core/phone_number.h"
#include "core/text_values.h"
#include "core/time_date.h"
#include "data/data_handler.h"
#include "data/record_keys.h"

#include <cstdint>
#include <string>

class CKvDataCall : public KeyTableRecord<CKvDataCall, K_KVDT_TP_DTHDLR_DATACALL> {
public:
    // Starts at the current time, with the key made from it, and registers
    // the named fields TIME_DATE_START, CSTRING_LASTNAME, CSTRING_FIRSTNAME,
    // CSTRING_COMPANYNAME, CSTRING_COMMENT and KVFLAG_CALLOUT, each pointing
    // at this record's own member.
    explicit CKvDataCall(CKvDataHandlerCatalog* context = nullptr, std::uint32_t identifier = 0);
    // As Reset leaves a record (no start time, no key), with the named fields
    // registered: for an owner that resets the record as soon as it is made,
    // so that the clock is not read for nothing.
    struct AsReset {};
    explicit CKvDataCall(AsReset);
    CKvDataCall(const CKvDataCall&) = delete;
    // Copies the identifier, flag word, timer, context, spare text and every
    // field (key text, both times, TAPI call handle and report marker
    // included); the named fields stay this record's own.
    CKvDataCall& operator=(const CKvDataCall& other);

    // Every field empty or zero, the start time and the key included (only
    // the constructor takes the current time); the TAPI call handle stays.
    KvResult Reset() override;
    // The key text member, as created or read; not rebuilt.
    std::string& GetKey() override { return key_; }
    // ReadDom and WriteDom come from the key table: no DOM form of its own,
    // the element with "id" only; nothing is read.
    // Needs the attribute "identifier" (its raw value becomes the key; missing:
    // KV_E_NOT_FOUND and nothing is read); an empty key then becomes the start
    // seconds alone.
    KvResult ReadXml(const XmlNode* element) override;
    // WriteXml, from the key table: the key as "identifier", the non-empty
    // trimmed texts, both times, the direction, the comment and the phone
    // number; every step runs.

    // The key becomes the start time's text form "seconds.milliseconds".
    void FormatStartTime();

    // True for an outgoing call.
    bool IsOutgoing() const { return flag_call_out_.IsTrue(); }

    std::string& GetLastName() { return lastname_; }
    std::string& GetFirstName() { return firstname_; }
    std::string& GetCompanyName() { return companyname_; }
    PHONE_NUMBER& GetPhoneNumber() { return phone_number_; }
    BoolValue& GetFlagCallOut() { return flag_call_out_; }
    std::string& GetNumberInt() { return number_int_; }
    std::string& GetPreselection() { return preselection_; }
    std::string& GetComment() { return comment_; }
    TimeDate& GetStartTime() { return datetime_start_; }
    TimeDate& GetStopTime() { return datetime_stop_; }
    // The TAPI call the record belongs to; 0 for none.
    std::uint32_t& GetTapiCallHandle() { return tapi_call_handle_; }
    // Set by the jobs that report calls; carried as a plain word.
    std::uint32_t& GetReportMarker() { return report_marker_; }

    const std::string& GetLastName() const { return lastname_; }
    const std::string& GetFirstName() const { return firstname_; }
    const std::string& GetCompanyName() const { return companyname_; }
    const PHONE_NUMBER& GetPhoneNumber() const { return phone_number_; }
    const BoolValue& GetFlagCallOut() const { return flag_call_out_; }
    const std::string& GetNumberInt() const { return number_int_; }
    const std::string& GetPreselection() const { return preselection_; }
    const std::string& GetComment() const { return comment_; }
    const TimeDate& GetStartTime() const { return datetime_start_; }
    const TimeDate& GetStopTime() const { return datetime_stop_; }
    std::uint32_t GetTapiCallHandle() const { return tapi_call_handle_; }
    std::uint32_t GetReportMarker() const { return report_marker_; }

private:
    friend KeyTableRecord;
    static const RecordForm<CKvDataCall>& Form();
    void RegisterNamedFields();

    std::string lastname_;
    std::string firstname_;
    std::string companyname_;
    PHONE_NUMBER phone_number_;
    BoolValue flag_call_out_;
    std::string number_int_;
    std::string preselection_;
    std::string comment_;
    TimeDate datetime_start_;
    TimeDate datetime_stop_;
    std::string key_;
    std::uint32_t tapi_call_handle_ = 0;
    std::uint32_t report_marker_ = 0;
};
