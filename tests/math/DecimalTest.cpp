#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "math/Decimal.h"

namespace {

// Every digit count against glibc's "%.*e", which rounds the exact value,
// over doubles drawn from their bit patterns (subnormals included).
TEST(Decimal, RoundsToEveryDigitCountLikePrintf) {
    std::mt19937_64 random(3);
    std::uniform_int_distribution<uint64_t> bits(1, 0x7FEFFFFFFFFFFFFFull);
    for (int i = 0; i < 20000; ++i) {
        const uint64_t b = i % 8 == 0 ? bits(random) % (1ull << 53) + 1 : bits(random);
        double value;
        std::memcpy(&value, &b, sizeof value);
        const int digits = 1 + i % 9;
        char expected[40];
        std::snprintf(expected, sizeof expected, "%.*e", digits - 1, value);
        const DecimalDigits d = RoundToDigits(value, digits);
        char got[40];
        std::snprintf(got, sizeof got, "%u", d.significand);
        char exponent[8];
        std::snprintf(exponent, sizeof exponent, "e%+03d", d.exponent);
        std::string text = got;
        if (digits > 1) text.insert(text.begin() + 1, '.');
        text += exponent;
        ASSERT_EQ(text, expected) << value << " to " << digits << " digits";
    }
}

// (Halfway points and long texts: ValueText.RealsRoundToNearestLikeStrtod.)
TEST(Decimal, NearestDoubleTakesAnyPointAndRange) {
    EXPECT_EQ(NearestDouble("00012.5000", 0), 12.5);
    EXPECT_EQ(NearestDouble(".5", 1), 5.0);
    EXPECT_EQ(NearestDouble("", 0), 0.0);
    EXPECT_EQ(NearestDouble("1", 400), HUGE_VAL);
    EXPECT_EQ(NearestDouble("1", -400), 0.0);
}

}  // namespace
