// Numbers and bytes as text, the same on every platform.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "persist/common/ValueText.h"
#include "support/PrintfGeneral.h"

namespace {

TEST(ValueText, GeneralFormatHasThreeExponentDigits) {
    struct Case {
        double value;
        const char* text;
    };
    for (const Case& c : {Case{1234567, "1.23457e+006"}, Case{1e-5, "1e-005"}, Case{0.1, "0.1"},
                          Case{100000, "100000"}, Case{1e6, "1e+006"}, Case{0.0001, "0.0001"},
                          Case{123456789, "1.23457e+008"}, Case{0.123456789, "0.123457"},
                          Case{-2.5, "-2.5"}, Case{0, "0"}, Case{-0.0, "-0"}, Case{1e300, "1e+300"},
                          Case{-1.5e-300, "-1.5e-300"}, Case{5e-324, "4.94066e-324"},
                          Case{1.7976931348623157e308, "1.79769e+308"}, Case{999999.5, "1e+006"},
                          // exact ties go to the even digit
                          Case{1234565, "1.23456e+006"}, Case{1234575, "1.23458e+006"},
                          Case{100000.5, "100000"}, Case{100001.5, "100002"},
                          // "1e-318" reads as this subnormal, which has too
                          // few bits to give "1e-318" back
                          Case{0x0.00000000316a2p-1022, "9.99999e-319"}}) {
        const NumberText t = FormatGeneral(c.value);
        EXPECT_STREQ(t.Text(), c.text);
        EXPECT_EQ(t.length, std::strlen(c.text));
    }
}

TEST(ValueText, GeneralFormatMatchesPrintf) {
    std::mt19937_64 random(1);
    std::uniform_real_distribution<double> mantissa(-10, 10);
    std::uniform_int_distribution<int> exponent(-320, 307);
    for (int i = 0; i < 20000; ++i) {
        const double v = mantissa(random) * std::pow(10.0, exponent(random));
        ASSERT_EQ(FormatGeneral(v).Text(), PrintfGeneral(v)) << v;
    }
}

// Every digit counts: decimal texts of random doubles at full length, of the
// points halfway between neighbouring doubles (exact in long double) and of
// numbers just beside those points, subnormals included, read as strtod
// reads them.
TEST(ValueText, RealsRoundToNearestLikeStrtod) {
    std::mt19937_64 random(2);
    std::uniform_int_distribution<uint64_t> bits(0, 0x7FEFFFFFFFFFFFFFull);
    char text[900];
    const auto check = [&](const char* what) {
        ASSERT_EQ(ParseReal(text), std::strtod(text, nullptr)) << what << " " << text;
    };
    for (int i = 0; i < 3000; ++i) {
        double v;
        const uint64_t b = i % 4 == 0 ? bits(random) % (1ull << 53) : bits(random);
        std::memcpy(&v, &b, sizeof v);
        std::snprintf(text, sizeof text, "%.17g", v);
        check("shortest");
        const long double middle = (static_cast<long double>(v) +
                                    std::nextafter(v, std::numeric_limits<double>::infinity())) /
                                   2;
        std::snprintf(text, sizeof text, "%.780Le", middle);
        check("halfway");
        char* end = std::strchr(text, 'e');
        std::string exact(text), exponent(end);
        std::snprintf(text, sizeof text, "%s1%s", exact.substr(0, end - text).c_str(),
                      exponent.c_str());
        check("above halfway");
        std::snprintf(text, sizeof text, "%.30Le", middle);
        check("short of halfway");
    }
}

TEST(ValueText, DecimalFormat) {
    EXPECT_STREQ(FormatDecimal(INT32_MIN).Text(), "-2147483648");
    EXPECT_STREQ(FormatDecimal(0).Text(), "0");
    EXPECT_EQ(FormatDecimal(-1).length, 2u);
}

TEST(ValueText, RealsParseTheLongestDecimalPrefix) {
    constexpr double kInf = std::numeric_limits<double>::infinity();
    struct Case {
        const char* text;
        double value;
    };
    for (const Case& c : {Case{" \t\n\v\f\r-1.5e3xyz", -1500},
                          Case{"1e+006", 1e6},
                          Case{"1e-005", 1e-5},
                          Case{"1.23457e+006", 1234570},
                          Case{"+.5", 0.5},
                          Case{"5.", 5},
                          Case{"5.e1", 50},
                          Case{".", 0},
                          Case{"-", 0},
                          Case{"e5", 0},
                          Case{"1e", 1},
                          Case{"1e+", 1},
                          Case{"1.5E2", 150},
                          Case{"0x10", 0},
                          Case{"inf", 0},
                          Case{"nan", 0},
                          Case{"", 0},
                          Case{"1e999", kInf},
                          Case{"-1e999", -kInf},
                          Case{"1e-999", 0},
                          Case{"0.0001e-330", 0},
                          Case{"12345678901234567890e-400", 0},
                          Case{"0.001e311", 1e308},
                          Case{"1e-310", 1e-310},
                          Case{"0.1", 0.1},
                          Case{"00012.5000", 12.5}}) {
        EXPECT_EQ(ParseReal(c.text), c.value) << c.text;
    }
    EXPECT_TRUE(std::signbit(ParseReal("-1e-999")));
}

TEST(ValueText, WordsWrapModulo2To32) {
    struct Case {
        const char* text;
        uint32_t word;
    };
    for (const Case& c :
         {Case{"4294967295", 4294967295u}, Case{"-1", 4294967295u}, Case{"4294967296", 0},
          Case{"99999999999", 1215752191}, Case{"-2147483648", 0x80000000u}, Case{" +12", 12},
          Case{"-0", 0}, Case{"12abc", 12}, Case{"abc", 0}, Case{"- 5", 0}, Case{"\t\r\n7", 7},
          Case{"1.9", 1}}) {
        EXPECT_EQ(ParseWord(c.text), c.word) << c.text;
    }
}

TEST(ValueText, HexDigits) {
    const uint8_t bytes[] = {0x00, 0x0A, 0xFF, 0x5C};
    char text[9] = {};
    FormatHex(bytes, 4, text);
    EXPECT_STREQ(text, "000AFF5C");
    for (const unsigned long long value : {0ull, 0x1A4ull, 0x80000001ull, ~0ull}) {
        for (const int digits : {1, 4, 16}) {
            char expected[20];
            std::snprintf(expected, sizeof expected, "%0*llX", digits, value);
            EXPECT_STREQ(FormatHexNumber(value, digits).Text(), expected);
        }
    }

    // Other characters count modulo 16: 'G' as 16, 'z' as 67, ' ' as -23.
    uint8_t read[4] = {};
    EXPECT_EQ(ParseHex("aFGz  ", 6, read, 4), 3);
    EXPECT_EQ(read[0], 0xAF);
    EXPECT_EQ(read[1], 0x03);
    EXPECT_EQ(read[2], 0x99);
}

}  // namespace
