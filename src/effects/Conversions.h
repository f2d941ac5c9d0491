// Conversions from working floating-point values to stored 32-bit words.
#pragma once

#include <cmath>
#include <cstdint>

// Truncates toward zero and keeps the low 32 bits, as a 64-bit integer
// conversion would. Values with no 64-bit integer (NaN, infinities, beyond
// ±2^63) give 0, the low word of the x86 "integer indefinite" result, without
// the undefined behaviour of converting them in C++.
inline uint32_t TruncateToUint32(double value) {
    constexpr double kLimit = 9223372036854775808.0;  // 2^63
    if (!(std::fabs(value) < kLimit)) return 0;
    return static_cast<uint32_t>(static_cast<uint64_t>(static_cast<int64_t>(value)));
}
