#include "math/Decimal.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

#include "math/Natural.h"

using namespace exact;

namespace {

// Past this many significant digits, a decimal number's further digits only
// count by being nonzero: a point halfway between two doubles has at most
// 767 of them.
constexpr int64_t kKeptDigits = 768;

uint32_t PowerOfTenWord(int exponent) {
    uint32_t power = 1;
    for (; exponent > 0; --exponent) power *= 10;
    return power;
}

// The powers of ten as doubles, each the nearest to its power (the
// compiler's rounding of the literal); those up to 10^22 exactly.
constexpr double kPowers[] = {
    1e0,   1e1,   1e2,   1e3,   1e4,   1e5,   1e6,   1e7,   1e8,   1e9,   1e10,  1e11,  1e12,
    1e13,  1e14,  1e15,  1e16,  1e17,  1e18,  1e19,  1e20,  1e21,  1e22,  1e23,  1e24,  1e25,
    1e26,  1e27,  1e28,  1e29,  1e30,  1e31,  1e32,  1e33,  1e34,  1e35,  1e36,  1e37,  1e38,
    1e39,  1e40,  1e41,  1e42,  1e43,  1e44,  1e45,  1e46,  1e47,  1e48,  1e49,  1e50,  1e51,
    1e52,  1e53,  1e54,  1e55,  1e56,  1e57,  1e58,  1e59,  1e60,  1e61,  1e62,  1e63,  1e64,
    1e65,  1e66,  1e67,  1e68,  1e69,  1e70,  1e71,  1e72,  1e73,  1e74,  1e75,  1e76,  1e77,
    1e78,  1e79,  1e80,  1e81,  1e82,  1e83,  1e84,  1e85,  1e86,  1e87,  1e88,  1e89,  1e90,
    1e91,  1e92,  1e93,  1e94,  1e95,  1e96,  1e97,  1e98,  1e99,  1e100, 1e101, 1e102, 1e103,
    1e104, 1e105, 1e106, 1e107, 1e108, 1e109, 1e110, 1e111, 1e112, 1e113, 1e114, 1e115, 1e116,
    1e117, 1e118, 1e119, 1e120, 1e121, 1e122, 1e123, 1e124, 1e125, 1e126, 1e127, 1e128, 1e129,
    1e130, 1e131, 1e132, 1e133, 1e134, 1e135, 1e136, 1e137, 1e138, 1e139, 1e140, 1e141, 1e142,
    1e143, 1e144, 1e145, 1e146, 1e147, 1e148, 1e149, 1e150, 1e151, 1e152, 1e153, 1e154, 1e155,
    1e156, 1e157, 1e158, 1e159, 1e160, 1e161, 1e162, 1e163, 1e164, 1e165, 1e166, 1e167, 1e168,
    1e169, 1e170, 1e171, 1e172, 1e173, 1e174, 1e175, 1e176, 1e177, 1e178, 1e179, 1e180, 1e181,
    1e182, 1e183, 1e184, 1e185, 1e186, 1e187, 1e188, 1e189, 1e190, 1e191, 1e192, 1e193, 1e194,
    1e195, 1e196, 1e197, 1e198, 1e199, 1e200, 1e201, 1e202, 1e203, 1e204, 1e205, 1e206, 1e207,
    1e208, 1e209, 1e210, 1e211, 1e212, 1e213, 1e214, 1e215, 1e216, 1e217, 1e218, 1e219, 1e220,
    1e221, 1e222, 1e223, 1e224, 1e225, 1e226, 1e227, 1e228, 1e229, 1e230, 1e231, 1e232, 1e233,
    1e234, 1e235, 1e236, 1e237, 1e238, 1e239, 1e240, 1e241, 1e242, 1e243, 1e244, 1e245, 1e246,
    1e247, 1e248, 1e249, 1e250, 1e251, 1e252, 1e253, 1e254, 1e255, 1e256, 1e257, 1e258, 1e259,
    1e260, 1e261, 1e262, 1e263, 1e264, 1e265, 1e266, 1e267, 1e268, 1e269, 1e270, 1e271, 1e272,
    1e273, 1e274, 1e275, 1e276, 1e277, 1e278, 1e279, 1e280, 1e281, 1e282, 1e283, 1e284, 1e285,
    1e286, 1e287, 1e288, 1e289, 1e290, 1e291, 1e292, 1e293, 1e294, 1e295, 1e296, 1e297, 1e298,
    1e299, 1e300, 1e301, 1e302, 1e303, 1e304, 1e305, 1e306, 1e307, 1e308};
constexpr int kLargestExactPower = 22;
constexpr int kLargestPower = 308;

// ⌊n / (2^twos·10^tens)⌋, by floors of successive divisions (they compose);
// with `inexact`, whether any of them left a remainder.
Natural DivideByPowers(const Natural& n, int twos, int tens, bool* inexact = nullptr) {
    Natural q = ShiftRight(n, twos);
    bool rest = twos > 0 && AnyBitBelow(n, twos);
    for (; tens >= 9; tens -= 9) rest = DivideSmall(q, 1000000000) != 0 || rest;
    rest = DivideSmall(q, PowerOfTenWord(tens)) != 0 || rest;
    if (inexact) *inexact = rest;
    return q;
}

// Almost every value is decided in double arithmetic: y = value·10^m, with
// m = digits − 1 − exponent, takes at most two powers of ten from the table
// and two products, each off by at most half a unit in the last place
// (2^−53 of itself), so y is off by less than 4.5·10^−16 of itself, below
// 2^−21 for y < 10^9.
// Only a y that close to a point halfway between integers, or to the bounds
// of `digits` digits (a wrong guess of the exponent), needs the exact
// quotient.
bool RoundQuickly(double value, int digits, int exponent, DecimalDigits& rounded) {
    int m = digits - 1 - exponent;
    double y = value;
    if (m > kLargestPower) {
        y *= kPowers[m - kLargestPower];  // a subnormal value becomes normal
        m = kLargestPower;
    }
    y = m >= 0 ? y * kPowers[m] : y / kPowers[-m];
    constexpr double kMargin = 1.0 / (1 << 20);
    const double low = kPowers[digits - 1], high = kPowers[digits];
    if (!(y >= low + kMargin && y < high - 0.5 - kMargin)) return false;
    const double whole = std::floor(y);
    const double fraction = y - whole;  // exact
    if (std::fabs(fraction - 0.5) < kMargin) return false;
    rounded = {static_cast<uint32_t>(whole) + (fraction > 0.5 ? 1u : 0u), exponent};
    return true;
}

}  // namespace

DecimalDigits RoundToDigits(double value, int digits) {
    const auto bits = std::bit_cast<uint64_t>(value);
    const int biased = static_cast<int>(bits >> 52);
    const uint64_t fraction = bits & ((uint64_t{1} << 52) - 1);
    const Natural mantissa = FromWord(biased == 0 ? fraction : fraction | uint64_t{1} << 52);
    const int scale = std::max(biased, 1) - 1075;  // value = mantissa·2^scale
    const Natural low{PowerOfTenWord(digits - 1)}, high{PowerOfTenWord(digits - 1) * 10};

    // The logarithm only guesses the first digit's exponent; the quotient
    // says whether the guess was one off.
    int exponent = static_cast<int>(std::floor(std::log10(value)));
    DecimalDigits rounded;
    if (RoundQuickly(value, digits, exponent, rounded)) return rounded;
    for (;;) {
        // q + r/d = value / 10^(exponent − digits + 1)
        const int shift = exponent - digits + 1;
        Natural n = ShiftLeft(mantissa, std::max(scale, 0));
        if (shift < 0) MultiplyByPowerOfTen(n, -shift);
        const Natural q = DivideByPowers(n, std::max(-scale, 0), std::max(shift, 0));
        if (Compare(q, high) >= 0) {
            ++exponent;
        } else if (Compare(q, low) < 0) {
            --exponent;
        } else {
            Natural d = PowerOfTwo(std::max(-scale, 0));
            if (shift > 0) MultiplyByPowerOfTen(d, shift);
            Natural r = n;
            Subtract(r, Multiply(q, d));
            uint32_t significand = q[0];
            const int half = Compare(ShiftLeft(r, 1), d);
            if (half > 0 || (half == 0 && significand % 2 != 0)) ++significand;
            if (significand == high[0]) return {low[0], exponent + 1};
            return {significand, exponent};
        }
    }
}

double NearestDouble(std::string_view mantissa, int64_t exponent) {
    // value = (kept + f)·10^scale, 0 ≤ f < 1, f > 0 exactly when `inexact`.
    Natural kept;
    int64_t significant = 0, afterPoint = 0;
    bool point = false, inexact = false;
    uint32_t chunk = 0;
    int chunkDigits = 0;
    for (const char c : mantissa) {
        if (c == '.') {
            point = true;
            continue;
        }
        afterPoint += point ? 1 : 0;
        if (significant == 0 && c == '0') continue;
        if (significant++ >= kKeptDigits) {
            inexact = inexact || c != '0';
            continue;
        }
        chunk = chunk * 10 + static_cast<uint32_t>(c - '0');
        if (++chunkDigits == 9) {
            MultiplySmall(kept, 1000000000);
            Add(kept, FromWord(chunk));
            chunk = 0;
            chunkDigits = 0;
        }
    }
    MultiplySmall(kept, PowerOfTenWord(chunkDigits));
    Add(kept, FromWord(chunk));
    if (kept.empty()) return 0.0;
    const int64_t keptDigits = std::min(significant, kKeptDigits);
    const int64_t scale = exponent - afterPoint + (significant - keptDigits);

    // 10^(keptDigits + scale − 1) ≤ value < 10^(keptDigits + scale)
    if (keptDigits + scale > 309) return std::numeric_limits<double>::infinity();
    if (keptDigits + scale <= -324) return 0.0;  // below 2^−1075
    // Exact operands, one rounding.
    if (!inexact && keptDigits <= 15 && scale >= -kLargestExactPower &&
        scale <= kLargestExactPower) {
        const auto whole = static_cast<double>(LowWord(kept));
        return scale < 0 ? whole / kPowers[-scale] : whole * kPowers[scale];
    }
    if (scale >= 0) {
        MultiplyByPowerOfTen(kept, static_cast<int>(scale));
        return RoundToDouble(kept, 0, inexact);
    }
    // A quotient of at least 55 bits: 10^−scale has fewer than
    // −scale·log2(10) + 2 bits.
    const int tens = static_cast<int>(-scale);
    const int divisorBits = static_cast<int>(tens * 3.321928094887362) + 2;
    const int shift = std::max(0, divisorBits - BitLength(kept) + 56);
    bool remainder = false;
    const Natural q = DivideByPowers(ShiftLeft(kept, shift), 0, tens, &remainder);
    return RoundToDouble(q, -shift, inexact || remainder);
}
