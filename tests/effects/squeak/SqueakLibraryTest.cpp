// The Squeak library driven through its exported entry points, as a host
// drives it.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "effects/squeak/SqueakSettings.h"
#include "support/LibraryTest.h"

namespace {

class SqueakLibraryTest : public LibraryTest<SqueakSettings> {
  protected:
    static void SetUpTestSuite() { lib = std::make_unique<PluginLibrary>(SQUEAK_LIBRARY); }
};

TEST_F(SqueakLibraryTest, DescribesItself) {
    ExpectDescription("Squeak", 0xABCD);
}

TEST_F(SqueakLibraryTest, DefaultsWithoutAStore) {
    const SqueakSettings& s = Create();
    EXPECT_EQ(s.dryGain, 30 * 0.01);
    EXPECT_EQ(s.squeakLeft, 80 * 0.01);
    EXPECT_EQ(s.squeakRight, 80 * 0.01);
    EXPECT_EQ(s.rateLeft, 60.0);
    EXPECT_EQ(s.rateRight, 60.0);
    EXPECT_EQ(s.periodLeft, 70u);
    EXPECT_EQ(s.holdCh + s.invertLeft + s.invertRight + s.disMain, 0u);
    EXPECT_EQ(s.streamCallback, nullptr);
    EXPECT_EQ(s.streamBlock, nullptr);
}

TEST_F(SqueakLibraryTest, PeriodsFollowTheSampleRate) {
    SqueakSettings& s = Create();
    SignalSource source;
    Open(s, source, 44100, 2);
    EXPECT_EQ(s.periodLeft, 735u);
    Open(s, source, 48000, 1);
    EXPECT_EQ(s.periodRight, 800u);
    EXPECT_EQ(s.streamBlock->right, nullptr);

    s.rateLeft = 0;
    s.rateRight = 50000;
    Open(s, source, 44100, 2);
    EXPECT_EQ(s.periodLeft, 0u);
    EXPECT_EQ(s.periodRight, 0u);
    ASSERT_NE(s.streamBlock, nullptr);
    EXPECT_EQ(s.streamBlock->count, 4096u);
    EXPECT_NE(s.streamBlock->right, nullptr);
}

// The default pattern: gain 0.3 for one period, then 1.1, alternating; an
// inverted channel swings to -0.5 instead.
TEST_F(SqueakLibraryTest, DefaultPatternAt44100And48000) {
    for (uint32_t rate : {44100u, 48000u}) {
        SqueakSettings& s = Create();
        s.invertRight = 1;
        const uint32_t period = rate / 60;
        const uint32_t length = 5 * period + 17;
        SignalSource source{std::vector<double>(length, 1.0), std::vector<double>(length, 1.0)};
        Open(s, source, rate, 2);
        std::vector<double> left(length), right(length);
        ASSERT_EQ(Process(s, left, &right, 0, length), length);
        for (uint32_t i = 0; i < length; ++i) {
            const bool dry = (i / period) % 2 == 0;
            ASSERT_EQ(left[i], dry ? 30 * 0.01 : 1.0 * (80 * 0.01) + 30 * 0.01) << i;
            ASSERT_EQ(right[i], dry ? 30 * 0.01 : -1.0 * (80 * 0.01) + 30 * 0.01) << i;
        }
    }
}

TEST_F(SqueakLibraryTest, SplittingTheStreamAnyWayGivesTheSameSamples) {
    const uint32_t length = 40000;
    const auto run = [&](const std::vector<uint32_t>& requests, uint32_t deliverAtMost) {
        SqueakSettings& s = Create();
        s.rateRight = 77;
        SignalSource source{NoiseSignal(length, 1), NoiseSignal(length, 2)};
        source.deliverAtMost = deliverAtMost;
        Open(s, source, 44100, 2);
        std::vector<double> left(length), right(length);
        size_t done = 0;
        for (size_t k = 0; done < length; ++k) {
            const uint32_t n = std::min<uint32_t>(requests[k % requests.size()], length - done);
            done += Process(s, left, &right, done, n);
        }
        left.insert(left.end(), right.begin(), right.end());
        return left;
    };
    const std::vector<double> whole = run({length}, UINT32_MAX);
    EXPECT_EQ(run({1, 4095, 4096, 4097, 12289, 735, 3}, UINT32_MAX), whole);
    EXPECT_EQ(run({65536}, 1000), whole);
    EXPECT_EQ(run({7, 9000}, 333), whole);
}

TEST_F(SqueakLibraryTest, PullsChunksOfAtMost4096) {
    SqueakSettings& s = Create();
    const uint32_t length = 3 * 4096 + 5;
    SignalSource source{std::vector<double>(length, 1.0), {}};
    Open(s, source, 44100, 1);
    std::vector<double> left(length, 9.0);

    EXPECT_EQ(Process(s, left, nullptr, 0, 4097), 4097u);
    EXPECT_EQ(source.requests, (std::vector<uint32_t>{4096, 1}));

    source.requests.clear();
    source.deliverAtMost = 100;
    EXPECT_EQ(Process(s, left, nullptr, 0, length), 100u);
    EXPECT_EQ(source.requests, (std::vector<uint32_t>{4096}));
}

TEST_F(SqueakLibraryTest, NothingDeliveredLeavesTheArraysUntouched) {
    SqueakSettings& s = Create();
    SignalSource source;  // no input at all
    Open(s, source, 44100, 2);
    std::vector<double> left(10, 9.0), right(10, 9.0);
    EXPECT_EQ(Process(s, left, &right, 0, 10), 0u);
    EXPECT_EQ(left, std::vector<double>(10, 9.0));
    EXPECT_EQ(s.dryPhaseLeft, 0u);
}

TEST_F(SqueakLibraryTest, MonoFormatStillProcessesAGivenRightChannel) {
    SqueakSettings& s = Create();
    SignalSource source{std::vector<double>(10, 1.0), std::vector<double>(10, 1.0)};
    Open(s, source, 44100, 1);
    std::vector<double> left(10), right(10);
    ASSERT_EQ(Process(s, left, &right, 0, 10), 10u);
    EXPECT_EQ(right, std::vector<double>(10, 30 * 0.01));
}

TEST_F(SqueakLibraryTest, LoadPresetKeepsTheStreamAndRestartsTheTiming) {
    SqueakSettings& s = Create();
    SignalSource source{std::vector<double>(1000, 1.0), {}};
    Open(s, source, 44100, 2);
    std::vector<double> left(1000);
    ASSERT_EQ(Process(s, left, nullptr, 0, 500), 500u);
    StreamBuffer* block = s.streamBlock;
    s.dryGain = 0.9;

    SettingsHandle handle = &s;
    ASSERT_EQ(lib->LoadPreset(nullptr, nullptr, nullptr, &handle), 1);
    EXPECT_EQ(handle, &s);
    EXPECT_EQ(s.streamBlock, block);
    EXPECT_EQ(s.callbackUser, &source);
    EXPECT_EQ(s.dryGain, 30 * 0.01);
    EXPECT_EQ(s.periodLeft, 70u);
    EXPECT_EQ(s.periodRight, 70u);
    EXPECT_EQ(s.positionLeft, 0u);
    EXPECT_EQ(s.dryPhaseLeft, 0u);

    // Without a new OpenStream the pattern runs with periods of 70.
    ASSERT_EQ(Process(s, left, nullptr, 500, 140), 140u);
    EXPECT_EQ(left[500 + 69], 30 * 0.01);
    EXPECT_EQ(left[500 + 70], 80 * 0.01 + 30 * 0.01);
}

TEST_F(SqueakLibraryTest, CopyCarriesThePhaseButNoStream) {
    SqueakSettings& s = Create();
    SignalSource source{std::vector<double>(3000, 1.0), {}};
    Open(s, source, 44100, 2);
    std::vector<double> left(3000);
    ASSERT_EQ(Process(s, left, nullptr, 0, 1000), 1000u);

    SettingsHandle copyHandle = nullptr;
    ASSERT_EQ(lib->CopySettings(&copyHandle, &s), 1);
    handles.push_back(copyHandle);
    auto& copy = *static_cast<SqueakSettings*>(copyHandle);
    EXPECT_EQ(copy.periodLeft, 735u);
    EXPECT_EQ(copy.positionLeft, s.positionLeft);
    EXPECT_EQ(copy.dryPhaseLeft, s.dryPhaseLeft);
    EXPECT_EQ(copy.positionRight, s.positionRight);
    EXPECT_EQ(copy.streamCallback, nullptr);
    EXPECT_EQ(copy.callbackUser, nullptr);
    EXPECT_EQ(copy.streamBlock, nullptr);

    // Reopened, the copy continues the pattern where the source stopped.
    SignalSource copySource{std::vector<double>(2000, 1.0), {}};
    Open(copy, copySource, 44100, 1);
    std::vector<double> copied(2000);
    ASSERT_EQ(Process(copy, copied, nullptr, 0, 2000), 2000u);
    ASSERT_EQ(Process(s, left, nullptr, 1000, 2000), 2000u);
    EXPECT_EQ(copied, std::vector<double>(left.begin() + 1000, left.end()));
}

}  // namespace
