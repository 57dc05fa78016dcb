#include "capi/capi_data_manager.h"

#include "capi/capi_host.h"
#include "framework/named_value.h"

#include <algorithm>
#include <iterator>
#include <vector>

namespace {

constexpr std::uint32_t kTimer1Seconds = 11;
constexpr std::uint32_t kTimer2Seconds = 4;
constexpr std::uint32_t kDataWaitTimer = 3;
constexpr std::uint32_t kPhaseTimer = 2;
constexpr std::uint32_t kPhaseMilliseconds = 1000;
constexpr std::uint32_t kCallMark = 3;
constexpr std::uint32_t kListenController = 1;
constexpr std::uint32_t kListenCipMask = 0x11;
constexpr std::uint32_t kListenPhaseRequested = 1;
constexpr std::uint32_t kListenPhaseConfirmed = 2;
constexpr std::uint8_t kSync[8] = {0x50, 0xA0, 0x50, 0xA0, 0x50, 0xA0, 0x50, 0xA0};
constexpr std::size_t kLengthOffset = 8;
constexpr std::size_t kDataOffset = 10;

// The B3 record with the id, in the state unless that is kIdle (any state).
CapiB3Connection* FindB3(CapiConnection& connection, std::uint32_t id, std::uint32_t state) {
    for (const auto& b3 : connection.GetB3Pool().InUse())
        if (b3->GetIdWord() == id && (state == CapiB3Connection::kIdle || b3->GetState() == state))
            return b3.get();
    return nullptr;
}

} // namespace

CapiDataManager::CapiDataManager() : CapiManagerBase(nullptr) {
    Reset();
    timers_.Add(kCapiManagerTimer1, kTimer1Seconds, 0);
    timers_.Add(kCapiManagerTimer2, kTimer2Seconds, 0);
    second_timers_.Add(kDataWaitTimer, 0, 0);
    second_timers_.Add(kPhaseTimer, 0, 0);
}

CapiDataManager::~CapiDataManager() {
    if (stop_ != nullptr)
        stop_->Release();
}

void CapiDataManager::Reset() {
    CapiManagerBase::Reset();
    payload_type_ = kTypeCode;
    data_wait_ = kDefaultDataWait;
    frame_length_ = 0;
    read_position_ = -1;
    listen_phase_ = 0;
}

KvResult CapiDataManager::Run() {
    if (owner_ != nullptr && appl_id_ != 0)
        ProcessMessages();
    result_ = KV_OK;
    return Step();
}

bool CapiDataManager::DropStopRequest() {
    CKvMessage* stop = TakeStopRequest();
    if (stop == nullptr)
        return false;
    stop->Release();
    return true;
}

KvResult CapiDataManager::Step() {
    switch (state_) {
    case capi_state::kStart:
        if (owner_ == nullptr) {
            SetState(capi_state::kError);
            return result_ = KV_E_INVALID_POINTER;
        }
        appl_id_ = owner_->GetApplId();
        SetState(capi_state::kRunning);
        return result_;
    case capi_state::kRunning:
        return DoListen();
    case capi_state::kWaitingForListenConf:
        return DoWaitForListenConf();
    case capi_state::kListening:
        return DoConnected();
    case capi_state::kError:
    case capi_state::kShutdown:
        StepClosingState();
        return result_;
    case capi_state::kRelease:
        ReturnConnectionsToOwner();
        SetState(capi_state::kEnded);
        return result_;
    default:
        return result_ = KV_CAPI_NOT_AVAILABLE;
    }
}

// A stop request is honoured while listening is being set up, too.
KvResult CapiDataManager::DoListen() {
    if (DropStopRequest()) {
        SetState(capi_state::kShutdown);
        return result_;
    }
    if (owner_->IsListenRequested() != 0) {
        SetState(capi_state::kWaitingForListenConf);
        return result_;
    }
    owner_->QueryControllers();
    if (SendListenReq(kListenController, 0, kListenCipMask) != KV_OK) {
        // Without a controller a retry every pass would never end.
        result_ = KV_CAPI_NOT_AVAILABLE;
        SetState(capi_state::kError);
        return result_;
    }
    owner_->SetListenRequested(1);
    listen_phase_ = kListenPhaseRequested;
    SetState(capi_state::kWaitingForListenConf);
    return result_;
}

KvResult CapiDataManager::DoWaitForListenConf() {
    if (DropStopRequest()) {
        SetState(capi_state::kShutdown);
        return result_;
    }
    if (owner_->IsListenConfirmed() == 0)
        return result_;
    ConfirmRequest(request_, KV_MSG_ATTR_ACCEPTED, false);
    timers_.Stop(kCapiManagerTimer1);
    listen_phase_ = kListenPhaseConfirmed;
    read_position_ = 0;
    SetState(capi_state::kListening);
    SetSubState(kIdle);
    return result_;
}

KvResult CapiDataManager::DoConnected() {
    // Unlike the other managers it keeps the stop request: a call in progress
    // is read to its end, then the request is answered.
    if (CKvMessage* first = queue_.Front()) {
        queue_.Remove(first);
        if (IsStopRequest(first) && stop_ == nullptr)
            stop_ = first;
        else
            first->Release();
    }
    switch (sub_states_[0]) {
    case kIdle:
        DoIdle();
        break;
    case kWaitingForB3:
        DoWaitForB3();
        break;
    case kReading:
        DoReading();
        break;
    case kClearing:
        DoClearing();
        break;
    case kWaitingForClearing:
        DoWaitForClearing();
        break;
    default:
        SetSubState(kIdle);
        break;
    }
    return result_;
}

CapiConnection* CapiDataManager::FindCall() {
    CapiConnection* connection = nullptr;
    connections_.FindById(kCallMark, connection);
    return connection;
}

template <typename Match> void CapiDataManager::ReturnConnections(Match match) {
    std::vector<CapiConnection*> returned;
    for (const auto& connection : connections_.InUse())
        if (match(*connection))
            returned.push_back(connection.get());
    for (CapiConnection* connection : returned)
        connections_.Release(connection);
    if (owner_ != nullptr)
        owner_->GetConnectionTable().Transfer(connections_, connections_.GetFreeCount(), true);
}

void CapiDataManager::ReleaseCall() {
    StopTimer(kDataWaitTimer);
    StopTimer(kPhaseTimer);
    // A second call taken in the same pass as this one is still up: its
    // frames would never be read, so it is cleared before its record goes.
    // The owner answers what comes for it from now on.
    for (const auto& connection : connections_.InUse())
        if (connection->GetState() != CapiConnection::kIdle &&
            connection->GetState() != CapiConnection::kDisconnectRequested)
            SendDisconnectReq(connection.get());
    ReturnConnections([](const CapiConnection&) { return true; });
    read_position_ = 0;
    SetSubState(kIdle);
}

void CapiDataManager::DoIdle() {
    if (stop_ != nullptr) {
        // The creation request goes (header only: its payload is this
        // manager); the stop request is answered in its place.
        SetRequestMessage(nullptr);
        CKvMessage* stop = stop_;
        stop_ = nullptr;
        SendSelfToRequester(stop, KV_MSG_ATTR_ENDED, false);
        SetState(capi_state::kShutdown);
        return;
    }
    // Calls cleared before they became active (another device answered, or
    // the caller gave up while it rang) leave their records idle here.
    ReturnConnections([](const CapiConnection& connection) {
        return connection.GetIdWord() == 0 && connection.GetState() == CapiConnection::kIdle;
    });
    for (const auto& connection : connections_.InUse()) {
        if (connection->GetIdWord() == 0 && connection->GetState() == CapiConnection::kActive) {
            second_timers_.Restart(kDataWaitTimer, 0, data_wait_);
            second_timers_.Restart(kPhaseTimer, 0, kPhaseMilliseconds);
            connection->SetIdWord(kCallMark);
            SetSubState(kWaitingForB3);
            return;
        }
    }
}

void CapiDataManager::DoWaitForB3() {
    CapiConnection* connection = FindCall();
    if (connection == nullptr || connection->GetState() == CapiConnection::kIdle) {
        ReleaseCall();
        return;
    }
    if (connection->GetState() == CapiConnection::kActive) {
        if (CapiB3Connection* b3 = FindB3(*connection, 0, CapiB3Connection::kActive)) {
            // The data wait bounds the coming up of the link, not the reading.
            StopTimer(kDataWaitTimer);
            second_timers_.Restart(kPhaseTimer, 0, kPhaseMilliseconds);
            b3->SetIdWord(kCallMark);
            SetSubState(kReading);
            return;
        }
    }
    if (SecondTimerExpired()) {
        StopTimer(kDataWaitTimer);
        second_timers_.Restart(kPhaseTimer, 0, kPhaseMilliseconds);
        SetSubState(kClearing);
    }
}

void CapiDataManager::DoReading() {
    CapiConnection* connection = FindCall();
    if (connection == nullptr) {
        second_timers_.Restart(kPhaseTimer, 0, kPhaseMilliseconds);
        SetSubState(kWaitingForClearing);
        return;
    }
    CapiB3Connection* b3 = FindB3(*connection, kCallMark, CapiB3Connection::kIdle);
    if (connection->GetState() == CapiConnection::kActive && b3 != nullptr &&
        b3->GetState() == CapiB3Connection::kActive) {
        StopTimer(kPhaseTimer);
        ReadFrame(b3->GetReceiveStream());
        return;
    }
    StopTimer(kDataWaitTimer);
    second_timers_.Restart(kPhaseTimer, 0, kPhaseMilliseconds);
    SetSubState(kClearing);
}

bool ReadB3Frame(B3DataStream& stream, std::int32_t& position,
                 std::array<std::uint8_t, CapiDataManager::kFrameDataSize>& data,
                 std::uint32_t& length) {
    if (position < 0)
        return false;
    // The bytes received from the read position on, each block by its own
    // length (a short block is padded in the stream), with their positions:
    // a frame split over two blocks is read whole.
    std::vector<std::uint8_t> bytes;
    std::vector<std::int32_t> positions;
    const std::size_t first = static_cast<std::size_t>(position) / B3DataBlock::kCapacity;
    for (std::size_t index = first; const B3DataBlock* block = stream.GetBlock(index); ++index) {
        const std::uint32_t start =
            index == first ? static_cast<std::uint32_t>(position) % B3DataBlock::kCapacity : 0;
        for (std::uint32_t at = start; at < block->GetLength(); ++at) {
            bytes.push_back(block->GetData()[at]);
            positions.push_back(static_cast<std::int32_t>(index * B3DataBlock::kCapacity + at));
        }
    }
    bool read = false;
    const auto found = std::search(bytes.begin(), bytes.end(), std::begin(kSync), std::end(kSync));
    const std::size_t q = static_cast<std::size_t>(found - bytes.begin());
    // A frame whose length or kept data has not all come yet waits for the
    // next block.
    if (found != bytes.end() && bytes.size() - q >= kDataOffset) {
        const std::uint32_t field = bytes[q + kLengthOffset] | (bytes[q + kLengthOffset + 1] << 8);
        // A longer frame is cut to the data field; the length says how many
        // bytes were kept.
        const std::size_t kept = std::min<std::size_t>(field, CapiDataManager::kFrameDataSize);
        if (bytes.size() - q - kDataOffset >= kept) {
            data.fill(0);
            std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(q + kDataOffset), kept,
                        data.begin());
            length = static_cast<std::uint32_t>(kept);
            // Just past the frame's 32 bytes, or past what has come of them.
            const std::size_t end = std::min(
                q + static_cast<std::size_t>(CapiDataManager::kFrameSpacing), bytes.size());
            position = positions[end - 1] + 1;
            read = true;
        }
    }
    while (position >= CapiDataManager::kKeepBelow) {
        stream.DeleteFirst();
        position -= CapiDataManager::kBlockSize;
    }
    return read;
}

void CapiDataManager::ReadFrame(B3DataStream& stream) {
    if (ReadB3Frame(stream, read_position_, frame_data_, frame_length_))
        NotifyFrame();
}

void CapiDataManager::NotifyFrame() {
    if (request_ == nullptr || request_->GetKind() != KV_MSG_KIND_REQUEST)
        return;
    CKvMessage* notice = nullptr;
    if (request_->CloneHeader(notice) != KV_OK || notice == nullptr)
        return;
    auto* frame = new CKvNamedValue;
    frame->SetText(kFrameName, std::string(frame_data_.begin(), frame_data_.begin() + frame_length_));
    frame->SetNumberBesideText(frame_length_);
    notice->SetPayloadType(KV_PAYLOAD_NAMED_VALUE);
    notice->SetPayload(frame);
    notice->SwapJobIds();
    notice->SetKind(KV_MSG_KIND_INFO);
    notice->SetAttribute(KV_MSG_ATTR_NOTIFICATION);
    notice->Send(request_->GetSourceEndpoint(), endpoint_, router_, NextValue(value_counter_), true,
                 false);
}

void CapiDataManager::DoClearing() {
    CapiConnection* connection = FindCall();
    if (connection == nullptr || connection->GetState() == CapiConnection::kIdle) {
        call_note_.clear();
        ReleaseCall();
        return;
    }
    if (connection->GetState() != CapiConnection::kDisconnectRequested &&
        SendDisconnectReq(connection) == KV_OK) {
        second_timers_.Restart(kPhaseTimer, 0, kPhaseMilliseconds);
        SetSubState(kWaitingForClearing);
        return;
    }
    if (second_timers_.CheckExpired(kPhaseTimer) != 0)
        ReleaseCall();
}

void CapiDataManager::DoWaitForClearing() {
    CapiConnection* connection = FindCall();
    if (connection == nullptr || connection->GetState() == CapiConnection::kIdle ||
        second_timers_.CheckExpired(kPhaseTimer) != 0)
        ReleaseCall();
}
