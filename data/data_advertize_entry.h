#pragma once
// CKvDataAdvertizeEntry (type 66, "ADVERTIZENTRY"): one advertisement a client
// shows. Carried, stored, copied and persisted for the host. Its key text is
// set by the owner through GetKey and travels as the attribute "identifier".

#include "core/text_values.h"
#include "data/advertize_xml.h"
#include "data/data_handler.h"
#include "data/record_keys.h"
#include "framework/payload_registry.h"
#include "platform/result_codes.h"

#include <cstdint>
#include <string>

class CKvDataAdvertizeEntry
    : public AdvertizeRecord<CKvDataAdvertizeEntry, K_KVDT_TP_DTHDLR_DATAADVERTIZEENTRY> {
public:
    explicit CKvDataAdvertizeEntry(CKvDataHandlerCatalog* context = nullptr,
                                   std::uint32_t identifier = 0);
    // The type code, identifier, flag word, timer, context and every field,
    // the key text and the runtime word included.
    CKvDataAdvertizeEntry& operator=(const CKvDataAdvertizeEntry& other);

    // The type code, the base fields and every field to its default.
    KvResult Reset() override;

    UIntValue& GetAdvertizeTimePercentage() { return advertize_time_percentage_; }
    std::string& GetUrlSource() { return url_source_; }
    // The show times are texts, carried as written.
    std::string& GetTimeToShowMinimal() { return time_to_show_minimal_; }
    std::string& GetTimeToShowMaximal() { return time_to_show_maximal_; }
    BoolValue& GetFlagShowOnce() { return flag_show_once_; }
    BoolValue& GetFlagAllowUnhide() { return flag_allow_unhide_; }
    BoolValue& GetFlagRandomizeTime() { return flag_randomize_time_; }
    UIntValue& GetGroupId() { return group_id_; }
    // Travels with the record in the process, never in its XML form.
    std::uint32_t GetRuntimeWord() const { return runtime_word_; }
    void SetRuntimeWord(std::uint32_t word) { runtime_word_ = word; }

private:
    friend KeyTableRecord;
    friend AdvertizeRecord;
    static const RecordForm<CKvDataAdvertizeEntry>& Form();

    UIntValue advertize_time_percentage_;
    std::string url_source_;
    std::string time_to_show_minimal_;
    std::string time_to_show_maximal_;
    BoolValue flag_show_once_;
    BoolValue flag_allow_unhide_;
    BoolValue flag_randomize_time_;
    UIntValue group_id_;
    std::uint32_t runtime_word_ = 0;
};
