// The Plugin library driven through its exported entry points, as a host
// drives it.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "effects/highpass/HighPassSettings.h"
#include "support/DirectHighPass.h"
#include "support/LibraryTest.h"

namespace {

using Samples = std::vector<double>;

constexpr double kDefaultGain = 1.000015259254738;  // stored 32767

class HighPassLibraryTest : public LibraryTest<HighPassSettings> {
  protected:
    static void SetUpTestSuite() { lib = std::make_unique<PluginLibrary>(HIGHPASS_LIBRARY); }

    // What the effect makes of `x` on one channel from a fresh stream.
    static Samples Expected(const HighPassSettings& s, uint32_t sampleRate, const Samples& x,
                            Grouping grouping) {
        const HighPassCoefficients c = DesignHighPass(static_cast<int32_t>(s.cutoff), sampleRate);
        return DryWetMix(x, DirectHighPass(c, x, grouping), s.dryGain, s.wetGain);
    }
};

TEST_F(HighPassLibraryTest, DescribesItself) {
    ExpectDescription("High Pass Filter", 1);
}

TEST_F(HighPassLibraryTest, DefaultsWithoutAStore) {
    HighPassSettings& s = Create();
    EXPECT_EQ(s.dryGain, kDefaultGain);
    EXPECT_EQ(s.wetGain, kDefaultGain);
    EXPECT_EQ(s.cutoff, 100u);
    EXPECT_EQ(s.mixNode, nullptr);
    EXPECT_EQ(s.streamCallback, nullptr);
    EXPECT_EQ(lib->SavePreset("unused.ini", "Section", nullptr, &s), 1);
    EXPECT_EQ(lib->SavePresetXml(nullptr, &s), 1);
}

TEST_F(HighPassLibraryTest, OutputIsDryInputPlusWetHighPass) {
    const uint32_t length = 5000;
    const Samples x = NoiseSignal(length, 7), xRight = NoiseSignal(length, 8);
    for (uint16_t channels : {1, 2}) {
        for (const double dry : {kDefaultGain, 0.3, 0.0}) {
            HighPassSettings& s = Create();
            s.dryGain = dry;
            s.wetGain = dry == 0.3 ? 1.5259254737998596e-05 : 1.7;
            s.cutoff = 2500;
            SignalSource source{x, channels == 2 ? xRight : Samples{}};
            Open(s, source, 48000, channels);
            Samples left(length), right(length);
            ASSERT_EQ(Process(s, left, channels == 2 ? &right : nullptr, 0, length), length);
            EXPECT_EQ(left, Expected(s, 48000, x, Grouping::kLeft));
            if (channels == 2) {
                EXPECT_EQ(right, Expected(s, 48000, xRight, Grouping::kRight));
            }
        }
    }
}

TEST_F(HighPassLibraryTest, SplittingTheStreamAnyWayGivesTheSameSamples) {
    const uint32_t length = 70000;
    const Samples x = NoiseSignal(length, 1), xRight = NoiseSignal(length, 2);
    const auto run = [&](const std::vector<uint32_t>& requests) {
        HighPassSettings& s = Create();
        SignalSource source{x, xRight};
        Open(s, source, 44100, 2);
        Samples left(length), right(length);
        for (size_t k = 0, done = 0; done < length; ++k) {
            const uint32_t n = std::min<uint32_t>(requests[k % requests.size()], length - done);
            done += Process(s, left, &right, done, n);
        }
        for (uint32_t request : source.requests) EXPECT_LE(request, 16384u);
        EXPECT_EQ(left, Expected(s, 44100, x, Grouping::kLeft));
        EXPECT_EQ(right, Expected(s, 44100, xRight, Grouping::kRight));
    };
    run({length});
    run({65536});
    run({1, 16383, 16384, 16385, 20000, 7});
    run({4099, 9000, 333});  // tiles: none (a prime count), 250s, 111s
}

// A short chunk still runs whole through the graph: the samples beyond the
// delivered ones are filtered too, and the filter's history moves past them.
TEST_F(HighPassLibraryTest, ShortChunkAdvancesTheFilterOverTheWholeChunk) {
    HighPassSettings& s = Create();
    const Samples x = NoiseSignal(140, 3);
    SignalSource source{x, {}};
    source.deliverAtMost = 40;
    Open(s, source, 44100, 1);
    Samples left = NoiseSignal(200, 4);
    Samples input = left;
    EXPECT_EQ(Process(s, left, nullptr, 0, 100), 40u);
    EXPECT_EQ(source.requests, (std::vector<uint32_t>{100}));
    source.deliverAtMost = UINT32_MAX;
    EXPECT_EQ(Process(s, left, nullptr, 100, 100), 100u);

    std::copy(x.begin(), x.begin() + 40, input.begin());
    std::copy(x.begin() + 40, x.end(), input.begin() + 100);
    EXPECT_EQ(left, Expected(s, 44100, input, Grouping::kLeft));
}

TEST_F(HighPassLibraryTest, CutoffAboveFiveEleventhsLeavesTheDryBranchAlone) {
    const Samples x = NoiseSignal(300, 9);
    for (uint32_t cutoff : {20045u, 20046u}) {
        HighPassSettings& s = Create();
        s.cutoff = cutoff;
        SignalSource source{x, x};
        Open(s, source, 44100, 2);
        Samples left(300), right(300);
        ASSERT_EQ(Process(s, left, &right, 0, 300), 300u);
        const Samples dryOnly = DryWetMix(x, Samples(300, 0.0), s.dryGain, s.wetGain);
        EXPECT_EQ(left == dryOnly, cutoff == 20046u);
        EXPECT_EQ(right == dryOnly, cutoff == 20046u);
        if (cutoff == 20045u) {
            EXPECT_EQ(left, Expected(s, 44100, x, Grouping::kLeft));
        }
    }
}

TEST_F(HighPassLibraryTest, CopyKeepsTheCallbackButNotTheStream) {
    HighPassSettings& s = Create();
    s.cutoff = 800;
    const Samples x = NoiseSignal(2000, 5);
    SignalSource source{x, {}};
    Open(s, source, 44100, 1);
    Samples left(2000);
    ASSERT_EQ(Process(s, left, nullptr, 0, 1000), 1000u);

    SettingsHandle copyHandle = nullptr;
    ASSERT_EQ(lib->CopySettings(&copyHandle, &s), 1);
    auto& copy = *static_cast<HighPassSettings*>(copyHandle);
    EXPECT_EQ(copy.cutoff, 800u);
    EXPECT_EQ(copy.dryGain, s.dryGain);
    EXPECT_EQ(copy.streamCallback, s.streamCallback);
    EXPECT_EQ(copy.callbackUser, &source);
    EXPECT_EQ(copy.mixNode, nullptr);
    EXPECT_EQ(copy.filterNode, nullptr);
    EXPECT_EQ(lib->CloseStream(&copy), 1);
    lib->Free(&copy);  // the source's graph is untouched

    ASSERT_EQ(Process(s, left, nullptr, 1000, 1000), 1000u);
    EXPECT_EQ(left, Expected(s, 44100, x, Grouping::kLeft));
}

// LoadPreset puts a new record into the handle variable and leaves the old
// one, open stream and all, to whoever still holds it.
TEST_F(HighPassLibraryTest, LoadPresetHandsOverANewRecord) {
    HighPassSettings& s = Create();
    s.cutoff = 900;
    SignalSource source{NoiseSignal(10, 1), {}};
    Open(s, source, 44100, 1);
    SettingsHandle handle = &s;
    ASSERT_EQ(lib->LoadPreset(nullptr, nullptr, nullptr, &handle), 1);
    ASSERT_NE(handle, &s);
    const HighPassSettings& loaded = Own(handle);
    EXPECT_EQ(loaded.cutoff, 100u);
    EXPECT_EQ(loaded.streamCallback, nullptr);
    EXPECT_EQ(s.cutoff, 900u);
    EXPECT_NE(s.mixNode, nullptr);
}

// Reopening without a CloseStream replaces the graph: the filter starts again
// from silence at the new rate.
TEST_F(HighPassLibraryTest, OpenStreamAgainStartsAFreshGraph) {
    HighPassSettings& s = Create();
    const Samples x = NoiseSignal(400, 6);
    SignalSource source{x, {}};
    Open(s, source, 44100, 1);
    Samples left(400);
    ASSERT_EQ(Process(s, left, nullptr, 0, 200), 200u);
    Open(s, source, 22050, 1);
    ASSERT_EQ(Process(s, left, nullptr, 200, 200), 200u);
    const Samples tail(x.begin() + 200, x.end());
    EXPECT_EQ(Samples(left.begin() + 200, left.end()), Expected(s, 22050, tail, Grouping::kLeft));
}

}  // namespace
