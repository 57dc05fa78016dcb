#include "data/data_advertize_entry.h"

#include "data/record_keys.h"

CKvDataAdvertizeEntry::CKvDataAdvertizeEntry(CKvDataHandlerCatalog* context,
                                             std::uint32_t identifier)
    : AdvertizeRecord(context, identifier) {
    CKvDataAdvertizeEntry::Reset();
}

CKvDataAdvertizeEntry& CKvDataAdvertizeEntry::operator=(const CKvDataAdvertizeEntry& other) {
    if (this == &other)
        return *this;
    CopyAdvertizeBase(other);
    advertize_time_percentage_ = other.advertize_time_percentage_;
    url_source_ = other.url_source_;
    time_to_show_minimal_ = other.time_to_show_minimal_;
    time_to_show_maximal_ = other.time_to_show_maximal_;
    flag_show_once_ = other.flag_show_once_;
    flag_allow_unhide_ = other.flag_allow_unhide_;
    flag_randomize_time_ = other.flag_randomize_time_;
    group_id_ = other.group_id_;
    runtime_word_ = other.runtime_word_;
    return *this;
}

KvResult CKvDataAdvertizeEntry::Reset() {
    ResetAdvertizeBase();
    advertize_time_percentage_.Set(0);
    url_source_.clear();
    time_to_show_minimal_.clear();
    time_to_show_maximal_.clear();
    flag_show_once_.Set(0);
    flag_allow_unhide_.Set(0);
    flag_randomize_time_.Set(0);
    group_id_.Set(0);
    runtime_word_ = 0;
    return result_ = KV_OK;
}

const RecordForm<CKvDataAdvertizeEntry>& CKvDataAdvertizeEntry::Form() {
    using Self = CKvDataAdvertizeEntry;
    // Writer order, which stored files keep; values are parsed from the
    // decoded text; nothing is trimmed or left out.
    static constexpr RecordKey<Self> kKeys[] = {
        UIntKey<&Self::advertize_time_percentage_>("advertizetimepercentage", kKeyDecode),
        TextKey<&Self::url_source_>("urlsource"),
        TextKey<&Self::time_to_show_minimal_>("timetoshowminimal"),
        BoolKey<&Self::flag_show_once_>("flagshowonce", kKeyDecode),
        BoolKey<&Self::flag_allow_unhide_>("flagallowunhide", kKeyDecode),
        TextKey<&Self::time_to_show_maximal_>("timetoshowmaximal"),
        BoolKey<&Self::flag_randomize_time_>("flagrandomizetime", kKeyDecode),
        UIntKey<&Self::group_id_>("groupid", kKeyDecode),
    };
    static constexpr RecordForm<Self> kForm{
        .element_name = "ADVERTIZENTRY",
        .keys = kKeys,
        .identifier = KeyAttribute(),
        .dom_form = RecordDomForm::kNone,
    };
    return kForm;
}
