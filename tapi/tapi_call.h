#pragma once
// KVTAPICALL: one call on one TAPI line (payload type 52, XML element
// "KVTAPICALL"): its handles, numbers, current and previous call state, the
// states reached, when it was created, connected and disconnected, whom to
// tell of its changes and which telephony function was last asked of it. The
// line thread keeps one per call in its calls manager; the TAPI jobs hold
// copies. A plain value record: copying copies every field.

#include "core/text_values.h"
#include "core/time_date.h"
#include "core/xml_document.h"
#include "data/record_keys.h"
#include "framework/payload_registry.h"
#include "platform/result_codes.h"
#include "tapi/tapi_value_tables.h"

#include <cstdint>
#include <string>

// What a requester asks of the line thread (kvtapifunc); 2 and 9 ask nothing.
enum KvTapiFunction : std::uint32_t {
    KV_TAPIFUNC_HOLD_TOGGLE = 1,
    KV_TAPIFUNC_MAKE_CALL = 3,
    KV_TAPIFUNC_CONFERENCE = 4,
    KV_TAPIFUNC_DROP = 5,
    KV_TAPIFUNC_TRANSFER = 6,
    KV_TAPIFUNC_REDIRECT = 7,
    KV_TAPIFUNC_BLIND_TRANSFER = 8,
    KV_TAPIFUNC_ANSWER = 10,
    KV_TAPIFUNC_SWAP_HOLD = 11,
    KV_TAPIFUNC_REMOVE_FROM_CONFERENCE = 12,
};

class KVTAPICALL {
public:
    static constexpr KvPayloadType kTypeCode = KV_PAYLOAD_TAPI_CALL;
    static constexpr std::uint32_t kStateUnknown = 0x8000u; // LINECALLSTATE_UNKNOWN
    static constexpr std::uint32_t kOriginUnknown = 0x10u;  // LINECALLORIGIN_UNKNOWN
    static constexpr std::uint32_t kNoPhoneNewLine = 0xFFFFFFFFu;

    // Stamps timedatecreated (and timedatestate) with the current time.
    KVTAPICALL();

    // Calls travel between threads as payloads and arrive by the dozen in a
    // line's report: like messages they come from a pool.
    static void* operator new(std::size_t size);
    static void operator delete(void* call, std::size_t size) noexcept;

    // stateprev := state, state := the new state; a real change also stamps
    // timedatestate, adds the state to statesreached, stamps the first
    // CONNECTED and, for a call that was connected, DISCONNECTED.
    void SetState(std::uint32_t state);

    // KV_E_INVALID_POINTER for a bad parent; else the element with its
    // "identifier" attribute and the text children, stopping at the first
    // failing step, whose code is returned. An element that cannot be linked
    // under the parent (a text element, a node of another document) stays
    // empty and the link's code is returned; out still points to it.
    KvResult WriteXml(XmlNode*& out, XmlDocument& document, XmlNode* parent);
    // KV_E_INVALID_POINTER for a bad node; an element of another name is left
    // alone (KV_OK); without "identifier" nothing is read (the look-up's
    // code). Tags that are absent leave their fields as they are.
    KvResult ReadXml(const XmlNode* node);

    std::uint32_t& GetHcall() { return hcall_; }
    std::uint32_t GetHcall() const { return hcall_; }
    std::string& GetCalledNumber() { return called_number_; }
    const std::string& GetCalledNumber() const { return called_number_; }
    std::string& GetCallingNumber() { return calling_number_; }
    std::uint32_t& GetReqId() { return reqid_; }
    std::uint32_t GetState() const { return state_; }
    std::uint32_t GetStatePrev() const { return state_prev_; }
    std::uint16_t& GetWmIdNotif() { return wmid_notif_; }
    std::uint32_t& GetIdTargetNotif() { return id_target_notif_; }
    std::uint32_t& GetKvTapiFunc() { return kvtapifunc_; }
    TimeDate& GetTimeDateState() { return timedate_state_; }
    std::uint32_t GetStatesReached() const { return states_reached_; }
    LineCallOriginTable& GetOrigin() { return origin_; }
    const LineCallOriginTable& GetOrigin() const { return origin_; }
    LineCallFeatureTable& GetFeatures() { return features_; }
    const LineCallFeatureTable& GetFeatures() const { return features_; }
    std::string& GetIdentifier() { return identifier_; }
    std::uint32_t& GetHline() { return hline_; }
    std::string& GetLineName() { return line_name_; }
    UIntValue& GetForeignHandle() { return foreign_handle_; }
    TimeDate& GetTimeDateCreated() { return timedate_created_; }
    TimeDate& GetTimeDateConnected() { return timedate_connected_; }
    TimeDate& GetTimeDateDisconnected() { return timedate_disconnected_; }
    std::string& GetCstaHandle() { return csta_handle_; }
    std::uint32_t& GetPhoneNewLineIndex() { return phone_new_line_index_; }
    // Not in the XML form.
    std::uint32_t& GetNumberCategory() { return number_category_; }
    std::uint32_t& GetMadeByThisLine() { return made_by_this_line_; }

private:
    static const RecordForm<KVTAPICALL>& Form();

    std::uint32_t hcall_ = 0;
    std::string called_number_;
    std::string calling_number_;
    std::uint32_t reqid_ = 0;
    std::uint32_t state_ = kStateUnknown;
    std::uint32_t state_prev_ = kStateUnknown;
    std::uint16_t wmid_notif_ = 0;
    std::uint32_t id_target_notif_ = 0;
    std::uint32_t kvtapifunc_ = 0;
    TimeDate timedate_state_;
    std::uint32_t states_reached_ = 0;
    LineCallOriginTable origin_;
    LineCallFeatureTable features_;
    std::string identifier_;
    std::uint32_t hline_ = 0;
    std::string line_name_;
    UIntValue foreign_handle_;
    TimeDate timedate_created_;
    TimeDate timedate_connected_;
    TimeDate timedate_disconnected_;
    std::string csta_handle_;
    std::uint32_t phone_new_line_index_ = kNoPhoneNewLine;
    std::uint32_t number_category_ = 0;
    std::uint32_t made_by_this_line_ = 0;
};
