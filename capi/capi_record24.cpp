#include "capi/capi_record24.h"

namespace {

constexpr std::uint32_t kTimerSeconds = 30;

} // namespace

CapiRecord24::CapiRecord24() {
    timers_.Add(kTimer, kTimerSeconds, 0);
}

CapiRecord24::CapiRecord24(const CapiRecord24& other) : CapiRecord24() {
    *this = other;
}

CapiRecord24& CapiRecord24::operator=(const CapiRecord24& other) {
    if (this == &other)
        return *this;
    texts = other.texts;
    number_a = other.number_a;
    number_b = other.number_b;
    number_c = other.number_c;
    number_d = other.number_d;
    message_.reset();
    return *this;
}
