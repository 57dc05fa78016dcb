#pragma once
// Where the chat job keeps each participant's runtime state among the
// runtime members of its DATAUSER record. The record only stores, resets and
// copies them; this table gives them their meaning.

#include "data/data_user.h"

#include <cstdint>
#include <string>

namespace chat_fields {

// 4-bit id by which the peer addresses this side (the idt of its packets).
inline std::uint32_t& LocalId(CKvDataUser& user) { return user.GetRuntimeField3(); }
// 4-bit id of the peer (the ids of its packets).
inline std::uint32_t& PeerId(CKvDataUser& user) { return user.GetRuntimeField4(); }
// The host's CONFIRMATION kept until the participant's handler consumes it.
inline CKvMessage*& HeldAnswer(CKvDataUser& user) { return user.GetRuntimeField5(); }
// 300 s; flushes the pending chat text.
inline TimeoutTimer& LogTimer(CKvDataUser& user) { return user.GetTimer1(); }
// Bounds how long a handler waits.
inline TimeoutTimer& ActionTimer(CKvDataUser& user) { return user.GetTimer2(); }
// While it runs, the participant is not served.
inline TimeoutTimer& LinkTimer(CKvDataUser& user) { return user.GetTimer3(); }
// Runs from admission on; while it runs, a repeated message number is a
// duplicate.
inline TimeoutTimer& AdmissionTimer(CKvDataUser& user) { return user.GetTimer4(); }
inline std::uint32_t& ReconnectFlag(CKvDataUser& user) { return user.GetRuntimeField6(); }
inline std::uint32_t& RetryCount(CKvDataUser& user) { return user.GetRuntimeField7(); }
// The link value to take again after a re-registration, valid while bit 0
// of the link word is set.
inline std::uint32_t& LinkValue(CKvDataUser& user) { return user.GetRuntimeField8(); }
inline std::uint32_t& LinkWord(CKvDataUser& user) { return user.GetRuntimeField9(); }
inline std::uint32_t& BusyFlag(CKvDataUser& user) { return user.GetRuntimeField10(); }
inline std::uint32_t& ReceivedNumber(CKvDataUser& user) { return user.GetRuntimeField11(); }
inline std::uint32_t& SentNumber(CKvDataUser& user) { return user.GetRuntimeField12(); }
// Set on a participant the host does not know and that must not be linked.
inline std::uint32_t& StrangerMark(CKvDataUser& user) { return user.GetRuntimeField13(); }
inline std::string& PendingText(CKvDataUser& user) { return user.GetRuntimeText(); }

// True on the poll at which a running timer runs out, and after that.
inline bool RanOut(TimeoutTimer& timer) {
    timer.CheckExpired();
    return timer.IsExpired();
}

inline void RestartMs(TimeoutTimer& timer, std::uint32_t milliseconds) {
    timer.Restart(milliseconds / 1000, milliseconds % 1000);
}

} // namespace chat_fields
