#include "jobs/job_data.h"

#include "core/ipv4_address.h"
#include "core/record_xml.h"
#include "data/data_host.h"
#include "framework/connection_objects.h"
#include "framework/holder_objects.h"
#include "framework/payload_registry.h"
#include "jobs/job_data_root.h"
#include "platform/local_identity.h"
#include "platform/number_parse.h"
#include "platform/object_pool.h"
#include "platform/pointer.h"
#include "platform/tcp_transport.h"
#include "platform/text.h"

#include <array>

namespace {

// Names with their lengths, so that reading a received type compares
// lengths before bytes.
struct TypeNameRow {
    std::uint32_t code;
    std::string_view name;
};

constexpr const char* kUnspecifiedTypeName = "K_KVJBDT_TP_UNSPECIFIED";

constexpr std::array<TypeNameRow, 14> kTypeNames = {{
    {K_KVJBDT_TP_DIAL, "K_KVJBDT_TP_DIAL"},
    {K_KVJBDT_TP_LISTEN, "K_KVJBDT_TP_LISTEN"},
    {K_KVJBDT_TP_ROOT, "K_KVJBDT_TP_ROOT"},
    {K_KVJBDT_TP_CLIENT, "K_KVJBDT_TP_CLIENT"},
    {K_KVJBDT_TP_CAPISERVER, "K_KVJBDT_TP_CAPISERVER"},
    {K_KVJBDT_TP_CHAT, "K_KVJBDT_TP_CHAT"},
    {K_KVJBDT_TP_CHAT2, "K_KVJBDT_TP_CHAT2"},
    {K_KVJBDT_TP_CLIENT2, "K_KVJBDT_TP_CLIENT2"},
    {K_KVJBDT_TP_DIAL2, "K_KVJBDT_TP_DIAL2"},
    {K_KVJBDT_TP_LISTEN2, "K_KVJBDT_TP_LISTEN2"},
    {K_KVJBDT_TP_TSPDIAL, "K_KVJBDT_TP_TSPDIAL"},
    {K_KVJBDT_TP_SYNCHRONIZE, "K_KVJBDT_TP_SYNCHRONIZE"},
    {K_KVJBDT_TP_TAPI_DIAL, "K_KVJBDT_TP_TAPI_DIAL"},
    {K_KVJBDT_TP_TAPI_LISTEN, "K_KVJBDT_TP_TAPI_LISTEN"},
}};

constexpr std::string_view kLoopbackText = "127.0.0.1";

struct Identity {
    std::string user;
    std::string host;
    std::string address;
};

Identity ReadLocalIdentity() {
    LocalIdentitySource& source = GetLocalIdentitySource();
    Identity identity;
    source.GetUserName(identity.user);
    source.GetHostName(identity.host);
    std::vector<std::uint32_t> addresses;
    if (!source.GetAddresses(addresses))
        addresses.clear();
    IPv4Address address;
    address.SetValue(SelectIdentityAddress(addresses));
    identity.address = address.GetText();
    return identity;
}

} // namespace

void* CKvJobData::operator new(std::size_t size) {
    static_assert(alignof(CKvJobData) <= object_pool::kAlignment);
    return object_pool::AllocateSized(size);
}

void CKvJobData::operator delete(void* job, std::size_t size) noexcept {
    object_pool::FreeSized(job, size);
}

CKvJobData::CKvJobData() {
    datetime_.Clear();
}

CKvJobData::~CKvJobData() {
    if (!IsValidPtr(carrying_message_))
        return;
    if (carrying_message_->GetPayload() == static_cast<void*>(this))
        carrying_message_->DeleteHeaderOnly();
    else
        carrying_message_->Release();
}

void CKvJobData::SetTarget(CKvMessageRouter* router, std::uint16_t endpoint_id) {
    router_ = router;
    endpoint_id_ = endpoint_id;
}

CKvJobData& CKvJobData::CopyFrom(const CKvJobData& other) {
    if (&other == this)
        return *this;
    idsource_ = other.idsource_;
    target_job_id_ = other.target_job_id_;
    originating_job_id_ = other.originating_job_id_;
    job_id_ = other.job_id_;
    sequence_counter_ = other.sequence_counter_;
    loginname_ = other.loginname_;
    last_result_ = other.last_result_;
    router_ = other.router_;
    endpoint_id_ = other.endpoint_id_;
    waiting_flag_ = other.waiting_flag_;
    received_type_code_ = other.received_type_code_;
    state_ = other.state_;
    previous_state_ = other.previous_state_;
    transport_mode_ = other.transport_mode_;
    messagetype_ = other.messagetype_;
    attribute_ = other.attribute_;
    local_ = other.local_;
    peer_ = other.peer_;
    datetime_ = other.datetime_;
    CKvMessage* header = nullptr;
    if (IsValidPtr(other.carrying_message_) &&
        other.carrying_message_->CloneHeader(header) != KV_OK)
        header = nullptr;
    SetCarryingMessage(header);
    return *this;
}

void CKvJobData::SetHeader(std::uint32_t messagetype, std::uint32_t attribute,
                           std::uint32_t idtarget, std::uint32_t idsource) {
    messagetype_ = messagetype;
    attribute_ = attribute;
    SetIds(idtarget, idsource);
}

void CKvJobData::SetIds(std::uint32_t idtarget, std::uint32_t idsource) {
    target_job_id_ = idtarget;
    idsource_ = idsource;
}

void CKvJobData::SetMessageType(std::uint32_t messagetype, std::uint32_t attribute) {
    messagetype_ = messagetype;
    attribute_ = attribute;
}

void CKvJobData::SetLocalHost(const char* name, const std::string& dotted, std::uint32_t port) {
    local_.SetName(name);
    local_.SetAddressText(dotted);
    local_.SetPort(port);
}

std::string CKvJobData::GetIdSourceText() const {
    std::string text;
    return AssignUnsigned(text, idsource_);
}

std::string CKvJobData::GetIdTargetText() const {
    std::string text;
    return AssignUnsigned(text, target_job_id_);
}

void CKvJobData::SetCarryingMessage(CKvMessage* message) {
    if (message == carrying_message_)
        return;
    if (IsValidPtr(carrying_message_)) {
        if (carrying_message_->GetPayload() == static_cast<void*>(this))
            carrying_message_->DeleteHeaderOnly();
        else
            carrying_message_->Release();
    }
    carrying_message_ = message;
}

void CKvJobData::DetachFromCarryingMessage() {
    if (IsValidPtr(carrying_message_) &&
        carrying_message_->GetPayload() == static_cast<void*>(this))
        carrying_message_->DetachPayload();
}

const char* CKvJobData::TypeName(std::uint32_t code) {
    for (const TypeNameRow& row : kTypeNames) {
        if (row.code == code)
            return row.name.data();
    }
    return kUnspecifiedTypeName;
}

bool CKvJobData::TypeCodeFromName(std::string_view name, std::uint32_t& code) {
    for (const TypeNameRow& row : kTypeNames) {
        if (SameText(name, row.name)) {
            code = row.code;
            return true;
        }
    }
    return false;
}

void CKvJobData::SetSubState(std::uint32_t sub_state) {
    previous_sub_state_ = sub_state_;
    sub_state_ = sub_state;
}

XmlDocument& CKvJobData::Document() {
    if (!document_)
        document_ = std::make_unique<XmlDocument>();
    return *document_;
}

void CKvJobData::SwapIds() {
    std::swap(idsource_, target_job_id_);
}

KvResult CKvJobData::SendMessage(CKvMessage* message, std::uint16_t target, bool queue_if_absent) {
    ++sequence_counter_;
    return message->Send(target, endpoint_id_, router_, sequence_counter_, true, queue_if_absent);
}

KvResult CKvJobData::SendToHost(CKvMessage* message, std::uint16_t target) {
    return SendMessage(message, target, false);
}

KvResult CKvJobData::RequestRecord(CKvMessage*& answer, std::uint32_t command, std::uint16_t target,
                                   std::uint32_t addressed_job_id, void* record,
                                   std::int32_t payload_type) {
    switch (sub_state_) {
    case 0: {
        last_result_ = KV_OK;
        answer = nullptr;
        CKvMessage* message = nullptr;
        if (!IsValidPtr(record)) {
            void* payload = nullptr;
            if (!IsValidPtr(router_) ||
                !router_->CreateMessageWithPayload(message, payload, payload_type)) {
                last_result_ = KV_E_OUT_OF_MEMORY;
                return last_result_;
            }
            message->SetKindAndCommand(KV_MSG_KIND_REQUEST, static_cast<std::int32_t>(command),
                                       KV_SUBCOMMAND_ONE_RECORD);
        } else {
            message = new CKvMessage;
            message->SetHeader(KV_MSG_KIND_REQUEST, record, payload_type,
                               static_cast<std::int32_t>(command), KV_SUBCOMMAND_ONE_RECORD,
                               KV_MSG_ATTR_UNSPECIFIED);
            // SetHeader keeps the sub-command when the command is 0.
            message->SetSubCommand(KV_SUBCOMMAND_ONE_RECORD);
        }
        message->SetJobIds(addressed_job_id, job_id_, originating_job_id_);
        last_result_ = SendMessage(message, target, false);
        if (last_result_ != KV_OK)
            return last_result_;
        waiting_flag_ = 1;
        timers_.Start(kAnswerTimerId);
        SetSubState(2);
        return last_result_;
    }
    case 2: {
        CKvMessage* found = nullptr;
        if (!incoming_.FindByPayloadType(found, payload_type)) {
            waiting_flag_ = 1;
            if (timers_.CheckExpired(kAnswerTimerId))
                last_result_ = KV_E_TIMEOUT;
            return last_result_;
        }
        if (!IsValidPtr(found)) {
            last_result_ = KV_E_INVALID_POINTER;
            return last_result_;
        }
        incoming_.Remove(found);
        timers_.Stop(kAnswerTimerId);
        answer = found;
        SetSubState(0);
        return last_result_;
    }
    default:
        last_result_ = KV_E_ALREADY_STOPPING;
        return last_result_;
    }
}

KvResult CKvJobData::WriteHeader(XmlNode*& out) {
    last_result_ = KV_OK;
    out = nullptr;
    XmlDocument& document = Document();
    XmlElement* root = document.GetRoot();
    if (!IsValidPtr(root)) {
        last_result_ = KV_E_INVALID_POINTER;
        return last_result_;
    }
    XmlNode* header = nullptr;
    last_result_ = AddRecordElement(header, document, root, "JobData");
    if (last_result_ != KV_OK)
        return last_result_;
    last_result_ = AddRecordAttribute(document, header, "type", TypeName(type_code_));
    if (last_result_ != KV_OK)
        return last_result_;
    std::string idtarget;
    std::string idsource;
    AssignUnsigned(idtarget, target_job_id_);
    AssignUnsigned(idsource, idsource_);
    const std::array<std::pair<const char*, std::string_view>, 4> children = {{
        {"messagetype", CKvMessage::KindName(static_cast<std::int32_t>(messagetype_))},
        {"attribute", CKvMessage::AttributeName(static_cast<std::int32_t>(attribute_))},
        {"idtarget", idtarget},
        {"idsource", idsource},
    }};
    for (const auto& [name, text] : children) {
        XmlNode* child = nullptr;
        last_result_ = document.AddTextElement(child, header, name, text, TRUE);
        if (last_result_ != KV_OK)
            return last_result_;
    }
    out = header;
    return last_result_;
}

KvResult CKvJobData::Serialize(std::string& out) {
    last_result_ = KV_OK;
    out.clear();
    XmlDocument& document = Document();
    document.Clear();
    XmlNode* header = nullptr;
    if (WriteHeader(header) != KV_OK)
        return last_result_;
    const KvResult written = WriteXml(header);
    if (written != KV_OK) {
        last_result_ = written;
        return last_result_;
    }
    if (!IsValidPtr(document.GetRoot())) {
        last_result_ = KV_E_INVALID_POINTER;
        return last_result_;
    }
    last_result_ = document.GetText(out);
    return last_result_;
}

KvResult CKvJobData::PostToHost(const std::string& address, std::uint32_t port,
                                const std::string* text) {
    last_result_ = KV_OK;
    const bool confirmation = messagetype_ == KV_MSG_KIND_CONFIRMATION;
    if (confirmation)
        SwapIds();
    std::string serialized;
    KvResult result = Serialize(serialized);
    if (result == KV_OK) {
        xml_text_ = std::move(serialized);
        result = KV_E_INVALID_POINTER;
        CKvMessage* message = nullptr;
        void* payload = nullptr;
        if (IsValidPtr(router_)) {
            result = KV_E_OUT_OF_MEMORY;
            if (router_->CreateMessageWithPayload(message, payload, KV_PAYLOAD_TYPED_OBJECT42)) {
                message->SetKindAndCommand(KV_MSG_KIND_INFO, KV_MSG_COMMAND_NOTIFICATION,
                                           KV_SUBCOMMAND_ONE_RECORD);
                message->SetJobIds(0, idsource_, originating_job_id_);
                // The ids follow the text's header, which a peer may choose:
                // the host learns from this word which job sends.
                message->SetSpareWord(job_id_);
                auto* request = static_cast<CKvTypedObject42*>(payload);
                request->SetState(1);
                const bool by_name = !IPv4Address::IsAddressText(address);
                request->SetData(by_name ? std::string() : address, port,
                                 IsValidPtr(text) ? *text : xml_text_, kSendTimeoutMs);
                if (by_name)
                    request->peers[0].SetName(address.c_str());
                result = SendMessage(message, KV_ENDPOINT_NETWORK, false);
            }
        }
    }
    last_result_ = result;
    if (confirmation)
        SwapIds();
    return last_result_;
}

KvResult CKvJobData::Send(const std::string* text) {
    const bool same_computer = peer_.GetAddress() == local_.GetAddress();
    switch (transport_mode_) {
    case KV_TRANSPORT_NONE:
        last_result_ = KV_E_ALREADY_STOPPING;
        return last_result_;
    case KV_TRANSPORT_REMOTE_PEER: {
        std::string destination = peer_.GetAddress() == 0 ? peer_.GetName()
                                  : same_computer         ? std::string(kLoopbackText)
                                                          : peer_.GetAddressText();
        return PostToHost(destination, peer_.GetPort(), text);
    }
    case KV_TRANSPORT_LOCAL:
    case KV_TRANSPORT_LOCAL_ALT: {
        std::string destination =
            same_computer ? std::string(kLoopbackText) : local_.GetAddressText();
        return PostToHost(destination, local_.GetPort(), text);
    }
    default:
        last_result_ = KV_E_BAD_STATE;
        return last_result_;
    }
}

KvResult CKvJobData::SendBySocket(const std::string& host, std::uint32_t port,
                                  const std::string* text) {
    last_result_ = KV_OK;
    if (host.empty() || port > 0xFFFF) {
        last_result_ = KV_E_FAIL;
        return last_result_;
    }
    const std::string& bytes = text != nullptr ? *text : xml_text_;
    if (host_link_ != nullptr)
        last_result_ = host_link_->SendJobText(*this, host, port, bytes) ? KV_OK : KV_E_SOCKET_SEND;
    else
        last_result_ = SendText(host, port, bytes, kSendTimeoutMs);
    return last_result_;
}

KvResult CKvJobData::SendDirect() {
    const bool confirmation = messagetype_ == KV_MSG_KIND_CONFIRMATION;
    if (confirmation)
        SwapIds();
    std::string serialized;
    if (Serialize(serialized) == KV_OK) {
        xml_text_ = std::move(serialized);
        switch (transport_mode_) {
        case KV_TRANSPORT_REMOTE_PEER:
            SendBySocket(peer_.GetAddress() != 0 ? peer_.GetAddressText() : peer_.GetName(),
                         peer_.GetPort());
            break;
        case KV_TRANSPORT_LOCAL:
            SendBySocket(local_.GetAddressText(), local_.GetPort());
            break;
        case KV_TRANSPORT_NONE:
        case KV_TRANSPORT_LOCAL_ALT:
            last_result_ = KV_E_ALREADY_STOPPING;
            break;
        default:
            last_result_ = KV_E_BAD_STATE;
            break;
        }
    }
    if (confirmation)
        SwapIds();
    return last_result_;
}

KvResult CKvJobData::PostHostList() {
    last_result_ = KV_OK;
    CKvMessage* message = nullptr;
    void* payload = nullptr;
    if (!IsValidPtr(router_) ||
        !router_->CreateMessageWithPayload(message, payload, K_KVDT_TP_DTHDLR_DATACOMPUTER)) {
        last_result_ = KV_E_OUT_OF_MEMORY;
        return last_result_;
    }
    auto* host = static_cast<CKvDataHost*>(payload);
    host->GetHost().SetName(peer_.GetName().c_str());
    host->GetHost().SetAddress(peer_.GetAddress());
    message->SetKindAndCommand(KV_MSG_KIND_REQUEST, KV_MSG_COMMAND_DATA, KV_SUBCOMMAND_ONE_RECORD);
    message->SetJobIds(0, job_id_, job_id_);
    last_result_ = SendToHost(message, KV_ENDPOINT_HOST_MAIN);
    return last_result_;
}

void CKvJobData::PostStatusText(const char* text) {
    if (!IsValidPtr(router_) || !IsValidPtr(text))
        return;
    CKvMessage* message = nullptr;
    void* payload = nullptr;
    if (!router_->CreateMessageWithPayload(message, payload, KV_PAYLOAD_STAMPED_TEXT_RECORD))
        return;
    static_cast<CKvStampedTextRecord*>(payload)->text = text;
    message->SetKindAndCommand(KV_MSG_KIND_INFO, KV_MSG_COMMAND_NOTIFICATION, 0);
    SendMessage(message, KV_ENDPOINT_HOST_STATUS, true);
}

bool CKvJobData::ReadPeerKey(std::string_view name, std::string_view text) {
    if (SameText(name, "loginname"))
        loginname_ = text;
    else if (SameText(name, "hostname"))
        // The name was set as a C string: it ends at a zero byte.
        peer_.GetName().assign(text.substr(0, text.find('\0')));
    else if (SameText(name, "hostip"))
        peer_.SetAddressText(text);
    else if (SameText(name, "portnumber"))
        peer_.SetPort(ParseUInt32(text));
    else
        return false;
    return true;
}

void CKvJobData::AnswerOrRelease(CKvMessage* message) {
    if (message->GetKind() == KV_MSG_KIND_REQUEST) {
        message->SetKind(KV_MSG_KIND_CONFIRMATION);
        SendMessage(message, 0, false);
        return;
    }
    message->Release();
}

KvResult CKvJobData::PostText(const std::string& text, std::uint16_t target) {
    CKvMessage* message = nullptr;
    void* payload = nullptr;
    if (!IsValidPtr(router_) ||
        !router_->CreateMessageWithPayload(message, payload, KV_PAYLOAD_TEXT))
        return KV_E_OUT_OF_MEMORY;
    *static_cast<std::string*>(payload) = text;
    message->SetKindAndCommand(KV_MSG_KIND_INFO, KV_MSG_COMMAND_NOTIFICATION,
                               KV_SUBCOMMAND_ONE_RECORD);
    return SendToHost(message, target);
}

void CKvJobData::SetPeerToLocalHost() {
    const Identity identity = ReadLocalIdentity();
    loginname_ = identity.user;
    peer_.SetName(identity.host.c_str());
    peer_.SetAddressText(identity.address);
}

void CKvJobData::CollectLocalIdentity() {
    const Identity identity = ReadLocalIdentity();
    loginname_ = identity.user;
    local_.SetName(identity.host.c_str());
    local_.SetAddressText(identity.address);
    local_.SetPort(0);
}

CKvJobData::RootMachine CKvJobData::PickRootMachine() {
    last_result_ = KV_OK;
    if (IsValidPtr(handler_)) {
        if (CKvJobDataRoot* root = CKvJobDataRoot::FindRunning(*handler_)) {
            root_machine_ =
                root->UsesServer() ? RootMachine::kRequester : RootMachine::kServerless;
            return root_machine_;
        }
    }
    if (root_machine_ != RootMachine::kNone) {
        if (state_ != KV_JOB_STATE_CLEANUP && state_ != KV_JOB_STATE_FINISHED &&
            state_ != KV_JOB_STATE_STOP_REQUESTED)
            GoTo(KV_JOB_STATE_STOP_REQUESTED);
        return root_machine_;
    }
    if (state_ == KV_JOB_STATE_CLEANUP) {
        Finish();
    } else if (state_ != KV_JOB_STATE_FINISHED) {
        GoTo(KV_JOB_STATE_CLEANUP);
    }
    return RootMachine::kNone;
}

CKvJobData* CKvJobData::FirstReceivedJob(CKvMessage*& message, std::uint32_t type) {
    message = nullptr;
    if (!incoming_.FindByPayloadType(message, static_cast<std::int32_t>(type)) ||
        !IsValidPtr(message))
        return nullptr;
    void* payload = message->GetPayload();
    if (!IsValidPtr(payload))
        return nullptr;
    auto* job = static_cast<CKvJobData*>(payload);
    return job->GetSubType() == type ? job : nullptr;
}

void CKvJobData::FinishWait(std::uint32_t waiting_state, std::uint32_t expired_state) {
    incoming_.DeleteAll();
    if (state_ != waiting_state)
        return;
    if (timers_.CheckExpired(kAnswerTimerId))
        GoTo(expired_state);
    else
        waiting_flag_ = 1;
}

KvResult CKvJobData::SendRequestViaClientJob() {
    auto* client = IsValidPtr(handler_)
                       ? static_cast<CKvJobData*>(handler_->FirstJob(K_KVJBDT_TP_CLIENT))
                       : nullptr;
    if (!IsValidPtr(client))
        return KV_E_FAIL;
    peer_ = client->GetPeerComputer();
    local_ = client->GetLocalComputer();
    loginname_ = client->GetLoginName();
    SetHeader(KV_MSG_KIND_REQUEST, KV_MSG_ATTR_UNSPECIFIED, 0, job_id_);
    return Send();
}

void CKvJobData::Finish() {
    incoming_.DeleteAll();
    DetachFromCarryingMessage();
    GoTo(KV_JOB_STATE_FINISHED);
}
