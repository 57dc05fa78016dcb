#pragma once
// Sums and differences of 32-bit coordinates and sizes that may come from
// outside (a description file, a caller): none of them overflows. A window
// rectangle made from a description wraps at 32 bits, as the catalog's
// absolute positions do; everything else saturates at the 32-bit limits.

#include <cstdint>
#include <limits>

// The value, held to the 32-bit range.
constexpr std::int32_t KvClamp32(std::int64_t value) {
    if (value > std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    if (value < std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

constexpr std::int32_t KvSatAdd(std::int32_t a, std::int32_t b) {
    return KvClamp32(static_cast<std::int64_t>(a) + b);
}

constexpr std::int32_t KvSatSub(std::int32_t a, std::int32_t b) {
    return KvClamp32(static_cast<std::int64_t>(a) - b);
}

// The magnitude; that of -2^31 is held at 2^31 - 1.
constexpr std::int32_t KvSatAbs(std::int32_t value) { return value < 0 ? KvSatSub(0, value) : value; }

// Modulo 2^32, for the window rectangle and the absolute positions only.
constexpr std::int32_t KvWrapAdd(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

// The difference, modulo 2^32 likewise.
constexpr std::int32_t KvWrapSub(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}
