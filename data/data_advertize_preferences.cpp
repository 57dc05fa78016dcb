#include "data/data_advertize_preferences.h"

#include "data/record_keys.h"

CKvDataAdvertizePreferences::CKvDataAdvertizePreferences(CKvDataHandlerCatalog* context,
                                                         std::uint32_t identifier)
    : AdvertizeRecord(context, identifier) {
    CKvDataAdvertizePreferences::Reset();
}

CKvDataAdvertizePreferences&
CKvDataAdvertizePreferences::operator=(const CKvDataAdvertizePreferences& other) {
    if (this == &other)
        return *this;
    CopyAdvertizeBase(other);
    advertize_time_percentage_ = other.advertize_time_percentage_;
    url_source_ = other.url_source_;
    presentation_type_ = other.presentation_type_;
    time_to_show_minimal_ = other.time_to_show_minimal_;
    flag_randomize_sequence_ = other.flag_randomize_sequence_;
    return *this;
}

KvResult CKvDataAdvertizePreferences::Reset() {
    ResetAdvertizeBase();
    advertize_time_percentage_.Set(0);
    url_source_.clear();
    presentation_type_ = CKvPresentationTypeTable();
    time_to_show_minimal_.clear();
    flag_randomize_sequence_.Set(0);
    return result_ = KV_OK;
}

const RecordForm<CKvDataAdvertizePreferences>& CKvDataAdvertizePreferences::Form() {
    using Self = CKvDataAdvertizePreferences;
    // Values are parsed from the decoded text; nothing is trimmed or left out.
    static constexpr RecordKey<Self> kKeys[] = {
        UIntKey<&Self::advertize_time_percentage_>("advertizetimepercentage", kKeyDecode),
        TextKey<&Self::url_source_>("urlsource"),
        KeywordKey<&Self::presentation_type_>("presentationtype", kKeyDecode),
        TextKey<&Self::time_to_show_minimal_>("timetoshowminimal"),
        BoolKey<&Self::flag_randomize_sequence_>("flagrandomizesequence", kKeyDecode),
    };
    static constexpr RecordForm<Self> kForm{
        .element_name = "ADVERTIZEPREFERENCES",
        .keys = kKeys,
        .identifier = KeyAttribute(),
        .dom_form = RecordDomForm::kNone,
    };
    return kForm;
}
