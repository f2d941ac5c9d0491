#include "math/Natural.h"

#include <algorithm>
#include <bit>
#include <limits>

namespace exact {

template <size_t Limbs>
void Normalize(BasicNatural<Limbs>& a) {
    while (!a.empty() && a.back() == 0) a.pop_back();
}

template <size_t Limbs>
BasicNatural<Limbs> FromWord(uint64_t value) {
    BasicNatural<Limbs> a{static_cast<uint32_t>(value), static_cast<uint32_t>(value >> 32)};
    Normalize(a);
    return a;
}

template <size_t Limbs>
int BitLength(const BasicNatural<Limbs>& a) {
    return a.empty()
               ? 0
               : 32 * static_cast<int>(a.size() - 1) + static_cast<int>(std::bit_width(a.back()));
}

template <size_t Limbs>
int Compare(const BasicNatural<Limbs>& a, const BasicNatural<Limbs>& b) {
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    for (size_t i = a.size(); i-- > 0;) {
        if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
    }
    return 0;
}

template <size_t Limbs>
void Add(BasicNatural<Limbs>& a, const BasicNatural<Limbs>& b) {
    if (a.size() < b.size()) a.resize(b.size(), 0);
    uint64_t carry = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        carry += static_cast<uint64_t>(a[i]) + (i < b.size() ? b[i] : 0);
        a[i] = static_cast<uint32_t>(carry);
        carry >>= 32;
    }
    if (carry != 0) a.push_back(static_cast<uint32_t>(carry));
}

template <size_t Limbs>
void Subtract(BasicNatural<Limbs>& a, const BasicNatural<Limbs>& b) {
    uint64_t borrow = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        const uint64_t take = (i < b.size() ? b[i] : 0) + borrow;
        borrow = a[i] < take ? 1 : 0;
        a[i] = static_cast<uint32_t>(a[i] - take);
    }
    Normalize(a);
}

template <size_t Limbs>
BasicNatural<Limbs> Multiply(const BasicNatural<Limbs>& a, const BasicNatural<Limbs>& b) {
    if (a.empty() || b.empty()) return {};
    BasicNatural<Limbs> product(a.size() + b.size(), 0);
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

template <size_t Limbs>
void MultiplySmall(BasicNatural<Limbs>& a, uint32_t factor) {
    uint64_t carry = 0;
    for (uint32_t& limb : a) {
        carry += static_cast<uint64_t>(limb) * factor;
        limb = static_cast<uint32_t>(carry);
        carry >>= 32;
    }
    if (carry != 0) a.push_back(static_cast<uint32_t>(carry));
    Normalize(a);
}

template <size_t Limbs>
uint32_t DivideSmall(BasicNatural<Limbs>& a, uint32_t divisor) {
    uint64_t rest = 0;
    for (size_t i = a.size(); i-- > 0;) {
        rest = rest << 32 | a[i];
        a[i] = static_cast<uint32_t>(rest / divisor);
        rest %= divisor;
    }
    Normalize(a);
    return static_cast<uint32_t>(rest);
}

template <size_t Limbs>
BasicNatural<Limbs> ShiftLeft(const BasicNatural<Limbs>& a, int bits) {
    if (a.empty()) return {};
    const size_t limbs = static_cast<size_t>(bits / 32);
    const int rest = bits % 32;
    BasicNatural<Limbs> shifted(a.size() + limbs + 1, 0);
    for (size_t i = 0; i < a.size(); ++i) {
        const uint64_t wide = static_cast<uint64_t>(a[i]) << rest;
        shifted[i + limbs] |= static_cast<uint32_t>(wide);
        shifted[i + limbs + 1] |= static_cast<uint32_t>(wide >> 32);
    }
    Normalize(shifted);
    return shifted;
}

template <size_t Limbs>
BasicNatural<Limbs> ShiftRight(const BasicNatural<Limbs>& a, int bits) {
    const size_t limbs = static_cast<size_t>(bits / 32);
    const int rest = bits % 32;
    if (limbs >= a.size()) return {};
    BasicNatural<Limbs> shifted(a.size() - limbs);
    for (size_t i = 0; i < shifted.size(); ++i) {
        uint64_t wide = a[i + limbs];
        if (i + limbs + 1 < a.size()) wide |= static_cast<uint64_t>(a[i + limbs + 1]) << 32;
        shifted[i] = static_cast<uint32_t>(wide >> rest);
    }
    Normalize(shifted);
    return shifted;
}

// a = ⌊a / 2⌋
template <size_t Limbs>
void HalveInPlace(BasicNatural<Limbs>& a) {
    for (size_t i = 0; i < a.size(); ++i) {
        a[i] = a[i] >> 1 | (i + 1 < a.size() ? a[i + 1] << 31 : 0);
    }
    Normalize(a);
}

template <size_t Limbs>
BasicNatural<Limbs> PowerOfTwo(int bits) {
    return ShiftLeft(BasicNatural<Limbs>{1}, bits);
}

template <size_t Limbs>
void MultiplyByPowerOfTen(BasicNatural<Limbs>& a, int exponent) {
    for (; exponent >= 9; exponent -= 9) MultiplySmall(a, 1000000000);
    uint32_t rest = 1;
    for (; exponent > 0; --exponent) rest *= 10;
    MultiplySmall(a, rest);
}

template <size_t Limbs>
BasicNatural<Limbs> Divide(BasicNatural<Limbs> a, const BasicNatural<Limbs>& b) {
    const int shift = BitLength(a) - BitLength(b);
    if (shift < 0) return {};
    BasicNatural<Limbs> quotient(static_cast<size_t>(shift / 32 + 1), 0);
    BasicNatural<Limbs> step = ShiftLeft(b, shift);
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

template <size_t Limbs>
bool TestBit(const BasicNatural<Limbs>& a, int bit) {
    const auto limb = static_cast<size_t>(bit / 32);
    return limb < a.size() && (a[limb] >> (bit % 32) & 1) != 0;
}

template <size_t Limbs>
bool AnyBitBelow(const BasicNatural<Limbs>& a, int bit) {
    const auto limb = static_cast<size_t>(bit / 32);
    for (size_t i = 0; i < limb && i < a.size(); ++i) {
        if (a[i] != 0) return true;
    }
    return limb < a.size() && (a[limb] & ((uint32_t{1} << (bit % 32)) - 1)) != 0;
}

template <size_t Limbs>
uint64_t LowWord(const BasicNatural<Limbs>& a) {
    return (a.size() > 0 ? a[0] : 0) | (a.size() > 1 ? uint64_t{a[1]} << 32 : 0);
}

template <size_t Limbs>
double RoundToDouble(const BasicNatural<Limbs>& q, int scale, bool inexact) {
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

// The functions for every capacity there is: defined once, here.
#define NATURAL_FUNCTIONS(N)                                                              \
    template void Normalize<N>(BasicNatural<N>&);                                         \
    template BasicNatural<N> FromWord<N>(uint64_t);                                       \
    template int BitLength<N>(const BasicNatural<N>&);                                    \
    template int Compare<N>(const BasicNatural<N>&, const BasicNatural<N>&);              \
    template void Add<N>(BasicNatural<N>&, const BasicNatural<N>&);                       \
    template void Subtract<N>(BasicNatural<N>&, const BasicNatural<N>&);                  \
    template BasicNatural<N> Multiply<N>(const BasicNatural<N>&, const BasicNatural<N>&); \
    template void MultiplySmall<N>(BasicNatural<N>&, uint32_t);                           \
    template uint32_t DivideSmall<N>(BasicNatural<N>&, uint32_t);                         \
    template BasicNatural<N> ShiftLeft<N>(const BasicNatural<N>&, int);                   \
    template BasicNatural<N> ShiftRight<N>(const BasicNatural<N>&, int);                  \
    template BasicNatural<N> PowerOfTwo<N>(int);                                          \
    template void MultiplyByPowerOfTen<N>(BasicNatural<N>&, int);                         \
    template BasicNatural<N> Divide<N>(BasicNatural<N>, const BasicNatural<N>&);          \
    template bool TestBit<N>(const BasicNatural<N>&, int);                                \
    template bool AnyBitBelow<N>(const BasicNatural<N>&, int);                            \
    template uint64_t LowWord<N>(const BasicNatural<N>&);                                 \
    template double RoundToDouble<N>(const BasicNatural<N>&, int, bool);
NATURAL_FUNCTIONS(kWideLimbs)
NATURAL_FUNCTIONS(kNarrowLimbs)
#undef NATURAL_FUNCTIONS

}  // namespace exact
