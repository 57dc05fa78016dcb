#pragma once
// The two connection objects of the network service: payload 42, the
// network-send and connection request, and payload 58. Both hold a name, an
// owned buffer, five numbers, an owned message and their timers (timer 1
// with 180 s); the job code fills and reads them.

#include "core/computer_ident.h"
#include "core/text_values.h"
#include "core/timer_list.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class CKvMessage;

class CKvConnectionObject {
public:
    static constexpr std::uint32_t kTimerId = 1;
    static constexpr std::uint32_t kTimerSeconds = 180;

    CKvConnectionObject();
    // Releases the held message with its payload; a message that carries this
    // very object loses only its header.
    virtual ~CKvConnectionObject();
    CKvConnectionObject(const CKvConnectionObject&) = delete;

    // TimerList::Add for an id other than 0.
    void AddTimer(std::uint32_t id, std::uint32_t seconds, std::uint32_t milliseconds);

    // Takes the message over; a different message held before is released.
    void SetMessage(CKvMessage* message);
    CKvMessage* GetMessage() const { return message_; }
    // Hands the held message to the caller.
    CKvMessage* TakeMessage();

    std::string name;
    std::vector<std::uint8_t> buffer;
    // The second number is the time-out in milliseconds, the third the state.
    std::array<std::uint32_t, 5> numbers{0, 2000, 0, 0, 0};
    TimerList timers;
    std::uint32_t word = 0;
    std::uint16_t short_number = 0;

protected:
    // Copies every member but the held message, which stays with its holder.
    CKvConnectionObject& operator=(const CKvConnectionObject& other);

private:
    void ReleaseMessage();

    CKvMessage* message_ = nullptr;
};

// Payload 42.
class CKvTypedObject42 : public CKvConnectionObject {
public:
    CKvTypedObject42() = default;
    CKvTypedObject42& operator=(const CKvTypedObject42& other);

    // The first peer from the dotted address text and the port, the name,
    // no buffer, the time-out, and the fourth number 1.
    void SetData(const std::string& address_text, std::uint32_t port, const std::string& name,
                 std::uint32_t timeout_ms);
    void SetState(std::uint32_t state) { numbers[2] = state; }
    // The port of the first peer: what an answer carries back.
    std::uint32_t GetValue() const { return peers[0].GetPort(); }

    std::array<COMPUTER_IDENT, 2> peers;
    std::array<std::uint32_t, 4> further_numbers{1, 10000, 0, 1};
};

// Payload 58.
class CKvTypedObject58 : public CKvConnectionObject {
public:
    CKvTypedObject58() = default;
    CKvTypedObject58& operator=(const CKvTypedObject58& other);

    COMPUTER_IDENT peer;
    std::string first_text;
    std::string second_text;
    std::array<std::uint32_t, 3> words{};
    UIntValue value;
};
