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

// Timer 2 of every connection record, 60 s: bounds the wait for the
// confirmation of a CONNECT_REQ or DISCONNECT_REQ, and the shutdown's wait
// for a retrieve.
inline constexpr std::uint32_t kCapiConnectionTimer = 2;
inline constexpr std::uint32_t kCapiConnectionTimerSeconds = 60;
// Timer 1 of every connection record, its interval set by the manager that
// starts it: bounds the wait for the network to make an answered call active.
inline constexpr std::uint32_t kCapiConnectionAnswerTimer = 1;

class CapiB3Connection {
public:
    // B3 link states: 2 while CONNECT_B3_IND is being answered, 3 or 5 as
    // CONNECT_B3_RESP accepted or refused it, 7 once CONNECT_B3_ACTIVE_IND came.
    enum State : std::uint32_t {
        kIdle = 0,
        kIncoming = 2,
        kConnected = 3,
        kRefused = 5,
        kActive = 7,
    };

    // The codec is preset with the ApplID and the controller's number, and keeps
    // them across resets.
    CapiB3Connection(std::uint32_t appl_id, const CapiControllerRecord* controller,
                     std::uint32_t owner_word = 0);

    // State 0, id word 0, codec reset, both streams emptied.
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
    // Call (PLCI) states. The senders set 1 and 6; the confirmation and
    // indication handling the others.
    enum State : std::uint32_t {
        kIdle = 0,
        kConnectRequested = 1, // CONNECT_REQ sent, no PLCI yet
        kConnectConfirmed = 2, // CONNECT_CONF gave the PLCI
        kIncoming = 3,         // CONNECT_IND being answered
        kAccepted = 5,         // CONNECT_RESP sent
        kDisconnectRequested = 6,
        kDisconnecting = 7, // DISCONNECT_IND being answered
        kActive = 8,
        kHeld = 9,
        kTransferred = 11, // explicit call transfer done
    };
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
    // Codec reset (ApplID and controller kept), id word 0, states 0, no
    // request awaited, timers 1 and 2 idle, every B3 record reset and free.
    void Reset();

    // The request (CONNECT_REQ, DISCONNECT_REQ, FACILITY_REQ) whose
    // confirmation the connection waits for, by its message number. The
    // codec's header number is no guide: a response overwrites it with the
    // indication's number.
    void AwaitConfirmation(std::uint16_t number) {
        awaited_number_ = number;
        awaiting_ = true;
    }
    bool AwaitsConfirmation(std::uint16_t number) const {
        return awaiting_ && awaited_number_ == number;
    }
    void ConfirmationArrived() { awaiting_ = false; }
    // Set when the call was to be cleared before CONNECT_CONF gave a PLCI:
    // the confirmation then clears it.
    bool ClearWhenConfirmed() const { return clear_when_confirmed_; }
    void SetClearWhenConfirmed(bool clear) { clear_when_confirmed_ = clear; }
    // Set when a manager cleared the call because the network never made it
    // active; unset once its DISCONNECT_IND is answered. A record given back
    // with it set leaves a call the network may still make active.
    bool ClearedBeforeActive() const { return cleared_before_active_; }
    void SetClearedBeforeActive(bool cleared) { cleared_before_active_ = cleared; }

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
    std::uint16_t awaited_number_ = 0;
    bool awaiting_ = false;
    bool clear_when_confirmed_ = false;
    bool cleared_before_active_ = false;
};

using CapiConnectionTable = CapiConnectionPool<CapiConnection>;

// The connection in use whose call holds the PLCI; null when none. PLCI 0
// names no call (a connection waiting for its CONNECT_CONF has it), and a
// record in state 0 keeps its PLCI only until it is returned, not as a call.
CapiConnection* FindCallByPlci(const CapiConnectionTable& pool, std::uint32_t plci);

// Searches every connection in use for a B3 record; both null with
// KV_CAPI_NOT_AVAILABLE when none matches.
KvResult FindB3ByMessageNumber(const CapiConnectionTable& pool, std::uint16_t number,
                               CapiConnection*& connection, CapiB3Connection*& b3);
KvResult FindB3ByNcci(const CapiConnectionTable& pool, std::uint32_t ncci,
                      CapiConnection*& connection, CapiB3Connection*& b3);
KvResult FindB3ById(const CapiConnectionTable& pool, std::uint32_t id, CapiConnection*& connection,
                    CapiB3Connection*& b3);
