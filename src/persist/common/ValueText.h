// Numbers and bytes as stored text, the same on every platform: "%g" with a
// three-digit exponent, "%d", decimal parsing that is not locale-dependent,
// and two hexadecimal digits per byte.
#pragma once

#include <cstdint>

struct NumberText {
    char text[32];  // NUL-terminated
    uint32_t length;
    const char* Text() const noexcept { return text; }
};

// "%g": six significant digits, trailing zeros removed, and an exponent of
// at least three digits: 0.1, 1.23457e+006, 1e-005.
NumberText FormatGeneral(double value);
// "%d".
NumberText FormatDecimal(int32_t value);

// The longest decimal number after leading white space (sign, digits with an
// optional point, optional exponent of any width); 0 when there is none.
// Beyond the range of a double: infinity, or 0 below the smallest.
double ParseReal(const char* text);
// Leading white space, an optional sign and decimal digits up to the first
// other character, accumulated modulo 2^32 and negated for '-'.
uint32_t ParseWord(const char* text);

// Writes 2 * count upper-case digits, high nibble first, no terminator.
void FormatHex(const uint8_t* bytes, uint32_t count, char* text);
// "%0*llX": the upper-case hexadecimal digits of `value`, at least
// `minDigits` of them (1 to 16).
NumberText FormatHexNumber(uint64_t value, int minDigits);
// Decodes min(length / 2, max) digit pairs (every character is taken as a
// digit, modulo 16) and returns that count; max when max <= 0.
int32_t ParseHex(const char* text, uint32_t length, uint8_t* bytes, int32_t max);
