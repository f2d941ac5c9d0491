#include "persist/common/ValueText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>

#include "math/Decimal.h"

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

}  // namespace

NumberText FormatGeneral(double value) {
    NumberText t;
    char* p = t.text;
    if (std::signbit(value)) *p++ = '-';
    const auto append = [&p](std::string_view text) { p = std::copy(text.begin(), text.end(), p); };
    if (std::isnan(value)) {
        append("nan");
    } else if (std::isinf(value)) {
        append("inf");
    } else if (value == 0) {
        append("0");
    } else {
        const DecimalDigits rounded = RoundToDigits(std::fabs(value), kPrecision);
        char digits[kPrecision];
        uint32_t rest = rounded.significand;
        for (int i = kPrecision; i-- > 0; rest /= 10)
            digits[i] = static_cast<char>('0' + rest % 10);
        int count = kPrecision;  // without the trailing zeros
        while (count > 1 && digits[count - 1] == '0') --count;
        const std::string_view all(digits, kPrecision);
        const int x = rounded.exponent;
        if (x >= -4 && x < kPrecision) {
            // 123.45, 100000, 0.00012
            const int whole = std::max(x + 1, 0);  // digits before the point
            if (whole == 0) *p++ = '0';
            append(all.substr(0, static_cast<size_t>(whole)));
            if (count > whole) {
                *p++ = '.';
                for (int i = x; i < -1; ++i) *p++ = '0';
                append(all.substr(static_cast<size_t>(whole), static_cast<size_t>(count - whole)));
            }
        } else {
            // 1.23457e+006, 1e-005: a double's exponent fits the three digits
            *p++ = digits[0];
            if (count > 1) {
                *p++ = '.';
                append(all.substr(1, static_cast<size_t>(count) - 1));
            }
            *p++ = 'e';
            *p++ = x < 0 ? '-' : '+';
            int magnitude = x < 0 ? -x : x;
            for (int i = kExponentDigits; i-- > 0; magnitude /= 10)
                p[i] = static_cast<char>('0' + magnitude % 10);
            p += kExponentDigits;
        }
    }
    *p = 0;
    t.length = static_cast<uint32_t>(p - t.text);
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
    int64_t exponent = 0;
    if (*p == 'e' || *p == 'E') {
        const char* q = p + 1;
        const bool minus = *q == '-';
        if (*q == '+' || *q == '-') ++q;
        constexpr int64_t kLimit = int64_t{1} << 40;  // far beyond any double
        for (; IsDigit(*q); ++q) exponent = std::min(exponent * 10 + (*q - '0'), kLimit);
        if (minus) exponent = -exponent;
    }
    const double value =
        NearestDouble(std::string_view(mantissa, static_cast<size_t>(p - mantissa)), exponent);
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

NumberText FormatHexNumber(uint64_t value, int minDigits) {
    uint8_t bytes[8];
    for (int i = 0; i < 8; ++i) bytes[i] = static_cast<uint8_t>(value >> (56 - 8 * i));
    char digits[16];
    FormatHex(bytes, 8, digits);
    const std::string_view all(digits, 16);
    const size_t first =
        std::min(all.find_first_not_of('0'), all.size() - static_cast<size_t>(minDigits));
    NumberText t;
    t.length = static_cast<uint32_t>(all.size() - first);
    std::copy(all.begin() + static_cast<std::ptrdiff_t>(first), all.end(), t.text);
    t.text[t.length] = 0;
    return t;
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
