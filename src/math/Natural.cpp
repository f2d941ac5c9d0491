#include "math/Natural.h"

#include <algorithm>
#include <bit>
#include <limits>

namespace exact {

void Normalize(Natural& a) {
    while (!a.empty() && a.back() == 0) a.pop_back();
}

Natural FromWord(uint64_t value) {
    Natural a{static_cast<uint32_t>(value), static_cast<uint32_t>(value >> 32)};
    Normalize(a);
    return a;
}

int BitLength(const Natural& a) {
    return a.empty()
               ? 0
               : 32 * static_cast<int>(a.size() - 1) + static_cast<int>(std::bit_width(a.back()));
}

int Compare(const Natural& a, const Natural& b) {
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    for (size_t i = a.size(); i-- > 0;) {
        if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
    }
    return 0;
}

// a += b
void Add(Natural& a, const Natural& b) {
    if (a.size() < b.size()) a.resize(b.size(), 0);
    uint64_t carry = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        carry += static_cast<uint64_t>(a[i]) + (i < b.size() ? b[i] : 0);
        a[i] = static_cast<uint32_t>(carry);
        carry >>= 32;
    }
    if (carry != 0) a.push_back(static_cast<uint32_t>(carry));
}

// a −= b, for a ≥ b
void Subtract(Natural& a, const Natural& b) {
    uint64_t borrow = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        const uint64_t take = (i < b.size() ? b[i] : 0) + borrow;
        borrow = a[i] < take ? 1 : 0;
        a[i] = static_cast<uint32_t>(a[i] - take);
    }
    Normalize(a);
}

Natural Multiply(const Natural& a, const Natural& b) {
    if (a.empty() || b.empty()) return {};
    Natural product(a.size() + b.size(), 0);
    for (size_t i = 0; i < a.size(); ++i) {
        uint64_t carry = 0;
        for (size_t j = 0; j < b.size(); ++j) {
            carry += static_cast<uint64_t>(a[i]) * b[j] + product[i + j];
            product[i + j] = static_cast<uint32_t>(carry);
            carry >>= 32;
        }
        product[i + b.size()] = static_cast<uint32_t>(carry);
    }
    Normalize(product);
    return product;
}

// a ×= factor
void MultiplySmall(Natural& a, uint32_t factor) {
    uint64_t carry = 0;
    for (uint32_t& limb : a) {
        carry += static_cast<uint64_t>(limb) * factor;
        limb = static_cast<uint32_t>(carry);
        carry >>= 32;
    }
    if (carry != 0) a.push_back(static_cast<uint32_t>(carry));
    Normalize(a);
}

// a = ⌊a / divisor⌋
uint32_t DivideSmall(Natural& a, uint32_t divisor) {
    uint64_t rest = 0;
    for (size_t i = a.size(); i-- > 0;) {
        rest = rest << 32 | a[i];
        a[i] = static_cast<uint32_t>(rest / divisor);
        rest %= divisor;
    }
    Normalize(a);
    return static_cast<uint32_t>(rest);
}

Natural ShiftLeft(const Natural& a, int bits) {
    if (a.empty()) return {};
    const size_t limbs = static_cast<size_t>(bits / 32);
    const int rest = bits % 32;
    Natural shifted(a.size() + limbs + 1, 0);
    for (size_t i = 0; i < a.size(); ++i) {
        const uint64_t wide = static_cast<uint64_t>(a[i]) << rest;
        shifted[i + limbs] |= static_cast<uint32_t>(wide);
        shifted[i + limbs + 1] |= static_cast<uint32_t>(wide >> 32);
    }
    Normalize(shifted);
    return shifted;
}

// ⌊a / 2^bits⌋
Natural ShiftRight(const Natural& a, int bits) {
    const size_t limbs = static_cast<size_t>(bits / 32);
    const int rest = bits % 32;
    if (limbs >= a.size()) return {};
    Natural shifted(a.size() - limbs);
    for (size_t i = 0; i < shifted.size(); ++i) {
        uint64_t wide = a[i + limbs];
        if (i + limbs + 1 < a.size()) wide |= static_cast<uint64_t>(a[i + limbs + 1]) << 32;
        shifted[i] = static_cast<uint32_t>(wide >> rest);
    }
    Normalize(shifted);
    return shifted;
}

namespace {

// a = ⌊a / 2⌋
void HalveInPlace(Natural& a) {
    for (size_t i = 0; i < a.size(); ++i) {
        a[i] = a[i] >> 1 | (i + 1 < a.size() ? a[i + 1] << 31 : 0);
    }
    Normalize(a);
}

}  // namespace

Natural PowerOfTwo(int bits) {
    return ShiftLeft(Natural{1}, bits);
}

void MultiplyByPowerOfTen(Natural& a, int exponent) {
    for (; exponent >= 9; exponent -= 9) MultiplySmall(a, 1000000000);
    uint32_t rest = 1;
    for (; exponent > 0; --exponent) rest *= 10;
    MultiplySmall(a, rest);
}

// One quotient bit at a time.
Natural Divide(Natural a, const Natural& b) {
    const int shift = BitLength(a) - BitLength(b);
    if (shift < 0) return {};
    Natural quotient(static_cast<size_t>(shift / 32 + 1), 0);
    Natural step = ShiftLeft(b, shift);
    for (int bit = shift; bit >= 0; --bit) {
        if (Compare(a, step) >= 0) {
            Subtract(a, step);
            quotient[static_cast<size_t>(bit / 32)] |= uint32_t{1} << (bit % 32);
        }
        HalveInPlace(step);
    }
    Normalize(quotient);
    return quotient;
}

bool TestBit(const Natural& a, int bit) {
    const auto limb = static_cast<size_t>(bit / 32);
    return limb < a.size() && (a[limb] >> (bit % 32) & 1) != 0;
}

// Whether any of the bits below `bit` is set.
bool AnyBitBelow(const Natural& a, int bit) {
    const auto limb = static_cast<size_t>(bit / 32);
    for (size_t i = 0; i < limb && i < a.size(); ++i) {
        if (a[i] != 0) return true;
    }
    return limb < a.size() && (a[limb] & ((uint32_t{1} << (bit % 32)) - 1)) != 0;
}

uint64_t LowWord(const Natural& a) {
    return (a.size() > 0 ? a[0] : 0) | (a.size() > 1 ? uint64_t{a[1]} << 32 : 0);
}

double RoundToDouble(const Natural& q, int scale, bool inexact) {
    const int length = BitLength(q);
    if (length - 1 + scale > 1023) return std::numeric_limits<double>::infinity();
    // The last bit kept: the 53rd, or 2^−1074 for subnormal results.
    const int drop = std::max(length - 53, -1074 - scale);
    uint64_t mantissa;
    if (drop <= 0) {
        mantissa = LowWord(ShiftLeft(q, -drop));
    } else {
        mantissa = LowWord(ShiftRight(q, drop));
        if (TestBit(q, drop - 1) && (inexact || AnyBitBelow(q, drop - 1) || (mantissa & 1) != 0))
            ++mantissa;
    }
    int last = scale + drop;  // the exponent of the mantissa's last bit
    if (mantissa >> 53 != 0) {
        mantissa >>= 1;
        ++last;
    }
    // The implicit bit, 2^52, carries into the exponent field; a subnormal
    // (last = −1074, mantissa < 2^52) has that field 0, and a rounding up to
    // 2^1024 gives exactly the pattern of infinity.
    return std::bit_cast<double>((static_cast<uint64_t>(last + 1074) << 52) + mantissa);
}

}  // namespace exact
