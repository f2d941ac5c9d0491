#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "effects/squeak/SqueakProcess.h"
#include "support/SignalHost.h"

namespace {

// The processing written straight from its definition: a modulo test per
// sample and channel.
void ReferenceSqueak(const StreamBuffer& chunk, uint32_t count, SqueakSettings& s) {
    const double signLeft = s.invertLeft ? -1.0 : 1.0;
    const double signRight = s.invertRight ? -1.0 : 1.0;
    const auto step = [&](double& sample, uint32_t period, uint32_t position, uint32_t& dryPhase,
                          double sign, double depth, uint32_t i) {
        const double x = sample;
        if (period == 0) {
            sample = (sign * depth + s.dryGain) * x;
            return;
        }
        if ((position + i) % period == 0) dryPhase = dryPhase == 0 ? 1 : 0;
        sample = dryPhase == 1 ? s.dryGain * x : (sign * depth + s.dryGain) * x;
    };
    for (uint32_t i = 0; i < count; ++i) {
        step(chunk.left[i], s.periodLeft, s.positionLeft, s.dryPhaseLeft, signLeft, s.squeakLeft,
             i);
        if (chunk.right)
            step(chunk.right[i], s.periodRight, s.positionRight, s.dryPhaseRight, signRight,
                 s.squeakRight, i);
    }
    if (s.periodLeft != 0) s.positionLeft += count % s.periodLeft;
    if (s.periodRight != 0) s.positionRight += count % s.periodRight;
}

SqueakSettings Record(uint32_t periodLeft, uint32_t periodRight) {
    SqueakSettings s;
    s.dryGain = 0.3;
    s.squeakLeft = 0.8;
    s.squeakRight = 0.55;
    s.periodLeft = periodLeft;
    s.periodRight = periodRight;
    return s;
}

void ExpectSameState(const SqueakSettings& a, const SqueakSettings& b) {
    EXPECT_EQ(a.dryPhaseLeft, b.dryPhaseLeft);
    EXPECT_EQ(a.dryPhaseRight, b.dryPhaseRight);
    EXPECT_EQ(a.positionLeft, b.positionLeft);
    EXPECT_EQ(a.positionRight, b.positionRight);
}

TEST(SqueakProcess, WorkedExampleAcrossTwoCalls) {
    SqueakSettings s = Record(3, 0);
    s.dryGain = 0.5;
    s.squeakLeft = 0.25;
    std::vector<double> x(7, 1.0);
    ProcessSqueak({7, x.data(), nullptr}, 7, s);
    EXPECT_EQ(x, (std::vector<double>{0.5, 0.5, 0.5, 0.75, 0.75, 0.75, 0.5}));
    EXPECT_EQ(s.dryPhaseLeft, 1u);
    EXPECT_EQ(s.positionLeft, 1u);

    std::fill(x.begin(), x.end(), 1.0);
    ProcessSqueak({7, x.data(), nullptr}, 7, s);
    EXPECT_EQ(x, (std::vector<double>{0.5, 0.5, 0.75, 0.75, 0.75, 0.5, 0.5}));
}

TEST(SqueakProcess, PeriodZeroIsAConstantSignedGainAndLeavesThePhaseAlone) {
    SqueakSettings s = Record(0, 0);
    s.invertRight = 1;
    s.dryPhaseLeft = 1;
    s.positionLeft = 17;
    std::vector<double> l(5, 2.0), r(5, 2.0);
    ProcessSqueak({5, l.data(), r.data()}, 5, s);
    for (double v : l) EXPECT_EQ(v, (0.8 + 0.3) * 2.0);
    for (double v : r) EXPECT_EQ(v, (-0.55 + 0.3) * 2.0);
    EXPECT_EQ(s.dryPhaseLeft, 1u);
    EXPECT_EQ(s.positionLeft, 17u);
}

TEST(SqueakProcess, MonoBufferStillAdvancesTheRightCounter) {
    SqueakSettings s = Record(5, 7);
    std::vector<double> l(10, 1.0);
    ProcessSqueak({10, l.data(), nullptr}, 10, s);
    EXPECT_EQ(s.dryPhaseRight, 0u);
    EXPECT_EQ(s.positionRight, 3u);
    EXPECT_EQ(s.positionLeft, 0u);
}

// The run-based loop against the per-sample modulo test: many periods and
// inversions, counters about to wrap past 2^32, and calls of every size.
TEST(SqueakProcess, MatchesTheModuloDefinitionEverywhere) {
    std::mt19937 random(20261207);
    const uint32_t periods[] = {0,   1,    2,    3,    7,      64,          735,
                                800, 4095, 4096, 4097, 100003, 0x80000001u, 0xFFFFFFFFu};
    const uint32_t positions[] = {0, 1, 734, 0xFFFFFFFFu, 0xFFFFFFFEu, 0xFFFFF000u, 0x7FFFFFFFu};
    for (uint32_t periodLeft : periods) {
        for (uint32_t start : positions) {
            const uint32_t periodRight = periods[random() % std::size(periods)];
            SqueakSettings fast = Record(periodLeft, periodRight);
            fast.invertLeft = random() % 2;
            fast.invertRight = random() % 2;
            fast.positionLeft = start;
            fast.positionRight = positions[random() % std::size(positions)];
            fast.dryPhaseLeft = random() % 2;
            SqueakSettings slow = fast;

            for (int call = 0; call < 40; ++call) {
                const uint32_t count = 1 + random() % (call % 4 == 0 ? 9000 : 50);
                const bool stereo = random() % 4 != 0;
                std::vector<double> l = NoiseSignal(count, call), r = NoiseSignal(count, call + 99);
                std::vector<double> refL = l, refR = r;
                ProcessSqueak({count, l.data(), stereo ? r.data() : nullptr}, count, fast);
                ReferenceSqueak({count, refL.data(), stereo ? refR.data() : nullptr}, count, slow);
                ASSERT_EQ(l, refL) << "period " << periodLeft << " start " << start;
                ASSERT_EQ(r, refR) << "period " << periodRight;
                ExpectSameState(fast, slow);
            }
        }
    }
}

}  // namespace
