#pragma once
// What a CAPI manager knows of one physical connection (PLCI) and of its
// logical B3 connections (NCCI). Each owns its own codec, so that messages
// for different calls never share a buffer. Records live in pools and are
// reset for reuse, never created per call.

#include "capi/b3_data_stream.h"
#include "capi/capi_connection_pool.h"
#include "capi/capi_message_codec.h"
#include "core/timer_list.h"

#include <cstdint>

class CapiControllerRecord;

// Timer 2 of every connection record, 60 s.
inline constexpr std::uint32_t kCapiConnectionTimer = 2;

class CapiB3Connection {
public:
    enum State : std::uint32_t { kIdle = 0, kConnected = 3, kRefused = 5 };

    // The codec is preset with the ApplID and the controller's number, and keeps
    // them across resets.
    CapiB3Connection(std::uint32_t appl_id, const CapiControllerRecord* controller,
                     std::uint32_t owner_word = 0);

    // State 0, id word 0, codec reset, the trailing words 0, both streams
    // emptied.
    void Reset();

    std::uint32_t GetState() const { return state_; }
    void SetState(std::uint32_t state) { state_ = state; }
    std::uint32_t GetIdWord() const { return id_word_; }
    void SetIdWord(std::uint32_t id) { id_word_ = id; }
    std::uint32_t GetController() const { return controller_; }
    std::uint32_t GetOwnerWord() const { return owner_word_; }
    CapiMessageCodec& GetCodec() { return codec_; }
    const CapiMessageCodec& GetCodec() const { return codec_; }
    TimerList& GetTimers() { return timers_; }
    B3DataStream& GetReceiveStream() { return receive_stream_; }
    B3DataStream& GetSendStream() { return send_stream_; }

    // Set and read by the managers; 0 after a reset.
    std::uint32_t word_a = 0;
    std::uint32_t word_b = 0;
    std::uint16_t short_word = 0;

private:
    std::uint32_t state_ = kIdle;
    std::uint32_t appl_id_;
    std::uint32_t controller_;
    std::uint32_t owner_word_;
    std::uint32_t id_word_ = 0;
    CapiMessageCodec codec_;
    TimerList timers_;
    B3DataStream receive_stream_;
    B3DataStream send_stream_;
};

class CapiConnection {
public:
    enum State : std::uint32_t { kIdle = 0, kConnectRequested = 1, kDisconnectRequested = 6 };
    static constexpr std::uint32_t kB3Records = 3;

    CapiConnection(std::uint32_t appl_id, const CapiControllerRecord* controller,
                   std::uint32_t owner_word_a = 0, std::uint32_t owner_word_b = 0);

    void SetState(std::uint32_t state) {
        previous_state_ = state_;
        state_ = state;
    }
    // 1 when the state differs from the previous one; acknowledging makes
    // them equal.
    std::int32_t StateChanged(bool acknowledge);
    // Codec reset (ApplID and controller kept), words 0, states 0, every B3
    // record reset and free.
    void Reset();

    std::uint32_t GetState() const { return state_; }
    std::uint32_t GetPreviousState() const { return previous_state_; }
    // The first of the two trailing words, set and read by the managers.
    std::uint32_t GetIdWord() const { return id_word_; }
    void SetIdWord(std::uint32_t id) { id_word_ = id; }
    std::uint32_t GetApplId() const { return appl_id_; }
    std::uint32_t GetController() const { return controller_; }
    const CapiControllerRecord* GetControllerRecord() const { return controller_record_; }
    std::uint32_t GetOwnerWordA() const { return owner_word_a_; }
    std::uint32_t GetOwnerWordB() const { return owner_word_b_; }
    CapiMessageCodec& GetCodec() { return codec_; }
    const CapiMessageCodec& GetCodec() const { return codec_; }
    TimerList& GetTimers() { return timers_; }
    CapiConnectionPool<CapiB3Connection>& GetB3Pool() { return b3_pool_; }
    const CapiConnectionPool<CapiB3Connection>& GetB3Pool() const { return b3_pool_; }

    // Set and read by the managers; 0 after a reset.
    std::uint32_t word_a = 0;
    std::uint32_t word_b = 0;
    std::uint32_t second_trailing_word = 0;

private:
    std::uint32_t appl_id_;
    const CapiControllerRecord* controller_record_;
    std::uint32_t owner_word_a_;
    std::uint32_t owner_word_b_;
    std::uint32_t controller_;
    CapiConnectionPool<CapiB3Connection> b3_pool_;
    std::uint32_t state_ = kIdle;
    std::uint32_t previous_state_ = kIdle;
    CapiMessageCodec codec_;
    TimerList timers_;
    std::uint32_t id_word_ = 0;
};

using CapiConnectionTable = CapiConnectionPool<CapiConnection>;

// Searches every connection in use for a B3 record; both null with
// KV_CAPI_NOT_AVAILABLE when none matches.
KvResult FindB3ByMessageNumber(const CapiConnectionTable& pool, std::uint16_t number,
                               CapiConnection*& connection, CapiB3Connection*& b3);
KvResult FindB3ByNcci(const CapiConnectionTable& pool, std::uint32_t ncci,
                      CapiConnection*& connection, CapiB3Connection*& b3);
KvResult FindB3ById(const CapiConnectionTable& pool, std::uint32_t id, CapiConnection*& connection,
                    CapiB3Connection*& b3);
