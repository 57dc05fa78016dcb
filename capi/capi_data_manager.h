#pragma once
// Receives framed data over a B channel (payload 34, created and destroyed by
// type, never copied): it listens on controller 1, accepts a call to its own
// number (text 1), waits for the B3 link and reads 32-byte frames out of the
// received data, reporting each to its requester as a NOTIFICATION. The
// notification is the request's header carrying a CKvNamedValue (26) named
// "CAPI_DATA_FRAME": the frame's bytes as text, their count as number.

#include "capi/capi_manager_base.h"

#include <array>
#include <cstdint>
#include <string>

class CapiDataManager : public CapiManagerBase {
public:
    static constexpr std::int32_t kTypeCode = 34;
    static constexpr std::uint32_t kDefaultDataWait = 2500;
    static constexpr std::size_t kFrameDataSize = 20;
    static constexpr std::int32_t kFrameSpacing = 32;
    static constexpr std::int32_t kKeepBelow = 257;
    static constexpr std::int32_t kBlockSize = 128;
    static constexpr char kFrameName[] = "CAPI_DATA_FRAME";
    // The status text posted when a call's records go back after the full
    // receive stream of the link read dropped blocks; the count of them.
    static constexpr char kDroppedBlocksText[] =
        "CAPI data: %u blocks received during the call were dropped, the receive stream being full";

    // Sub-states of state 27.
    enum SubState : std::uint32_t {
        kIdle = 2,
        kWaitingForB3 = 3,
        kReading = 4,
        kClearing = 5,
        kWaitingForClearing = 6,
    };

    CapiDataManager();
    ~CapiDataManager() override;

    void Reset();
    KvResult Run() override;
    KvResult Step() override;
    const void* AsPayload() const override { return this; }

    std::uint32_t GetFrameLength() const { return frame_length_; }
    const std::uint8_t* GetFrameData() const { return frame_data_.data(); }
    std::uint32_t GetDataWait() const { return data_wait_; }
    void SetDataWait(std::uint32_t milliseconds) { data_wait_ = milliseconds; }
    std::uint32_t GetSubState() const { return sub_states_[0]; }
    // The byte position in the receive stream where the next frame is looked
    // for; the stream's padded positions (block i at i * 128).
    std::int32_t GetReadPosition() const { return read_position_; }

    // While reading with a whole frame received and not yet reported: the
    // owner runs the manager again in the same pass, one frame a run.
    bool RunsAgain() override;

protected:
    // Only while idle: a call in progress is read to its end alone.
    bool TakesNewCalls() const override { return sub_states_[0] == kIdle; }

private:
    void SetSubState(std::uint32_t sub_state) {
        sub_states_[1] = sub_states_[0];
        sub_states_[0] = sub_state;
    }
    // Removes and releases a queued stop request; true when there was one.
    bool DropStopRequest();
    KvResult DoListen();
    KvResult DoWaitForListenConf();
    KvResult DoConnected();
    void DoIdle();
    // An answered call that the network leaves in state 5 (no
    // CONNECT_ACTIVE_IND, no DISCONNECT_IND) for timer 1's 11 s is cleared.
    void ClearCallsNeverActivated();
    void DoWaitForB3();
    void DoReading();
    void DoClearing();
    void DoWaitForClearing();
    // True when a frame was read (and reported).
    bool ReadFrame(B3DataStream& stream);
    // The link of the call to read once it is marked: the active link of
    // the active call; or, when the call or its link went in the pass the
    // link came up in, a link that still holds a whole frame.
    CapiB3Connection* FindLinkToRead(CapiConnection& connection) const;
    // The link marked as being read, in any state; null when none.
    CapiB3Connection* FindLinkBeingRead();
    void NotifyFrame();
    CapiConnection* FindCall();
    // Ends the call: every connection still up is cleared, and all records
    // go back into the owner's table.
    void ReleaseCall();
    // The connections that match, reset, back into the owner's table.
    template <typename Match> void ReturnConnections(Match match);
    void StopTimer(std::uint32_t id) { second_timers_.Stop(id); }
    bool SecondTimerExpired() { return second_timers_.CheckAllExpired() != 0; }

    std::array<std::string, 2> own_texts_;
    std::array<std::uint8_t, kFrameDataSize> frame_data_{};
    std::uint32_t frame_length_ = 0;
    std::uint32_t data_wait_ = kDefaultDataWait;
    std::int32_t read_position_ = -1;
    // 1 after LISTEN_REQ, 2 after LISTEN_CONF.
    std::uint32_t listen_phase_ = 0;
    // A stop request that came while connected; answered once the call is
    // over.
    CKvMessage* stop_ = nullptr;
};

// One step of the frame reader over received B3 data: looks for the next
// frame from the read position (a padded stream position) and, when its
// length and kept data have come, copies at most 20 data bytes, sets the
// length kept and moves the position past the frame's 32 bytes (or to a gap
// that dropped blocks left, if one comes first); a frame the gap cuts is
// passed over for the next one after it. With no sync pattern from the read
// position on, moves it to the 7th-last byte received. Then drops the first
// block while the position is 257 or more. True when a frame was read.
bool ReadB3Frame(B3DataStream& stream, std::int32_t& position,
                 std::array<std::uint8_t, CapiDataManager::kFrameDataSize>& data,
                 std::uint32_t& length);
// Whether the frame reader would read a frame from the position now; reads
// nothing.
bool HoldsB3Frame(const B3DataStream& stream, std::int32_t position);
