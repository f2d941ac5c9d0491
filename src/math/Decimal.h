// Doubles to decimal digits and back, correctly rounded both ways (ties to
// even): the exact binary value rounded to so many significant digits, and
// a decimal number of any length rounded to the nearest double. The same
// results as a correctly rounding C library, on every platform and runtime,
// and no locale.
#pragma once

#include <cstdint>
#include <string_view>

struct DecimalDigits {
    uint32_t significand;  // 10^(digits − 1) ≤ significand < 10^digits
    int exponent;  // of the first digit: value ≈ significand·10^(exponent − digits + 1)
};

// A positive finite double to 1 ≤ digits ≤ 9 significant digits.
DecimalDigits RoundToDigits(double value, int digits);

// The double nearest to `mantissa`·10^exponent, where `mantissa` is decimal
// digits with at most one '.'; infinity beyond the largest double, 0 for no
// digits or below half the smallest.
double NearestDouble(std::string_view mantissa, int64_t exponent);
