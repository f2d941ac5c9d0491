// The Butterworth high-pass node: its design, its recursion against a direct
// evaluation, its silence limit and its measured response.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

#include "effects/highpass/HighPassNode.h"
#include "support/DirectHighPass.h"
#include "support/SignalHost.h"

namespace {

using Samples = std::vector<double>;

struct Designed : HighPassNode {
    Designed(int32_t cutoffHz, uint32_t sampleRate) {
        cutoff = cutoffHz;
        SetFormat({0, 2, sampleRate});
    }
};

// Runs the arrays through the node in calls of the given sizes (the last
// repeated).
void Filter(HighPassNode& node, Samples& left, Samples* right, const std::vector<size_t>& calls) {
    for (size_t done = 0, k = 0; done < left.size(); ++k) {
        const size_t n = std::min(calls[std::min(k, calls.size() - 1)], left.size() - done);
        const StreamBuffer b{static_cast<uint32_t>(n), left.data() + done,
                             right ? right->data() + done : nullptr};
        EXPECT_EQ(node.Process(b), 1);
        done += n;
    }
}

TEST(HighPassDesignTest, MatchesTheBilinearButterworthCoefficients) {
    const HighPassCoefficients zero = DesignHighPass(0, 44100);
    EXPECT_EQ(zero.b0, 1.0);
    EXPECT_EQ(zero.b1, -2.0);
    EXPECT_EQ(zero.b2, 1.0);
    EXPECT_EQ(zero.a1, -2.0);
    EXPECT_EQ(zero.a2, 1.0);

    const HighPassCoefficients c100 = DesignHighPass(100, 44100);
    EXPECT_NEAR(c100.b0, 0.98997601, 5e-9);
    EXPECT_NEAR(c100.b1, -1.97995203, 5e-9);
    EXPECT_NEAR(c100.a1, -1.97985154, 5e-9);
    EXPECT_NEAR(c100.a2, 0.98005251, 5e-9);

    const HighPassCoefficients quarter = DesignHighPass(11025, 44100);
    EXPECT_NEAR(quarter.b0, 0.29289322, 5e-9);
    EXPECT_NEAR(quarter.b1, -0.58578644, 5e-9);
    EXPECT_NEAR(quarter.a1, 0.0, 1e-15);
    EXPECT_NEAR(quarter.a2, 0.17157288, 5e-9);

    for (int32_t cutoff : {1, 100, 997, 11025, 20045}) {
        const HighPassCoefficients c = DesignHighPass(cutoff, 44100);
        EXPECT_EQ(c.b2, c.b0);
        EXPECT_EQ((c.b0 + c.b1) + c.b2, 0.0) << cutoff;  // DC is removed exactly
    }
}

// Whatever the call sizes, each channel is exactly the difference equation
// run over the whole signal, with that channel's grouping.
TEST(HighPassNodeTest, FiltersEachChannelAsOneContinuousSignal) {
    const Samples x = NoiseSignal(10000, 3);
    const HighPassCoefficients c = DesignHighPass(1234, 48000);
    const Samples expectedLeft = DirectHighPass(c, x, Grouping::kLeft);
    const Samples expectedRight = DirectHighPass(c, x, Grouping::kRight);
    ASSERT_NE(expectedLeft, expectedRight);  // the groupings round differently

    for (const std::vector<size_t>& calls :
         std::vector<std::vector<size_t>>{{10000}, {1, 2, 997, 4096, 3}}) {
        Designed node(1234, 48000);
        Samples left = x, right = x;
        Filter(node, left, &right, calls);
        EXPECT_EQ(left, expectedLeft);
        EXPECT_EQ(right, expectedRight);
        EXPECT_EQ(left[0], c.b0 * x[0]);

        Designed mono(1234, 48000);
        Samples only = x;
        Filter(mono, only, nullptr, calls);
        EXPECT_EQ(only, expectedLeft);
    }
}

TEST(HighPassNodeTest, RightChannelStartsFromItsOwnHistory) {
    const Samples x = NoiseSignal(200, 4);
    const HighPassCoefficients c = DesignHighPass(500, 44100);
    Designed node(500, 44100);
    Samples left(x.begin(), x.begin() + 100), right(x.begin() + 100, x.end());
    Filter(node, left, nullptr, {100});
    Samples secondLeft = right, secondRight = right;
    Filter(node, secondLeft, &secondRight, {100});
    const Samples tail(x.begin() + 100, x.end());
    EXPECT_EQ(secondRight, DirectHighPass(c, tail, Grouping::kRight));
    const Samples whole = DirectHighPass(c, x, Grouping::kLeft);
    EXPECT_EQ(secondLeft, Samples(whole.begin() + 100, whole.end()));

    node.SetFormat({0, 2, 44100});  // clears both histories
    Samples again = tail;
    Filter(node, again, nullptr, {100});
    EXPECT_EQ(again, DirectHighPass(c, tail, Grouping::kLeft));
}

// The limit is sampleRate × 0.45454545454545453, inclusive: 20045.4545... at
// 44100 Hz, exactly 20000 at 44000 Hz.
TEST(HighPassNodeTest, SilentAboveFiveEleventhsOfTheRate) {
    struct Case {
        uint32_t rate;
        int32_t filtered;
    };
    for (const Case& k : {Case{44100, 20045}, Case{44000, 20000}}) {
        const Samples x = NoiseSignal(64, k.rate);
        Designed passing(k.filtered, k.rate);
        Samples left = x, right = x;
        Filter(passing, left, &right, {64});
        EXPECT_EQ(left, DirectHighPass(DesignHighPass(k.filtered, k.rate), x, Grouping::kLeft));

        Designed silent(k.filtered + 1, k.rate);
        left = x;
        right = x;
        Filter(silent, left, &right, {64});
        EXPECT_EQ(left, Samples(64, 0.0)) << k.rate;
        EXPECT_EQ(right, Samples(64, 0.0)) << k.rate;
    }

    // Silence neither reads nor advances the histories.
    const Samples x = NoiseSignal(100, 5);
    Designed node(3000, 44100);
    Samples first(x.begin(), x.begin() + 50), second(x.begin() + 50, x.end());
    Filter(node, first, nullptr, {50});
    node.cutoff = 30000;
    Samples ignored = x;
    Filter(node, ignored, nullptr, {100});
    EXPECT_EQ(ignored, Samples(100, 0.0));
    node.cutoff = 3000;
    Filter(node, second, nullptr, {50});
    first.insert(first.end(), second.begin(), second.end());
    EXPECT_EQ(first, DirectHighPass(DesignHighPass(3000, 44100), x, Grouping::kLeft));
}

// The magnitude response measured from the node's impulse response: the DFT
// of the (fully decayed) response evaluated at each frequency.
double MeasuredGainDb(const Samples& impulseResponse, double frequency, double sampleRate) {
    const double w = 2.0 * std::numbers::pi * frequency / sampleRate;
    std::complex<double> h = 0.0;
    for (size_t n = 0; n < impulseResponse.size(); ++n)
        h += impulseResponse[n] * std::polar(1.0, -w * static_cast<double>(n));
    return 20.0 * std::log10(std::abs(h));
}

TEST(HighPassNodeTest, MeasuredResponseIsASecondOrderButterworthHighPass) {
    constexpr double kRate = 44100;
    for (int32_t cutoff : {100, 1000, 2000}) {
        Designed node(cutoff, kRate);
        Samples left(1 << 16, 0.0), right(1 << 16, 0.0);
        left[0] = right[0] = 1.0;
        Filter(node, left, &right, {16384});
        for (const Samples* h : {&left, &right}) {
            EXPECT_NEAR(MeasuredGainDb(*h, cutoff, kRate), -3.0103, 0.05) << cutoff;
            EXPECT_NEAR(MeasuredGainDb(*h, 10.0 * cutoff, kRate), 0.0, 0.01) << cutoff;
            // 40 dB per decade, 12.04 dB per octave, well below the cutoff.
            const double low = cutoff / 10.0;
            const double octave =
                MeasuredGainDb(*h, low, kRate) - MeasuredGainDb(*h, low / 2.0, kRate);
            EXPECT_NEAR(octave, 12.04, 0.05) << cutoff;
        }
    }
}

}  // namespace
