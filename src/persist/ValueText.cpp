#include "persist/ValueText.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <limits>
#include <system_error>

namespace {

constexpr int kPrecision = 6;
constexpr int kExponentDigits = 3;

bool IsSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

const char* SkipSpace(const char* p) {
    while (IsSpace(*p)) ++p;
    return p;
}

const char* SkipDigits(const char* p) {
    while (IsDigit(*p)) ++p;
    return p;
}

// Whether a decimal number that a double cannot hold was too large rather
// than too small: the decimal exponent of its first nonzero digit, counting
// the exponent part that starts at `end`, is not negative.
bool IsOverflow(const char* mantissa, const char* end) {
    constexpr long long kLimit = 1LL << 40;  // far beyond any double
    const char* p = mantissa;
    while (*p == '0') ++p;
    long long magnitude = SkipDigits(p) - p;  // integer digits from the first nonzero one
    if (magnitude == 0 && *p == '.') {
        const char* fraction = p + 1;
        const char* nonzero = fraction;
        while (*nonzero == '0') ++nonzero;
        magnitude = -(nonzero - fraction);
    }
    long long exponent = 0;
    if (*end == 'e' || *end == 'E') {
        const char* q = end + 1;
        const bool negative = *q == '-';
        if (*q == '+' || *q == '-') ++q;
        for (; IsDigit(*q); ++q) exponent = std::min(exponent * 10 + (*q - '0'), kLimit);
        if (negative) exponent = -exponent;
    }
    return magnitude + exponent > 0;
}

}  // namespace

NumberText FormatGeneral(double value) {
    NumberText t;
    char* end = std::to_chars(t.text, t.text + sizeof t.text - kExponentDigits, value,
                              std::chars_format::general, kPrecision)
                    .ptr;
    // to_chars, like most C libraries, writes at least two exponent digits.
    if (char* e = std::find(t.text, end, 'e'); e != end) {
        char* digits = e + 2;  // past the sign
        const auto have = static_cast<int>(end - digits);
        if (have < kExponentDigits) {
            const int pad = kExponentDigits - have;
            std::memmove(digits + pad, digits, have);
            std::fill_n(digits, pad, '0');
            end += pad;
        }
    }
    *end = 0;
    t.length = static_cast<uint32_t>(end - t.text);
    return t;
}

NumberText FormatDecimal(int32_t value) {
    NumberText t;
    char* end = std::to_chars(t.text, t.text + sizeof t.text - 1, value).ptr;
    *end = 0;
    t.length = static_cast<uint32_t>(end - t.text);
    return t;
}

double ParseReal(const char* text) {
    const char* p = SkipSpace(text);
    const bool negative = *p == '-';
    if (*p == '+' || *p == '-') ++p;
    const char* mantissa = p;
    p = SkipDigits(p);
    bool hasDigits = p != mantissa;
    if (*p == '.') {
        const char* fraction = p + 1;
        p = SkipDigits(fraction);
        hasDigits = hasDigits || p != fraction;
    }
    if (!hasDigits) return 0.0;
    const char* mantissaEnd = p;
    if (*p == 'e' || *p == 'E') {
        const char* exponent = p + 1;
        if (*exponent == '+' || *exponent == '-') ++exponent;
        if (IsDigit(*exponent)) p = SkipDigits(exponent);
    }
    // from_chars takes no leading sign and leaves the value alone when the
    // number is out of range; the scan above has fixed the extent already.
    double value = 0.0;
    if (std::from_chars(mantissa, p, value, std::chars_format::general).ec ==
        std::errc::result_out_of_range) {
        value = IsOverflow(mantissa, mantissaEnd) ? std::numeric_limits<double>::infinity() : 0.0;
    }
    return negative ? -value : value;
}

uint32_t ParseWord(const char* text) {
    const char* p = SkipSpace(text);
    const bool negative = *p == '-';
    if (*p == '+' || *p == '-') ++p;
    uint32_t value = 0;
    for (; IsDigit(*p); ++p) value = value * 10 + static_cast<uint32_t>(*p - '0');
    return negative ? 0u - value : value;
}

void FormatHex(const uint8_t* bytes, uint32_t count, char* text) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    for (uint32_t i = 0; i < count; ++i) {
        *text++ = kDigits[bytes[i] >> 4];
        *text++ = kDigits[bytes[i] & 15];
    }
}

namespace {

// '0' to '9' by their value, everything else as a letter digit, modulo 16;
// 'a' to 'f' come out as 'A' to 'F' do.
uint8_t Nibble(char c) {
    const int code = static_cast<unsigned char>(c);
    return static_cast<uint8_t>((IsDigit(c) ? code - '0' : code - ('A' - 10)) & 15);
}

}  // namespace

int32_t ParseHex(const char* text, uint32_t length, uint8_t* bytes, int32_t max) {
    int32_t n = static_cast<int32_t>(length / 2);
    if (n >= max) n = max;
    for (int32_t i = 0; i < n; ++i) {
        bytes[i] = static_cast<uint8_t>(Nibble(text[2 * i]) << 4 | Nibble(text[2 * i + 1]));
    }
    return n;
}
