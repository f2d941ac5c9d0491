// A test host that loads the built LV2 and LADSPA libraries, instantiates
// their plug-ins through the descriptors, and changes controls between runs:
// the streams must carry on as offline references computed from the
// formulas say, whatever the run lengths and buffer sharing.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include "DirectPlugin.h"
#include "support/DirectHighPass.h"
#include "support/SignalHost.h"
#ifdef WATCH_HEAP
#include "persist/HeapWatch.h"
#endif

namespace {

using namespace direct;

double GainOf(float stored) {
    return (static_cast<double>(stored) + 0.5) * 3.051850947599719e-05;
}

std::vector<float> Narrow(const std::vector<double>& x) {
    return {x.begin(), x.end()};
}

void ExpectSameSamples(const std::vector<float>& expected, const std::vector<float>& actual) {
    ASSERT_EQ(expected.size(), actual.size());
    size_t differing = 0, first = expected.size();
    for (size_t i = 0; i < expected.size(); ++i) {
        if (std::memcmp(&expected[i], &actual[i], sizeof(float)) == 0) continue;
        if (differing++ == 0) first = i;
    }
    EXPECT_EQ(differing, 0u) << "first at frame " << first;
}

class LiveControl : public testing::TestWithParam<Standard> {};

// A change is heard over a ramp of 1/64 s: up to the change the stream is
// the held control's, and once the ramp is over the new value's, exactly.
constexpr size_t kRamp44100 = 44100 / 64;

TEST_P(LiveControl, CutoffChangedMidStreamGlidesToTheNewFilterWithoutARestart) {
    const double rate = 48000;
    const Stereo in = Noise(8000);
    const auto process = [&](float first, float second, size_t switchAt) {
        StereoRun run(GetParam(), "urn:kelvora:high-pass", rate, kHighPassControls);
        run[kDryOut] = 16383;
        run[kVolume2] = 32767;
        return run.Process(in, {1000, 1, 2000, 700, 4299}, [&](size_t frame) {
            run[kCutOffFreq] = frame < switchAt ? first : second;
        });
    };
    const size_t switchAt = 3001;
    const Stereo out = process(150, 2500, switchAt);

    // Before the change, the filter at 150 Hz from the start; well after the
    // glide (750 samples), at 2500 Hz, as if it had been there all along: the
    // exact design, and the history carried through.
    const auto before = DesignHighPass(150, 48000), after = DesignHighPass(2500, 48000);
    const Stereo held = process(2500, 2500, 0);
    for (auto [x, y, grouping] : {std::tuple{&in.left, &out.left, Grouping::kLeft},
                                  std::tuple{&in.right, &out.right, Grouping::kRight}}) {
        const auto wide = Widen(*x);
        const auto hp = DirectHighPass(before, after, switchAt, wide, grouping);
        const auto mix = Narrow(DryWetMix(wide, hp, GainOf(16383), GainOf(32767)));
        ExpectSameSamples({mix.begin(), mix.begin() + switchAt},
                          {y->begin(), y->begin() + switchAt});
    }
    for (size_t n = switchAt + 1500; n < in.left.size(); ++n) {
        ASSERT_NEAR(out.left[n], held.left[n], 1e-6) << n;
        ASSERT_NEAR(out.right[n], held.right[n], 1e-6) << n;
    }
}

TEST_P(LiveControl, SqueakDepthChangedMidStreamKeepsThePhasePattern) {
    const Stereo in = Noise(5000);
    StereoRun run(GetParam(), "urn:kelvora:squeak", 44100, kSqueakControls);
    run[kSqueakDryOut] = 30;
    run[kSqueakDepth] = 80;
    run[kFrequency] = 60;  // 735 samples per phase
    run[kVolR] = 50;
    run[kCutR] = 100;  // 441
    const size_t switchAt = 1900;
    const Stereo out = run.Process(in, {1000, 900, 1, 3099}, [&](size_t frame) {
        if (frame == switchAt) run[kSqueakDepth] = 20, run[kVolR] = 140;
    });

    // Dry phase first, switching every period samples, counted from the
    // stream's start; the gain of the squeak phase is (depth + dry) at the
    // depth before the change and, after the ramp, at the new one.
    const auto check = [&](const std::vector<float>& x, const std::vector<float>& y,
                           uint32_t period, double depthBefore, double depthAfter) {
        for (size_t n = 0; n < x.size(); ++n) {
            if (n >= switchAt && n < switchAt + kRamp44100) continue;
            const double depth = n < switchAt ? depthBefore : depthAfter;
            const double dry = 30 * 0.01;
            const double gain = (n / period) % 2 == 0 ? dry : (1.0 * depth + dry);
            ASSERT_EQ(y[n], static_cast<float>(gain * x[n])) << n;
        }
    };
    check(in.left, out.left, 735, 80 * 0.01, 20 * 0.01);
    check(in.right, out.right, 441, 50 * 0.01, 140 * 0.01);
}

// A new rate waits for the phase under way to end: that phase keeps its
// length, and the new period counts from its end.
TEST_P(LiveControl, SqueakRateTakesEffectAtThePhaseChange) {
    const Stereo in{std::vector<float>(4000, 1.0f), std::vector<float>(4000, 1.0f)};
    StereoRun run(GetParam(), "urn:kelvora:squeak", 44100, kSqueakControls);
    const Stereo out = run.Process(in, {1000, 3000}, [&](size_t frame) {
        run[kFrequency] = frame < 1000 ? 60.0f : 100.0f;  // 735, then 441 samples
    });
    std::vector<size_t> edges;
    for (size_t n = 1; n < out.left.size(); ++n) {
        if (out.left[n] != out.left[n - 1]) edges.push_back(n);
    }
    EXPECT_EQ(edges, (std::vector<size_t>{735, 1470, 1911, 2352, 2793, 3234, 3675}));
}

TEST_P(LiveControl, EmptyRunsAndSharedBuffersChangeNothing) {
    const Stereo in = Noise(2048);
    StereoRun separate(GetParam(), "urn:kelvora:high-pass", 44100, kHighPassControls);
    separate[kDryOut] = 20000, separate[kVolume2] = 9000, separate[kCutOffFreq] = 700;
    const Stereo expected = separate.Process(in, {2048});

    // In place, as sox and applyplugin run: every output is its input's
    // buffer; a run of 0 frames between touches nothing.
    StereoRun shared(GetParam(), "urn:kelvora:high-pass", 44100, kHighPassControls);
    shared[kDryOut] = 20000, shared[kVolume2] = 9000, shared[kCutOffFreq] = 700;
    Stereo buffers = in;
    DirectPlugin& plugin = shared.Plugin();
    plugin.Connect(kInLeft, buffers.left.data());
    plugin.Connect(kOutLeft, buffers.left.data());
    plugin.Connect(kInRight, buffers.right.data());
    plugin.Connect(kOutRight, buffers.right.data());
    plugin.Activate();
    plugin.Run(0);
    EXPECT_EQ(buffers.left, in.left);
    plugin.Run(2048);
    ExpectSameSamples(expected.left, buffers.left);
    ExpectSameSamples(expected.right, buffers.right);
}

TEST_P(LiveControl, ValuesOutsideTheRangeAreClampedAndNanGivesTheDefault) {
    const Stereo in = Noise(1500);
    const auto output = [&](float dry, float cutoff) {
        StereoRun run(GetParam(), "urn:kelvora:high-pass", 44100, kHighPassControls);
        run[kDryOut] = dry, run[kVolume2] = 32767, run[kCutOffFreq] = cutoff;
        return run.Process(in, {1500}).left;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(output(32767, 1e9f), output(32767, 20000));
    EXPECT_EQ(output(-4, -3), output(0, 1));
    EXPECT_EQ(output(nan, nan), output(32767, 100));
    EXPECT_EQ(output(1e6f, 249.5f), output(65534, 250));  // halves round away from zero
    EXPECT_NE(output(32767, 249.4f), output(32767, 250));

    // A toggle is on for any value above 0.
    const auto squeak = [&](float invert) {
        StereoRun run(GetParam(), "urn:kelvora:squeak", 44100, kSqueakControls);
        for (uint32_t port : {kSqueakDryOut, kSqueakDepth, kFrequency, kVolR, kCutR, 9u, 11u, 12u})
            run[port] = nan;
        run[kInvertL] = invert;
        return run.Process(in, {1500}).left;
    };
    EXPECT_EQ(squeak(0.25f), squeak(1));
    EXPECT_EQ(squeak(-1), squeak(0));
    EXPECT_NE(squeak(0), squeak(1));
}

#ifdef WATCH_HEAP
// Whatever the run lengths, and with controls changing on every run (ramps,
// glides and their exact designs, waiting periods, the bypass fading), run()
// takes no memory: the effects get fixed-size blocks.
TEST_P(LiveControl, RunAllocatesNothing) {
    Stereo buffers = Noise(12000);
    for (const char* uri : {"urn:kelvora:high-pass", "urn:kelvora:squeak"}) {
        const bool squeak = std::strstr(uri, "squeak") != nullptr;
        const uint32_t controls = squeak ? kSqueakControls : kHighPassControls;
        StereoRun run(GetParam(), uri, 44100, controls);
        DirectPlugin& plugin = run.Plugin();
        float enabled = 1;
        plugin.Connect(kOutRight + 1 + controls, &enabled);  // the LV2 bypass switch
        run[kCutOffFreq] = 20;                               // Squeak's left rate
        run[kDryOut] = 20;
        plugin.Activate();
        heap_watch::Start(reinterpret_cast<const void*>(&Noise), plugin.Entry());
        size_t done = 0;
        for (uint32_t frames : {1u, 511u, 512u, 513u, 0u, 4000u, 7u, 455u, 5000u}) {
            run[kCutOffFreq] += 10;
            run[kDryOut] += 10;
            enabled = 1 - enabled;
            plugin.Connect(kInLeft, buffers.left.data() + done);
            plugin.Connect(kOutLeft, buffers.left.data() + done);
            plugin.Connect(kInRight, buffers.right.data() + done);
            plugin.Connect(kOutRight, buffers.right.data() + done);
            plugin.Run(frames);
            done += frames;
        }
        const HeapCounts counts = heap_watch::Stop();
        EXPECT_EQ(counts.allocated, 0) << uri;
    }
}
#endif

INSTANTIATE_TEST_SUITE_P(Standards, LiveControl, testing::Values(Standard::kLv2, Standard::kLadspa),
                         [](const auto& info) {
                             return info.param == Standard::kLv2 ? "Lv2" : "Ladspa";
                         });

}  // namespace
