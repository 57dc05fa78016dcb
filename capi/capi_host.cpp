#include "capi/capi_host.h"

#include "platform/text.h"

#include <algorithm>
#include <array>
#include <limits>

namespace {

// One pass takes at most this many messages, so that a flood cannot keep the
// managers from running.
constexpr std::uint32_t kMaxMessagesPerPass = 256;
// CONNECT_B3_RESP's Reject: refused, normal clearing.
constexpr std::uint32_t kRefuseB3 = 2;

bool IsConfirmation(const CapiStoredMessage& entry, std::uint8_t command) {
    return entry.GetCommand() == command && entry.GetSubcommand() == CAPI_CONF;
}

// The bytes of a message as an adapter hands it out: the header's length,
// and behind a DATA_B3_IND its data.
std::size_t ReceivedLength(const std::uint8_t* message) {
    const std::size_t length = CapiMessageLength(message);
    if (message[kCapiOffsetCommand] != CAPI_DATA_B3 ||
        message[kCapiOffsetSubcommand] != CAPI_IND || length < kCapiDataB3Length)
        return length;
    return length + CapiGetWord(message + kCapiDataB3OffsetLength);
}

} // namespace

CapiHost::CapiHost(CapiEntryPoints* capi) : capi_(capi) {}

CapiHost::~CapiHost() {
    DeleteAllManagers();
    Stop();
}

void CapiHost::DeleteAllManagers() {
    ManagerMap managers;
    managers.swap(all_managers_);
    managers_by_type_.clear();
    iteration_map_ = nullptr;
    for (CapiManagerBase* manager : managers)
        delete manager;
}

KvResult CapiHost::Start() {
    if (capi_ == nullptr)
        return KV_E_INVALID_POINTER;
    if (registered_)
        return KV_OK;
    installed_code_ = capi_->CAPI_INSTALLED();
    if (installed_code_ != 0) {
        capi_code_ = installed_code_;
        return KV_E_CAPI_INFO;
    }
    DWORD appl_id = 0;
    capi_code_ = capi_->CAPI_REGISTER(kMessageBufferSize, kMaxLogicalConnections,
                                      kMaxBDataBlocks, kMaxBDataLength, &appl_id);
    if (capi_code_ != 0)
        return KV_E_CAPI_INFO;
    appl_id_ = appl_id;
    registered_ = true;
    DWORD versions[4] = {0, 0, 0, 0};
    if (capi_->CAPI_GET_VERSION(&versions[0], &versions[1], &versions[2], &versions[3]) == 0) {
        capi_version_[0] = versions[0];
        capi_version_[1] = versions[1];
        manufacturer_version_[0] = versions[2];
        manufacturer_version_[1] = versions[3];
    }
    return KV_OK;
}

void CapiHost::Stop() {
    if (!registered_ || capi_ == nullptr)
        return;
    capi_->CAPI_RELEASE(appl_id_);
    registered_ = false;
}

std::string CapiHost::DescribeStart() const {
    std::string text;
    if (registered_) {
        std::string version;
        FormatCapiVersion(version);
        text = Format("CAPI %s registered, ApplID %u", version.c_str(), appl_id_);
    } else if (installed_code_ != 0) {
        text = Format("no CAPI: CAPI_INSTALLED gave 0x%04X (no ISDN controller)",
                   installed_code_);
    } else if (capi_code_ != 0) {
        text = Format("no CAPI: CAPI_REGISTER gave 0x%04X", capi_code_);
    } else {
        text = "CAPI not started";
    }
    return text;
}

void CapiHost::Pass() {
    FetchMessages();
    RunManagers();
    AnswerUnhandled();
    PruneMessages();
    DeleteEndedManagers();
}

bool CapiHost::StoreMessage(std::uint32_t appl_id, std::span<const std::uint8_t> message) {
    if (message.size() < kCapiHeaderLength || CapiMessageLength(message.data()) < kCapiHeaderLength ||
        CapiMessageLength(message.data()) > kCapiMaxMessageLength) {
        ++dropped_count_;
        return false;
    }
    CapiStoredMessage entry;
    entry.bytes.assign(message.begin(), message.end());
    entry.sequence = next_sequence_++;
    entry.received.SetNow();
    store_[appl_id].push_back(std::move(entry));
    return true;
}

void CapiHost::FetchMessages() {
    if (!registered_)
        return;
    for (std::uint32_t count = 0; count < kMaxMessagesPerPass; ++count) {
        void* received = nullptr;
        if (capi_->CAPI_GET_MESSAGE(appl_id_, &received) != 0 || received == nullptr)
            return;
        const auto* bytes = static_cast<const std::uint8_t*>(received);
        StoreMessage(appl_id_, {bytes, ReceivedLength(bytes)});
    }
}

void CapiHost::RunManagers() {
    for (CapiManagerBase* manager : all_managers_) {
        manager->Run();
        for (std::uint32_t run = 1; run < kMaxRunsPerPass && manager->RunsAgain(); ++run)
            manager->Run();
    }
}

DWORD CapiHost::PutBuilt(KvResult built) {
    if (built != KV_OK || capi_ == nullptr)
        return kCapiIllegalCommand;
    return capi_->CAPI_PUT_MESSAGE(appl_id_, codec_.GetMessage());
}

// Indications that need an answer whatever the managers decided: without it
// the driver keeps the PLCI or stalls the B3 window. CONNECT_IND stays
// unanswered, so that listening stays passive. A call that no connection
// holds any more is cleared.
void CapiHost::AnswerUnhandled() {
    const auto found = store_.find(appl_id_);
    if (found == store_.end())
        return;
    codec_.SetApplId(appl_id_);
    for (CapiStoredMessage& entry : found->second) {
        ForgetEndedCall(entry);
        if (entry.handled)
            continue;
        if (entry.GetSubcommand() == CAPI_IND)
            AnswerStrayIndication(entry);
        else if (IsConfirmation(entry, CAPI_CONNECT))
            ClearUnheldCall(entry);
    }
}

// Each is answered for the PLCI or NCCI (and Data Handle) read from it,
// however the rest of it fails, and not at all when it holds none: the codec
// would still hold an earlier message's. One naming a PLCI that a call still
// holds is left to the manager whose call it is: twice would be a fault.
void CapiHost::AnswerStrayIndication(CapiStoredMessage& entry) {
    const std::span<const std::uint8_t> view = entry.View();
    const std::uint8_t command = entry.GetCommand();
    if (command == CAPI_CONNECT ||
        !(command == CAPI_DATA_B3 ? DataB3IdsRead(view) : CapiMessageHolds(view, kCapiIdEnd)))
        return;
    KvResult built = KV_E_FAIL;
    switch (command) {
    case CAPI_CONNECT_ACTIVE: {
        codec_.DecodeConnectActiveInd(view);
        const std::uint32_t plci = codec_.GetPlci();
        if (HoldsPlci(plci))
            return;
        PutBuilt(codec_.BuildConnectActiveResp(codec_.GetReceivedMessageNumber()));
        entry.handled = true;
        // A call cleared for want of activation that the network made active
        // all the same: nobody would read or clear it.
        if (ForgetClearedPlci(plci)) {
            codec_.SetPlci(plci);
            codec_.AdditionalInfo().Clear();
            PutBuilt(codec_.BuildDisconnectReq(NextMessageNumber()));
        }
        return;
    }
    case CAPI_DISCONNECT:
        codec_.DecodeDisconnectInd(view);
        if (HoldsPlci(codec_.GetPlci()))
            return;
        built = codec_.BuildDisconnectResp(codec_.GetReceivedMessageNumber());
        break;
    case CAPI_INFO:
        codec_.DecodeInfoInd(view);
        if (HoldsPlci(codec_.GetPlci()))
            return;
        built = codec_.BuildInfoResp(codec_.GetReceivedMessageNumber());
        break;
    case CAPI_FACILITY:
        // The answer repeats the selector, so it must have been read.
        if (!CapiMessageHolds(view, kCapiIdEnd + 2))
            return;
        codec_.DecodeFacilityInd(view);
        if (HoldsPlci(codec_.GetPlci()))
            return;
        built = codec_.BuildFacilityResp(codec_.GetReceivedMessageNumber());
        break;
    case CAPI_CONNECT_B3:
        // No record took the link: it is refused, and its DISCONNECT_B3_IND
        // answered as a stray.
        codec_.DecodeConnectB3Ind(view);
        codec_.Reject() = kRefuseB3;
        codec_.Ncpi().Clear();
        built = codec_.BuildConnectB3Resp(codec_.GetReceivedMessageNumber());
        break;
    case CAPI_CONNECT_B3_ACTIVE:
        codec_.DecodeConnectB3ActiveInd(view);
        built = codec_.BuildConnectB3ActiveResp(codec_.GetReceivedMessageNumber());
        break;
    case CAPI_DISCONNECT_B3:
        codec_.DecodeDisconnectB3Ind(view);
        built = codec_.BuildDisconnectB3Resp(codec_.GetReceivedMessageNumber());
        break;
    case CAPI_DATA_B3:
        codec_.DecodeDataB3Ind(view, nullptr);
        built = codec_.BuildDataB3Resp(codec_.GetReceivedMessageNumber());
        break;
    default:
        return;
    }
    PutBuilt(built);
    entry.handled = true;
}

// A CONNECT_CONF that came after its connection had given up waiting (timer
// 2) brings a call nobody will use or clear: it is cleared here. Its
// DISCONNECT_CONF is left alone and its DISCONNECT_IND answered as a stray.
void CapiHost::ClearUnheldCall(CapiStoredMessage& entry) {
    std::uint32_t info = 0;
    if (!CapiReadConfWord(entry, kCapiConfOffsetInfo, info) || info != 0)
        return;
    const std::uint32_t plci = CapiGetDword(&entry.bytes[kCapiConfOffsetPlci]);
    // PLCI 0 names no call to clear.
    if (plci == 0 || HoldsPlci(plci))
        return;
    codec_.SetPlci(plci);
    PutBuilt(codec_.BuildDisconnectReq(NextMessageNumber()));
    entry.handled = true;
}

void CapiHost::KeepClearedPlci(std::uint32_t plci) {
    if (plci == 0)
        return;
    ForgetClearedPlci(plci);
    if (cleared_plcis_.size() >= kMaxClearedPlcis)
        cleared_plcis_.pop_front();
    cleared_plcis_.push_back(plci);
}

bool CapiHost::ForgetClearedPlci(std::uint32_t plci) {
    const auto found = std::find(cleared_plcis_.begin(), cleared_plcis_.end(), plci);
    if (found == cleared_plcis_.end())
        return false;
    cleared_plcis_.erase(found);
    return true;
}

void CapiHost::ForgetEndedCall(const CapiStoredMessage& entry) {
    if (entry.sequence <= ended_calls_seen_)
        return;
    ended_calls_seen_ = entry.sequence;
    if (cleared_plcis_.empty() || entry.GetSubcommand() != CAPI_IND ||
        (entry.GetCommand() != CAPI_CONNECT && entry.GetCommand() != CAPI_DISCONNECT) ||
        !CapiMessageHolds(entry.View(), kCapiIdEnd))
        return;
    ForgetClearedPlci(CapiGetDword(&entry.bytes[kCapiHeaderLength]));
}

bool CapiHost::HoldsPlci(std::uint32_t plci) const {
    if (FindCallByPlci(connections_, plci) != nullptr)
        return true;
    for (CapiManagerBase* manager : all_managers_)
        if (FindCallByPlci(manager->GetConnections(), plci) != nullptr)
            return true;
    return false;
}

void CapiHost::PruneMessages() {
    std::uint32_t passed = std::numeric_limits<std::uint32_t>::max();
    for (const CapiManagerBase* manager : all_managers_)
        if (manager->WalksMessageStore())
            passed = std::min(passed, manager->GetLastSequence());
    for (auto& [appl_id, list] : store_)
        while (!list.empty() && list.front().sequence <= passed)
            list.pop_front();
}

void CapiHost::DeleteEndedManagers() {
    std::vector<CapiManagerBase*> ended;
    for (CapiManagerBase* manager : all_managers_)
        if (manager->GetState() == capi_state::kEnded)
            ended.push_back(manager);
    for (CapiManagerBase* manager : ended) {
        Unfile(manager);
        delete manager;
    }
}

KvResult CapiHost::FileManager(CapiManagerBase* manager) {
    if (manager == nullptr)
        return KV_E_INVALID_POINTER;
    manager->SetOwner(this);
    manager->SetLastSequence(next_sequence_ - 1);
    all_managers_.push_back(manager);
    managers_by_type_[manager->GetPayloadType()].push_back(manager);
    return KV_OK;
}

void CapiHost::Unfile(CapiManagerBase* manager) {
    all_managers_.remove(manager);
    const auto type = managers_by_type_.find(manager->GetPayloadType());
    if (type == managers_by_type_.end())
        return;
    type->second.remove(manager);
    if (type->second.empty())
        managers_by_type_.erase(type);
}

CapiManagerBase* CapiHost::FindManagerByJobId(std::uint32_t job_id) const {
    if (job_id == 0)
        return nullptr;
    for (CapiManagerBase* manager : all_managers_)
        if (manager->GetJobId() == job_id && manager->GetState() != capi_state::kEnded)
            return manager;
    return nullptr;
}

const CapiHost::ManagerMap* CapiHost::FindTypeMap(std::int32_t type) const {
    const auto found = managers_by_type_.find(type);
    return found != managers_by_type_.end() && !found->second.empty() ? &found->second : nullptr;
}

std::int32_t CapiHost::BeginIteration(std::int32_t type, Position* position,
                                      const ManagerMap** map) {
    if (position == nullptr || map == nullptr) {
        position = &iteration_position_;
        map = &iteration_map_;
    }
    const ManagerMap* chosen = type == 0 ? &all_managers_ : FindTypeMap(type);
    *map = chosen;
    if (chosen == nullptr || chosen->empty()) {
        *map = nullptr;
        return 0;
    }
    *position = chosen->begin();
    return 1;
}

CapiManagerBase* CapiHost::NextManager(Position* position, const ManagerMap** map) {
    if (position == nullptr || map == nullptr) {
        position = &iteration_position_;
        map = &iteration_map_;
    }
    if (*map == nullptr || *position == (*map)->end())
        return nullptr;
    return *(*position)++;
}

KvResult CapiHost::QueryControllers() {
    if (capi_ == nullptr)
        return query_result_ = KV_E_INVALID_POINTER;
    CapiControllerRecord scratch;
    std::uint32_t count = 0;
    capi_code_ = scratch.CountControllers(*capi_, count);
    if (capi_code_ != 0)
        return query_result_ = KV_E_CAPI_INFO;
    controller_count_ = count;
    KvResult result = KV_OK;
    for (std::uint32_t number = count; number >= 1; --number) {
        CapiControllerRecord* record = controllers_.Find(number);
        if (record == nullptr)
            record = controllers_.Create(number);
        if (record == nullptr)
            continue;
        capi_code_ = record->ReadProfile(*capi_, number);
        if (capi_code_ != 0) {
            result = KV_E_CAPI_INFO;
            break;
        }
    }
    return query_result_ = result;
}

std::uint32_t CapiHost::BChannelCount(const CapiControllerRecord& controller) {
    return std::min(controller.GetBChannelCount(), kMaxBChannels);
}

void CapiHost::FormatCapiVersion(std::string& out) const {
    out = Format("%d.%d", static_cast<std::int32_t>(capi_version_[0]),
               static_cast<std::int32_t>(capi_version_[1]));
}

void CapiHost::FormatManufacturerVersion(std::string& out) const {
    out = Format("%d.%d", static_cast<std::int32_t>(manufacturer_version_[0]),
               static_cast<std::int32_t>(manufacturer_version_[1]));
}
