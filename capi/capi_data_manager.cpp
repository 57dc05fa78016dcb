#include "capi/capi_data_manager.h"

#include "capi/capi_host.h"
#include "framework/named_value.h"
#include "platform/text.h"

#include <algorithm>
#include <cstring>
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

// The blocks the stream of the connection's link that was read dropped; 0
// for a connection not read: a second call taken in the same pass fills its
// stream too, unread, and its drops are no loss to the requester.
std::uint32_t DroppedOnTheLinkRead(CapiConnection& connection) {
    if (connection.GetIdWord() != kCallMark)
        return 0;
    CapiB3Connection* b3 = FindB3(connection, kCallMark, CapiB3Connection::kIdle);
    return b3 != nullptr ? b3->GetReceiveStream().GetDroppedCount() : 0;
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
    std::uint32_t dropped = 0;
    for (CapiConnection* connection : returned) {
        dropped += DroppedOnTheLinkRead(*connection);
        GiveUpCall(*connection);
        connections_.Release(connection);
    }
    if (owner_ != nullptr)
        owner_->GetConnectionTable().Transfer(connections_, connections_.GetFreeCount(), true);
    if (dropped != 0)
        PostStatusText(Format(kDroppedBlocksText, dropped));
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
    ReturnConnections([](CapiConnection&) { return true; });
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
        // The shutdown waits on an answered call the network has not made
        // active, for ever: it is cleared now, and waited for as any other;
        // made active after its record is back, the owner clears it.
        for (const auto& connection : connections_.InUse())
            if (connection->GetState() == CapiConnection::kAccepted &&
                SendDisconnectReq(connection.get()) == KV_OK)
                connection->SetClearedBeforeActive(true);
        SetState(capi_state::kShutdown);
        return;
    }
    ClearCallsNeverActivated();
    // Calls cleared before they became active (another device answered, or
    // the caller gave up while it rang) leave their records idle here; a
    // call cleared for want of activation goes back a second after its
    // DISCONNECT_REQ even when the network says nothing.
    ReturnConnections([](CapiConnection& connection) {
        if (connection.GetIdWord() != 0)
            return false;
        return connection.GetState() == CapiConnection::kIdle ||
               (connection.GetState() == CapiConnection::kDisconnectRequested &&
                connection.GetTimers().CheckExpired(kCapiConnectionAnswerTimer) != 0);
    });
    for (const auto& connection : connections_.InUse()) {
        if (connection->GetIdWord() == 0 && connection->GetState() == CapiConnection::kActive) {
            second_timers_.Restart(kDataWaitTimer, 0, data_wait_);
            second_timers_.Restart(kPhaseTimer, 0, kPhaseMilliseconds);
            // Made active after all, it is read and cleared as any other.
            connection->SetClearedBeforeActive(false);
            connection->SetIdWord(kCallMark);
            SetSubState(kWaitingForB3);
            return;
        }
    }
}

// Timer 1 of each answered call, kept with the call so that other callers
// are still answered meanwhile. A failed DISCONNECT_REQ is tried again a
// second later.
void CapiDataManager::ClearCallsNeverActivated() {
    for (const auto& connection : connections_.InUse()) {
        if (connection->GetIdWord() != 0 || connection->GetState() != CapiConnection::kAccepted)
            continue;
        TimerList& timers = connection->GetTimers();
        if (timers.CheckExpired(kCapiConnectionAnswerTimer) == 0) {
            if (!timers.IsRunning(kCapiConnectionAnswerTimer))
                timers.Restart(kCapiConnectionAnswerTimer, kTimer1Seconds, 0);
            continue;
        }
        if (SendDisconnectReq(connection.get()) == KV_OK)
            connection->SetClearedBeforeActive(true);
        timers.Restart(kCapiConnectionAnswerTimer, 0, kPhaseMilliseconds);
    }
}

void CapiDataManager::DoWaitForB3() {
    CapiConnection* connection = FindCall();
    if (connection == nullptr) {
        ReleaseCall();
        return;
    }
    if (CapiB3Connection* b3 = FindLinkToRead(*connection)) {
        // The data wait bounds the coming up of the link, not the reading.
        StopTimer(kDataWaitTimer);
        second_timers_.Restart(kPhaseTimer, 0, kPhaseMilliseconds);
        b3->SetIdWord(kCallMark);
        SetSubState(kReading);
        return;
    }
    if (connection->GetState() == CapiConnection::kIdle) {
        ReleaseCall();
        return;
    }
    if (SecondTimerExpired()) {
        StopTimer(kDataWaitTimer);
        second_timers_.Restart(kPhaseTimer, 0, kPhaseMilliseconds);
        SetSubState(kClearing);
    }
}

CapiB3Connection* CapiDataManager::FindLinkToRead(CapiConnection& connection) const {
    const bool call_up = connection.GetState() == CapiConnection::kActive;
    for (const auto& b3 : connection.GetB3Pool().InUse()) {
        if (b3->GetIdWord() != 0)
            continue;
        if (call_up && b3->GetState() == CapiB3Connection::kActive)
            return b3.get();
        if ((!call_up || b3->GetState() == CapiB3Connection::kIdle) &&
            HoldsB3Frame(b3->GetReceiveStream(), read_position_))
            return b3.get();
    }
    return nullptr;
}

CapiB3Connection* CapiDataManager::FindLinkBeingRead() {
    CapiConnection* connection = FindCall();
    return connection != nullptr ? FindB3(*connection, kCallMark, CapiB3Connection::kIdle)
                                 : nullptr;
}

bool CapiDataManager::RunsAgain() {
    if (state_ != capi_state::kListening || sub_states_[0] != kReading)
        return false;
    CapiB3Connection* b3 = FindLinkBeingRead();
    return b3 != nullptr && HoldsB3Frame(b3->GetReceiveStream(), read_position_);
}

void CapiDataManager::DoReading() {
    CapiConnection* connection = FindCall();
    if (connection == nullptr) {
        second_timers_.Restart(kPhaseTimer, 0, kPhaseMilliseconds);
        SetSubState(kWaitingForClearing);
        return;
    }
    CapiB3Connection* b3 = FindB3(*connection, kCallMark, CapiB3Connection::kIdle);
    if (b3 != nullptr) {
        StopTimer(kPhaseTimer);
        if (connection->GetState() == CapiConnection::kActive &&
            b3->GetState() == CapiB3Connection::kActive) {
            ReadFrame(b3->GetReceiveStream());
            return;
        }
        // The link or the call has gone; the frames it brought are still
        // reported, one a step, before the call is cleared.
        if (ReadFrame(b3->GetReceiveStream()))
            return;
    }
    StopTimer(kDataWaitTimer);
    second_timers_.Restart(kPhaseTimer, 0, kPhaseMilliseconds);
    SetSubState(kClearing);
}

namespace {

// A place among the received bytes, each block by its own length: a short
// block's padding is skipped, so a frame split anywhere reads whole.
class ReceivedBytes {
public:
    ReceivedBytes(const B3DataStream& stream, std::int32_t position)
        : stream_(stream), block_(static_cast<std::size_t>(position) / B3DataBlock::kCapacity),
          offset_(static_cast<std::uint32_t>(position) % B3DataBlock::kCapacity) {
        Settle();
    }

    bool AtEnd() const { return current_ == nullptr; }
    // Whether the last move passed a gap left by dropped blocks.
    bool CrossedGap() const { return crossed_gap_; }
    std::uint8_t Byte() const { return current_->GetData()[offset_]; }
    // The stream's padded position of the byte.
    std::int32_t Position() const {
        return static_cast<std::int32_t>(block_ * B3DataBlock::kCapacity + offset_);
    }
    void Advance() {
        ++offset_;
        crossed_gap_ = false;
        Settle();
    }
    // Moves to the first byte equal to the value, or to the end.
    void SkipTo(std::uint8_t value) {
        while (current_ != nullptr) {
            const std::uint8_t* data = current_->GetData();
            const void* found = std::memchr(data + offset_, value, current_->GetLength() - offset_);
            if (found != nullptr) {
                offset_ =
                    static_cast<std::uint32_t>(static_cast<const std::uint8_t*>(found) - data);
                return;
            }
            offset_ = current_->GetLength();
            Settle();
        }
    }
    // Whether the bytes from here on begin with the pattern.
    bool StartsWith(const std::uint8_t* pattern, std::size_t length) const {
        ReceivedBytes at = *this;
        for (std::size_t i = 0; i < length; ++i, at.Advance())
            if (at.AtEnd() || (i != 0 && at.CrossedGap()) || at.Byte() != pattern[i])
                return false;
        return true;
    }

private:
    // Onto a byte, past blocks with none left, noting a gap passed; null
    // past the last block.
    void Settle() {
        current_ = stream_.GetBlock(block_);
        while (current_ != nullptr && offset_ >= current_->GetLength()) {
            current_ = stream_.GetBlock(++block_);
            offset_ = 0;
            if (current_ != nullptr && current_->FollowsGap())
                crossed_gap_ = true;
        }
    }

    const B3DataStream& stream_;
    std::size_t block_;
    std::uint32_t offset_;
    const B3DataBlock* current_ = nullptr;
    bool crossed_gap_ = false;
};

// The padded position of the count-th last byte received from the position
// on; the position itself when fewer have come.
std::int32_t NthLastByte(const B3DataStream& stream, std::int32_t position, std::uint32_t count) {
    const std::size_t first = static_cast<std::size_t>(position) / B3DataBlock::kCapacity;
    const std::uint32_t first_offset =
        static_cast<std::uint32_t>(position) % B3DataBlock::kCapacity;
    for (std::size_t index = stream.Count(); index-- > first;) {
        const std::uint32_t start = index == first ? first_offset : 0;
        const std::uint32_t length = stream.GetBlock(index)->GetLength();
        const std::uint32_t held = length > start ? length - start : 0;
        if (held >= count)
            return static_cast<std::int32_t>(index * B3DataBlock::kCapacity + length - count);
        count -= held;
    }
    return position;
}

enum class FrameAt {
    kRead,   // read, the position past it
    kComing, // its length or kept data still to come
    kCut,    // cut by a gap before its kept data came: the position past the gap
    kNoSync, // no sync pattern from the position on
};

// The frame whose sync pattern begins here, once its length and kept data
// have come: at most 20 data bytes (a longer frame is cut; the length says
// how many were kept), and the position just past the frame's 32 bytes, or
// past what has come of them before the stream's end or a gap: bytes after
// a gap are never a frame's.
FrameAt ReadFrameAt(ReceivedBytes at, std::int32_t& position,
                    std::array<std::uint8_t, CapiDataManager::kFrameDataSize>& data,
                    std::uint32_t& length) {
    std::array<std::uint8_t, static_cast<std::size_t>(CapiDataManager::kFrameSpacing)> frame{};
    std::size_t held = 0;
    std::int32_t end = position;
    for (; held < frame.size() && !at.AtEnd(); ++held, at.Advance()) {
        if (held != 0 && at.CrossedGap())
            break;
        frame[held] = at.Byte();
        end = at.Position() + 1;
    }
    const std::uint32_t field =
        held < kDataOffset ? 0 : frame[kLengthOffset] | (frame[kLengthOffset + 1] << 8);
    const std::size_t kept = std::min<std::size_t>(field, CapiDataManager::kFrameDataSize);
    if (held < kDataOffset + kept) {
        if (at.AtEnd())
            return FrameAt::kComing;
        position = at.Position();
        return FrameAt::kCut;
    }
    data.fill(0);
    std::copy_n(frame.begin() + kDataOffset, kept, data.begin());
    length = static_cast<std::uint32_t>(kept);
    position = end;
    return FrameAt::kRead;
}

// The first sync pattern from the position on, or the end.
ReceivedBytes FindSync(const B3DataStream& stream, std::int32_t position) {
    ReceivedBytes at(stream, position);
    for (; !at.AtEnd(); at.Advance()) {
        at.SkipTo(kSync[0]);
        if (at.AtEnd() || at.StartsWith(kSync, sizeof kSync))
            break;
    }
    return at;
}

// The next frame from the position on. A frame cut by a gap goes with the
// dropped blocks, and the search goes on after the gap, as after noise.
FrameAt ReadNextFrame(const B3DataStream& stream, std::int32_t& position,
                      std::array<std::uint8_t, CapiDataManager::kFrameDataSize>& data,
                      std::uint32_t& length) {
    for (;;) {
        const ReceivedBytes at = FindSync(stream, position);
        if (at.AtEnd())
            return FrameAt::kNoSync;
        const FrameAt found = ReadFrameAt(at, position, data, length);
        if (found != FrameAt::kCut)
            return found;
    }
}

} // namespace

bool HoldsB3Frame(const B3DataStream& stream, std::int32_t position) {
    if (position < 0)
        return false;
    std::array<std::uint8_t, CapiDataManager::kFrameDataSize> data{};
    std::uint32_t length = 0;
    return ReadNextFrame(stream, position, data, length) == FrameAt::kRead;
}

// Flattened: once HoldsB3Frame shared the helpers they were no longer
// inlined here, and a step of capi_b3_frame_bench went from 52 to 93 ns (one
// core, the least of 10 runs); flattened it is 56-60 ns, within the spread
// of the unshared code's 53-60 ns on the same busy machine.
[[gnu::flatten]] bool ReadB3Frame(B3DataStream& stream, std::int32_t& position,
                                  std::array<std::uint8_t, CapiDataManager::kFrameDataSize>& data,
                                  std::uint32_t& length) {
    if (position < 0)
        return false;
    const FrameAt found = ReadNextFrame(stream, position, data, length);
    if (found == FrameAt::kNoSync) {
        // Noise: only the last bytes can still begin a sync pattern, so the
        // blocks before them go.
        position = NthLastByte(stream, position, sizeof kSync - 1);
    }
    while (position >= CapiDataManager::kKeepBelow) {
        stream.DeleteFirst();
        position -= CapiDataManager::kBlockSize;
    }
    return found == FrameAt::kRead;
}

bool CapiDataManager::ReadFrame(B3DataStream& stream) {
    if (!ReadB3Frame(stream, read_position_, frame_data_, frame_length_))
        return false;
    NotifyFrame();
    return true;
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
