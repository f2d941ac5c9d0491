#include <gtest/gtest.h>
#include <mpfr.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "math/RoundedTangent.h"

namespace {

// MPFR's tangent of x rounded to the nearest double.
class Reference {
  public:
    Reference() { mpfr_init2(value_, 53); }
    ~Reference() { mpfr_clear(value_); }
    Reference(const Reference&) = delete;
    Reference& operator=(const Reference&) = delete;

    double Tangent(double x) {
        mpfr_set_d(value_, x, MPFR_RNDN);
        mpfr_tan(value_, value_, MPFR_RNDN);
        return mpfr_get_d(value_, MPFR_RNDN);
    }

  private:
    mpfr_t value_;
};

// Checks every argument and lists the first few that differ.
void ExpectMatches(const std::vector<double>& arguments) {
    Reference reference;
    int mismatches = 0;
    for (double x : arguments) {
        const double expected = reference.Tangent(x);
        const double got = RoundedTangent(x);
        if (std::bit_cast<uint64_t>(got) != std::bit_cast<uint64_t>(expected)) {
            if (++mismatches <= 5)
                ADD_FAILURE() << std::hexfloat << "tan(" << x << "): " << got << ", MPFR "
                              << expected;
        }
    }
    EXPECT_EQ(mismatches, 0) << "of " << arguments.size();
}

}  // namespace

// The prewarping argument cutoff·π/rate of the filter design over the common
// sample rates and every cutoff from 1 to 20000 Hz, where a C library's tan
// is off in the last bit for hundreds (glibc) to tens of thousands (Wine's
// msvcrt) of pairs.
TEST(RoundedTangent, MatchesMpfrOverTheDesignGrid) {
    constexpr double kPi = 3.141592653589793;
    const uint32_t rates[] = {8000,  11025, 16000, 22050,  32000, 44100,
                              48000, 88200, 96000, 176400, 192000};
    std::vector<double> arguments;
    for (uint32_t rate : rates) {
        for (int32_t cutoff = 1; cutoff <= 20000; ++cutoff) {
            arguments.push_back(static_cast<double>(cutoff) * kPi / static_cast<double>(rate));
        }
    }
    ASSERT_EQ(arguments.size(), 220000u);
    ExpectMatches(arguments);
}

// Whatever a stored record can pass (any 32-bit cutoff and rate), doubles of
// every magnitude, and arguments next to multiples of π/2, where the
// reduction cancels most bits.
TEST(RoundedTangent, MatchesMpfrForRandomAndHardArguments) {
    constexpr double kPi = 3.141592653589793;
    std::mt19937_64 random(20260101);
    std::vector<double> arguments;
    for (int i = 0; i < 20000; ++i) {
        const auto cutoff = static_cast<int32_t>(static_cast<uint32_t>(random()));
        const auto rate = static_cast<uint32_t>(random()) | 1;
        arguments.push_back(static_cast<double>(cutoff) * kPi / static_cast<double>(rate));
    }
    std::uniform_int_distribution<int> exponent(-30, 1023);
    for (int i = 0; i < 5000; ++i) {
        const double mantissa = std::ldexp(static_cast<double>(random() >> 11), -53);  // [0, 1)
        arguments.push_back((i % 2 ? -1 : 1) * std::ldexp(1.0 + mantissa, exponent(random)));
    }
    for (int multiple = 1; multiple <= 2000; ++multiple) {
        const double nearest = multiple * (kPi / 2);
        double x = std::nextafter(nearest, 0.0);
        for (int n = 0; n < 3; ++n, x = std::nextafter(x, 1e300)) arguments.push_back(x);
    }
    const double hard[] = {
        std::ldexp(6381956970095103.0, 797),  // the double closest to a multiple of π/2
        std::ldexp(5261692873635770.0, 499),
        1.5707963267948966,
        3.141592653589793,
        0x1p-27,
        -0x1p-27,
        0x1.0000000000001p-27,
        0.7853981633974483,
        1e22,
        6.75e9,
        std::numeric_limits<double>::max(),
        -std::numeric_limits<double>::max()};
    arguments.insert(arguments.end(), std::begin(hard), std::end(hard));
    ExpectMatches(arguments);
}

// Below 2^-27 the tangent rounds to the argument itself; zeros keep their
// sign, NaN and infinities give NaN.
TEST(RoundedTangent, SmallAndSpecialArguments) {
    ExpectMatches({0x1.fffffffffffffp-28, -0x1p-28, 1e-100, 0x1p-1074, -0x1p-1074, 0x1p-1022});
    EXPECT_EQ(std::bit_cast<uint64_t>(RoundedTangent(-0.0)), std::bit_cast<uint64_t>(-0.0));
    EXPECT_EQ(std::bit_cast<uint64_t>(RoundedTangent(0.0)), 0u);
    EXPECT_TRUE(std::isnan(RoundedTangent(std::numeric_limits<double>::quiet_NaN())));
    EXPECT_TRUE(std::isnan(RoundedTangent(std::numeric_limits<double>::infinity())));
    EXPECT_TRUE(std::isnan(RoundedTangent(-std::numeric_limits<double>::infinity())));
}
