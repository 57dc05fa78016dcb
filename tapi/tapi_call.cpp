#include "tapi/tapi_call.h"

#include "core/record_xml.h"
#include "platform/number_parse.h"
#include "platform/tapi/tapi_types.h"
#include "platform/text.h"

#include <string_view>
#include <utility>

namespace {

constexpr std::string_view kElementName = "KVTAPICALL";

// An unsigned 32-bit field: "%u", read as the 32-bit strtoul reads base 10.
template <auto Member> constexpr RecordKey<KVTAPICALL> UInt32Key(std::string_view name) {
    return CustomKey<KVTAPICALL>(
        name,
        [](KVTAPICALL& call, std::string& out) {
            out = Format("%u", static_cast<std::uint32_t>((call.*Member)()));
        },
        [](KVTAPICALL& call, std::string& text) -> KvResult {
            (call.*Member)() = ParseUInt32(text, 10);
            return KV_OK;
        });
}

// A flag table written as the decimal value of its flag word.
template <auto Member> constexpr RecordKey<KVTAPICALL> FlagWordKey(std::string_view name) {
    return CustomKey<KVTAPICALL>(
        name,
        [](KVTAPICALL& call, std::string& out) {
            out = Format("%u", (call.*Member)().GetValue());
        },
        [](KVTAPICALL& call, std::string& text) -> KvResult {
            (call.*Member)().FormatText(ParseUInt32(text, 10));
            return KV_OK;
        });
}

// A time stamp in its "%u.%03u" form.
template <auto Member> constexpr RecordKey<KVTAPICALL> StampKey(std::string_view name) {
    return CustomKey<KVTAPICALL>(
        name, [](KVTAPICALL& call, std::string& out) { (call.*Member)().GetText(out); },
        [](KVTAPICALL& call, std::string& text) -> KvResult {
            (call.*Member)().SetFromText(text);
            return KV_OK;
        });
}

// A text field: entity-encoded when written, decoded when read; left out
// when empty.
template <auto Member> constexpr RecordKey<KVTAPICALL> OptionalTextKey(std::string_view name) {
    RecordKey<KVTAPICALL> key{.name = name, .kind = RecordKeyKind::kText,
                              .rules = kKeyOmitWhenEmpty};
    key.text = [](KVTAPICALL& call) -> std::string& { return (call.*Member)(); };
    return key;
}

using UInt32Accessor = std::uint32_t& (KVTAPICALL::*)();

} // namespace

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
    static constexpr RecordKey<KVTAPICALL> kKeys[] = {
        UInt32Key<static_cast<UInt32Accessor>(&KVTAPICALL::GetHcall)>("hcall"),
        OptionalTextKey<&KVTAPICALL::GetLineName>("linename"),
        UInt32Key<&KVTAPICALL::GetHline>("hline"),
        UInt32Key<&KVTAPICALL::GetReqId>("reqid"),
        CustomKey<KVTAPICALL>(
            "state", [](KVTAPICALL& call, std::string& out) { out = Format("%u", call.state_); },
            [](KVTAPICALL& call, std::string& text) -> KvResult {
                call.state_ = ParseUInt32(text, 10);
                return KV_OK;
            }),
        CustomKey<KVTAPICALL>(
            "stateprev",
            [](KVTAPICALL& call, std::string& out) { out = Format("%u", call.state_prev_); },
            [](KVTAPICALL& call, std::string& text) -> KvResult {
                call.state_prev_ = ParseUInt32(text, 10);
                return KV_OK;
            }),
        OptionalTextKey<static_cast<std::string& (KVTAPICALL::*)()>(
            &KVTAPICALL::GetCalledNumber)>("callednumber"),
        OptionalTextKey<&KVTAPICALL::GetCallingNumber>("callingnumber"),
        CustomKey<KVTAPICALL>(
            "wmidnotif",
            [](KVTAPICALL& call, std::string& out) {
                out = Format("%u", static_cast<std::uint32_t>(call.wmid_notif_));
            },
            [](KVTAPICALL& call, std::string& text) -> KvResult {
                call.wmid_notif_ = static_cast<std::uint16_t>(ParseUInt32(text, 10) & 0xFFFFu);
                return KV_OK;
            }),
        UInt32Key<&KVTAPICALL::GetIdTargetNotif>("idtargetnotif"),
        UInt32Key<&KVTAPICALL::GetKvTapiFunc>("kvtapifunc"),
        StampKey<&KVTAPICALL::GetTimeDateState>("timedatestate"),
        CustomKey<KVTAPICALL>(
            "statesreached",
            [](KVTAPICALL& call, std::string& out) { out = Format("%u", call.states_reached_); },
            [](KVTAPICALL& call, std::string& text) -> KvResult {
                call.states_reached_ = ParseUInt32(text, 10);
                return KV_OK;
            }),
        FlagWordKey<static_cast<LineCallOriginTable& (KVTAPICALL::*)()>(&KVTAPICALL::GetOrigin)>(
            "origin"),
        FlagWordKey<static_cast<LineCallFeatureTable& (KVTAPICALL::*)()>(
            &KVTAPICALL::GetFeatures)>("features"),
        UIntKey<&KVTAPICALL::foreign_handle_>("foreignhandle"),
        StampKey<&KVTAPICALL::GetTimeDateCreated>("timedatecreated"),
        StampKey<&KVTAPICALL::GetTimeDateConnected>("timedateconnected"),
        StampKey<&KVTAPICALL::GetTimeDateDisconnected>("timedatedisconnected"),
        OptionalTextKey<&KVTAPICALL::GetCstaHandle>("cstahandle"),
        UInt32Key<&KVTAPICALL::GetPhoneNewLineIndex>("phonenewlineindex"),
    };
    static constexpr RecordForm<KVTAPICALL> kForm{
        .element_name = kElementName,
        .keys = kKeys,
        .write_policy = RecordWritePolicy::kStopAtFailure,
    };
    return kForm;
}

// The identifier is entity-encoded like the texts: a line name holding "<" or
// ">" would otherwise end the tag.
KvResult KVTAPICALL::WriteXml(XmlNode*& out, XmlDocument& document, XmlNode* parent) {
    const KvResult begun = BeginRecordXml(*this, Form(), out, document, parent);
    if (out == nullptr)
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
