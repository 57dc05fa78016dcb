#include "tapi/tapi_call.h"

#include "core/record_xml.h"
#include "platform/number_parse.h"
#include "platform/object_pool.h"
#include "platform/tapi/tapi_types.h"
#include "platform/text.h"

#include <string_view>
#include <utility>

namespace {

constexpr std::string_view kElementName = "KVTAPICALL";

// An unsigned 32-bit field: "%u", read as the 32-bit strtoul reads base 10.
template <auto Member> constexpr RecordKey<KVTAPICALL> UInt32Key(std::string_view name) {
    return CustomKey<KVTAPICALL>(
        name, [](KVTAPICALL& call, std::string& out) { out = Format("%u", call.*Member); },
        [](KVTAPICALL& call, std::string& text) -> KvResult {
            call.*Member = ParseUInt32(text, 10);
            return KV_OK;
        });
}

// A flag table written as the decimal value of its flag word.
template <auto Member> constexpr RecordKey<KVTAPICALL> FlagWordKey(std::string_view name) {
    return CustomKey<KVTAPICALL>(
        name,
        [](KVTAPICALL& call, std::string& out) { out = Format("%u", (call.*Member).GetValue()); },
        [](KVTAPICALL& call, std::string& text) -> KvResult {
            (call.*Member).FormatText(ParseUInt32(text, 10));
            return KV_OK;
        });
}

} // namespace

void* KVTAPICALL::operator new(std::size_t size) {
    return ObjectPool<KVTAPICALL>::AllocateSize(size);
}

void KVTAPICALL::operator delete(void* call, std::size_t size) noexcept {
    ObjectPool<KVTAPICALL>::FreeSize(call, size);
}

KVTAPICALL::KVTAPICALL() {
    origin_.FormatText(kOriginUnknown);
    timedate_created_.SetNow();
    timedate_state_ = timedate_created_;
}

void KVTAPICALL::SetState(std::uint32_t state) {
    state_prev_ = state_;
    state_ = state;
    if (state_prev_ == state_)
        return;
    timedate_state_.SetNow();
    states_reached_ |= state_;
    if (state_ == LINECALLSTATE_CONNECTED && timedate_connected_.IsEmpty())
        timedate_connected_ = timedate_state_;
    else if (state_ == LINECALLSTATE_DISCONNECTED && !timedate_connected_.IsEmpty())
        timedate_disconnected_ = timedate_state_;
}

const RecordForm<KVTAPICALL>& KVTAPICALL::Form() {
    // Texts are entity-encoded when written and decoded when read, like
    // every record's, and left out when empty.
    static constexpr RecordKey<KVTAPICALL> kKeys[] = {
        UInt32Key<&KVTAPICALL::hcall_>("hcall"),
        TextKey<&KVTAPICALL::line_name_>("linename", kKeyOmitWhenEmpty),
        UInt32Key<&KVTAPICALL::hline_>("hline"),
        UInt32Key<&KVTAPICALL::reqid_>("reqid"),
        UInt32Key<&KVTAPICALL::state_>("state"),
        UInt32Key<&KVTAPICALL::state_prev_>("stateprev"),
        TextKey<&KVTAPICALL::called_number_>("callednumber", kKeyOmitWhenEmpty),
        TextKey<&KVTAPICALL::calling_number_>("callingnumber", kKeyOmitWhenEmpty),
        CustomKey<KVTAPICALL>(
            "wmidnotif",
            [](KVTAPICALL& call, std::string& out) {
                out = Format("%u", static_cast<std::uint32_t>(call.wmid_notif_));
            },
            [](KVTAPICALL& call, std::string& text) -> KvResult {
                call.wmid_notif_ = static_cast<std::uint16_t>(ParseUInt32(text, 10) & 0xFFFFu);
                return KV_OK;
            }),
        UInt32Key<&KVTAPICALL::id_target_notif_>("idtargetnotif"),
        UInt32Key<&KVTAPICALL::kvtapifunc_>("kvtapifunc"),
        TimeDateKey<&KVTAPICALL::timedate_state_>("timedatestate"),
        UInt32Key<&KVTAPICALL::states_reached_>("statesreached"),
        FlagWordKey<&KVTAPICALL::origin_>("origin"),
        FlagWordKey<&KVTAPICALL::features_>("features"),
        UIntKey<&KVTAPICALL::foreign_handle_>("foreignhandle"),
        TimeDateKey<&KVTAPICALL::timedate_created_>("timedatecreated"),
        TimeDateKey<&KVTAPICALL::timedate_connected_>("timedateconnected"),
        TimeDateKey<&KVTAPICALL::timedate_disconnected_>("timedatedisconnected"),
        TextKey<&KVTAPICALL::csta_handle_>("cstahandle", kKeyOmitWhenEmpty),
        UInt32Key<&KVTAPICALL::phone_new_line_index_>("phonenewlineindex"),
    };
    static constexpr RecordForm<KVTAPICALL> kForm{
        .element_name = kElementName,
        .keys = kKeys,
        .write_policy = RecordWritePolicy::kStopAtFailure,
        .link_counts = true,
    };
    return kForm;
}

// The identifier is entity-encoded like the texts: a line name holding "<" or
// ">" would otherwise end the tag. An element that could not be linked under
// the parent gets nothing more: the call would land nowhere.
KvResult KVTAPICALL::WriteXml(XmlNode*& out, XmlDocument& document, XmlNode* parent) {
    const KvResult begun = BeginRecordXml(*this, Form(), out, document, parent);
    if (out == nullptr || begun != KV_OK)
        return begun;
    const KvResult identified = AddRecordAttribute(document, out, "identifier", identifier_, true);
    if (identified != KV_OK)
        return identified;
    return WriteRecordKeys(*this, Form().keys, document, out, RecordWritePolicy::kStopAtFailure);
}

KvResult KVTAPICALL::ReadXml(const XmlNode* node) {
    if (!IsValidPtr(node))
        return KV_E_INVALID_POINTER;
    if (node->GetName() != kElementName)
        return KV_OK;
    std::string identifier;
    const KvResult found = ReadRecordAttribute(*node, "identifier", identifier, true);
    if (found != KV_OK)
        return found;
    identifier_ = std::move(identifier);
    return ReadRecordKeys(*this, Form().keys, *node);
}
