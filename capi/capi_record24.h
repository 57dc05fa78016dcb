#pragma once
// The CAPI record of payload type 24. Nothing in the CAPI client reads it
// beyond creating, copying and destroying it; its texts and numbers carry no
// meaning here.

#include "capi/capi_connection.h"
#include "core/timer_list.h"
#include "framework/message.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

class CapiRecord24 {
public:
    static constexpr std::int32_t kTypeCode = 24;
    // Timer 1, 30 s.
    static constexpr std::uint32_t kTimer = 1;

    CapiRecord24();
    // Texts and the four numbers; the copy owns no message.
    CapiRecord24(const CapiRecord24& other);
    CapiRecord24& operator=(const CapiRecord24& other);
    // Releases the owned message with its payload.
    ~CapiRecord24() = default;

    std::array<std::string, 6> texts;
    std::uint32_t number_a = 0;
    std::uint32_t number_b = 0;
    std::uint32_t number_c = 0;
    std::uint32_t number_d = 22;

    CapiConnectionTable& GetPool() { return pool_; }
    TimerList& GetTimers() { return timers_; }
    CKvMessage* GetMessage() const { return message_.get(); }
    // Takes the message over with its payload.
    void SetMessage(std::unique_ptr<CKvMessage> message) { message_ = std::move(message); }
    std::uint32_t GetWord() const { return word_; }
    void SetWord(std::uint32_t word) { word_ = word; }

private:
    CapiConnectionTable pool_;
    TimerList timers_;
    std::unique_ptr<CKvMessage> message_;
    std::uint32_t word_ = 0;
};
