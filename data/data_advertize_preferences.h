#pragma once
// CKvDataAdvertizePreferences (type 65, "ADVERTIZEPREFERENCES"): how a client
// presents advertisements in general. Carried, stored, copied and persisted
// for the host; nothing here shows advertisements. Its key text is set by the
// owner through GetKey and travels as the attribute "identifier".

#include "core/text_values.h"
#include "data/advertize_xml.h"
#include "data/data_handler.h"
#include "data/presentation_type_table.h"
#include "data/record_keys.h"
#include "framework/payload_registry.h"
#include "platform/result_codes.h"

#include <cstdint>
#include <string>

class CKvDataAdvertizePreferences
    : public AdvertizeRecord<CKvDataAdvertizePreferences,
                             K_KVDT_TP_DTHDLR_DATAADVERTIZEPREFERENCES> {
public:
    explicit CKvDataAdvertizePreferences(CKvDataHandlerCatalog* context = nullptr,
                                         std::uint32_t identifier = 0);
    // The type code, identifier, flag word, timer, context and every field,
    // the key text and the presentation type included.
    CKvDataAdvertizePreferences& operator=(const CKvDataAdvertizePreferences& other);

    // The type code, the base fields and every field to its default. The
    // presentation type becomes that of a new record: value 0 with an empty
    // keyword text, which is written as an empty element.
    KvResult Reset() override;

    UIntValue& GetAdvertizeTimePercentage() { return advertize_time_percentage_; }
    std::string& GetUrlSource() { return url_source_; }
    CKvPresentationTypeTable& GetPresentationType() { return presentation_type_; }
    // A text, carried as written.
    std::string& GetTimeToShowMinimal() { return time_to_show_minimal_; }
    BoolValue& GetFlagRandomizeSequence() { return flag_randomize_sequence_; }

private:
    friend KeyTableRecord;
    friend AdvertizeRecord;
    static const RecordForm<CKvDataAdvertizePreferences>& Form();

    UIntValue advertize_time_percentage_;
    std::string url_source_;
    CKvPresentationTypeTable presentation_type_;
    std::string time_to_show_minimal_;
    BoolValue flag_randomize_sequence_;
};
