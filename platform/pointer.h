#pragma once
// The pointer validity rule. The original also refused addresses that are
// negative as 32-bit numbers; on a 64-bit system ordinary addresses look like
// that, so only null and the debug-fill patterns are refused.

#include <cstdint>

template <typename T> inline bool IsValidPtr(const T* pointer) {
    const auto address = reinterpret_cast<std::uintptr_t>(pointer);
    return address != 0 && address != 0xCDCDCDCDu &&
           address != static_cast<std::uintptr_t>(0xCDCDCDCDCDCDCDCDull);
}

inline bool IsValidPtr(std::nullptr_t) { return false; }
