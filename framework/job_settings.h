#pragma once
// The job defaults that every job and every CAPI manager embed. Their users
// read and write the members directly; only the defaults are fixed here.

#include "core/timeout_timer.h"

#include <array>
#include <cstdint>

class CKvJobSettings {
public:
    // The timer reads calendar seconds.
    static constexpr std::uint32_t kSecondsClock = 1;

    CKvJobSettings() = default;
    CKvJobSettings(const CKvJobSettings&) = default;
    CKvJobSettings& operator=(const CKvJobSettings&) = default;
    virtual ~CKvJobSettings() = default;

    std::uint32_t first_number = 41;
    std::uint32_t second_number = 5;
    std::uint32_t third_number = 31;
    std::uint32_t word = 0;
    TimeoutTimer timer{0, kSecondsClock};
    std::uint16_t short_number = 0;
    std::array<std::uint32_t, 6> words{};
};
