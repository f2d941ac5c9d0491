#include "math/RoundedTangent.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <iterator>

#include "math/Natural.h"

// How the result is made certain
//
// A double x is a rational number, so for x ≠ 0 its tangent is irrational
// (Lambert): it is never a double nor a point halfway between two doubles. An
// interval that holds tan x and whose two ends round to the same double
// therefore gives the correctly rounded tangent, and a fine enough interval
// always exists. One attempt at working precision p (bits after the binary
// point) computes, in unsigned fixed-point integers that every step
// truncates:
//   1. π/2 from a table or, beyond its precision, by Machin's formula;
//   2. r = x − n·π/2 with n the nearest integer to x/(π/2), so |r| ≤ π/4;
//   3. sin r and cos r from their Taylor series;
//   4. tan x = sin r / cos r for even n, −cos r / sin r for odd n.
// Each step adds a bounded error, counted in units of 2^−p; with the total,
// sin r and cos r lie in known intervals, and so does tan x. When both ends of
// the tangent's interval round to the same double, that double is the result;
// otherwise the attempt is repeated at twice the precision. The first attempt,
// at 128 bits, decides all but a vanishing share of arguments.

using namespace exact;

namespace {

// Precision p ≤ kMaxPrecision keeps every value of an attempt within
// Natural's 8192 bits for any double: x·2^(p+2·1024) at most.
constexpr int kMaxPrecision = 2048;
// For |x| < 2, p ≤ kNarrowPrecision keeps every value within NarrowNatural's
// 1536 bits: the longest are the products of two p-bit numbers in the
// series and π/2's table of 1248 bits.
constexpr int kNarrowPrecision = 512;

// atan(1/m)·2^p, truncated; adds a bound of its error, in units, to `error`.
// The powers 2^p/m^(2k+1) stay within 2 units of the truth, each term within
// 3; the terms left out form an alternating, decreasing tail below the last
// power, which is below 2 units.
template <size_t Limbs>
BasicNatural<Limbs> ArcTangentOfInverse(uint32_t m, int p, uint64_t& error) {
    BasicNatural<Limbs> power = PowerOfTwo<Limbs>(p);
    DivideSmall(power, m);
    BasicNatural<Limbs> plus, minus, term;
    for (uint32_t k = 0; !power.empty(); ++k) {
        term = power;
        DivideSmall(term, 2 * k + 1);
        Add(k % 2 == 0 ? plus : minus, term);
        DivideSmall(power, m * m);
        error += 3;
    }
    error += 2;
    Subtract(plus, minus);
    return plus;
}

// π/2 truncated to 1248 bits after the point, most significant limb first
// (printed by MPFR).
constexpr int kHalfPiBits = 1248;
constexpr uint32_t kHalfPi[] = {
    0x00000001, 0x921FB544, 0x42D18469, 0x898CC517, 0x01B839A2, 0x52049C11, 0x14CF98E8, 0x04177D4C,
    0x76273644, 0xA29410F3, 0x1C6809BB, 0xDF2A3367, 0x9A748636, 0x605614DB, 0xE4BE286E, 0x9FC26ADA,
    0xDAA3848B, 0xC90B6AEC, 0xC4BCFD8D, 0xE89885D3, 0x4C6FDAD6, 0x17FEB96D, 0xE80D6FDB, 0xDC70D7F6,
    0xB5133F4B, 0x5D3E4822, 0xF8963FCC, 0x9250CCA3, 0xD9C8B67B, 0x8400F971, 0x42C77E0B, 0x31B4906C,
    0x38ABA734, 0xD22C7F51, 0xFA499EBF, 0x06CABA47, 0xB9475B2C, 0x38C5E6AC, 0x410AA577, 0x3DAA520E};

// π/2·2^p, truncated; `error` receives a bound of its error in units. Up to
// the table's precision from the table (two truncations), beyond it by
// Machin's formula, 8·atan(1/5) − 2·atan(1/239).
template <size_t Limbs>
BasicNatural<Limbs> HalfPi(int p, uint64_t& error) {
    if (p <= kHalfPiBits) {
        error = 2;
        return ShiftRight(BasicNatural<Limbs>(std::rbegin(kHalfPi), std::rend(kHalfPi)),
                          kHalfPiBits - p);
    }
    uint64_t error5 = 0, error239 = 0;
    BasicNatural<Limbs> halfPi = ArcTangentOfInverse<Limbs>(5, p, error5);
    BasicNatural<Limbs> correction = ArcTangentOfInverse<Limbs>(239, p, error239);
    MultiplySmall(halfPi, 8);
    MultiplySmall(correction, 2);
    Subtract(halfPi, correction);
    error = 8 * error5 + 2 * error239;
    return halfPi;
}

template <size_t Limbs>
struct SineCosine {
    BasicNatural<Limbs> sine, cosine;
    uint64_t error;  // bound of the error of each, in units
};

// sin r and cos r for 0 ≤ r < 1, all in units of 2^−p. The terms r^j/j!
// come one from the other by a truncated product and quotient; each stays
// within 3 units of the truth (e_j ≤ (e_(j−1) + 1)/j + 1). The first term
// that comes out 0 is below 3 units, and so is each series' tail, which
// alternates and decreases from there.
template <size_t Limbs>
SineCosine<Limbs> SinCos(const BasicNatural<Limbs>& r, int p) {
    BasicNatural<Limbs> sinePlus = r, sineMinus, cosinePlus = PowerOfTwo<Limbs>(p), cosineMinus;
    BasicNatural<Limbs> term = r;
    uint64_t terms = 2;
    for (uint32_t j = 2;; ++j) {
        term = ShiftRight(Multiply(term, r), p);
        DivideSmall(term, j);
        if (term.empty()) break;
        const bool negative = j % 4 == 2 || j % 4 == 3;
        if (j % 2 == 0) {
            Add(negative ? cosineMinus : cosinePlus, term);
        } else {
            Add(negative ? sineMinus : sinePlus, term);
        }
        ++terms;
    }
    SineCosine<Limbs> result{{}, {}, 3 * terms + 3};
    if (Compare(sinePlus, sineMinus) > 0) {
        Subtract(sinePlus, sineMinus);
        result.sine = sinePlus;
    }
    Subtract(cosinePlus, cosineMinus);
    result.cosine = cosinePlus;
    return result;
}

// The double nearest to a bound of a/b, a, b > 0: to q·2^−k below it, with
// q = ⌊a·2^k/b⌋ of p/2 + 32 bits, or with `above` to (q + 1)·2^−k above it.
// Rounding is monotonic, so the double nearest to a/b lies between the two.
// (The quotient's precision grows with p, so that a tangent close to a
// rounding boundary is decided at some precision.)
template <size_t Limbs>
double NearestToBound(const BasicNatural<Limbs>& a, const BasicNatural<Limbs>& b, bool above,
                      int p) {
    const int k = p / 2 + 32 - (BitLength(a) - BitLength(b));
    BasicNatural<Limbs> q = k >= 0 ? Divide(ShiftLeft(a, k), b) : Divide(a, ShiftLeft(b, -k));
    if (above) Add(q, BasicNatural<Limbs>{1});
    return RoundToDouble(q, -k);
}

// One attempt at precision p for 2^−27 ≤ |x| < ∞; false when the interval
// does not decide.
template <size_t Limbs>
bool TryTangent(double x, int p, double& result) {
    const auto bits = std::bit_cast<uint64_t>(x);
    const int biased = static_cast<int>(bits >> 52 & 0x7FF);
    const uint64_t mantissa = (bits & ((uint64_t{1} << 52) - 1)) | uint64_t{1} << 52;
    const int magnitude = biased - 1023;  // 2^magnitude ≤ |x| < 2^(magnitude+1)

    // The reduction works with `extra` more bits, enough for n ≤ 2^extra.
    // |x| is exact there: its lowest bit is 2^(magnitude−52) ≥ 2^−79.
    const int extra = std::max(0, magnitude + 1);
    const int wide = p + extra;
    uint64_t halfPiError = 0;
    const BasicNatural<Limbs> halfPi = HalfPi<Limbs>(wide, halfPiError);
    const BasicNatural<Limbs> ax = ShiftLeft(FromWord<Limbs>(mantissa), wide + magnitude - 52);

    // n = ⌊|x|/(π/2) + 1/2⌋ and r = |x| − n·π/2, whose error is at most
    // n·halfPiError units of 2^−wide, that is halfPiError units of 2^−p, plus
    // one unit for dropping the extra bits.
    BasicNatural<Limbs> twice = ShiftLeft(ax, 1);
    Add(twice, halfPi);
    const BasicNatural<Limbs> n = Divide(twice, ShiftLeft(halfPi, 1));
    const BasicNatural<Limbs> nearest = Multiply(n, halfPi);
    const bool below = Compare(ax, nearest) < 0;  // r < 0
    BasicNatural<Limbs> r = below ? nearest : ax;
    Subtract(r, below ? ax : nearest);
    r = ShiftRight(r, extra);

    const SineCosine<Limbs> sc = SinCos(r, p);
    const BasicNatural<Limbs> error = FromWord<Limbs>(sc.error + halfPiError + 1);
    if (Compare(sc.sine, error) <= 0 || Compare(sc.cosine, error) <= 0) return false;
    BasicNatural<Limbs> sineLow = sc.sine, sineHigh = sc.sine, cosineLow = sc.cosine,
                        cosineHigh = sc.cosine;
    Subtract(sineLow, error);
    Add(sineHigh, error);
    Subtract(cosineLow, error);
    Add(cosineHigh, error);

    const bool odd = !n.empty() && (n[0] & 1) != 0;
    const double low = odd ? NearestToBound(cosineLow, sineHigh, false, p)
                           : NearestToBound(sineLow, cosineHigh, false, p);
    const double high = odd ? NearestToBound(cosineHigh, sineLow, true, p)
                            : NearestToBound(sineHigh, cosineLow, true, p);
    // tan(−x) = −tan x; tan r has the sign of r, −cot r the opposite one.
    // Undecided, the low bound still stands within 2^−p/2 of the tangent.
    const bool negative = ((x < 0) != below) != odd;
    result = negative ? -low : low;
    return low == high;
}

}  // namespace

double RoundedTangent(double x) {
    const auto bits = std::bit_cast<uint64_t>(x);
    const int biased = static_cast<int>(bits >> 52 & 0x7FF);
    if (biased == 0x7FF) return x - x;  // NaN for NaN and infinities
    // Below 2^−27, with 2^e ≤ |x| < 2^(e+1) and e ≤ −28: 0 < tan|x| − |x| <
    // |x|³/2 < 2^(3e+2) ≤ 2^(e−54), less than half a unit in the last place
    // of x, so x itself is nearest (zeros and subnormals included).
    if (biased < 1023 - 27) return x;
    // Known hard cases of the tangent over doubles are decided well within
    // 256 bits; the limit only keeps the numbers within Natural's capacity.
    // Below 2 (a filter's prewarping, for one) the attempts up to
    // kNarrowPrecision take narrow numbers and a sixth of the stack, so that
    // a redesign fits a real-time thread's stack; the sequence of attempts,
    // and so the result, is the same.
    double result = 0.0;
    int p = 128;
    if (biased < 1023 + 1) {
        for (; p <= kNarrowPrecision; p *= 2) {
            if (TryTangent<kNarrowLimbs>(x, p, result)) return result;
        }
    }
    for (; p <= kMaxPrecision && !TryTangent<kWideLimbs>(x, p, result); p *= 2) {
    }
    return result;
}
