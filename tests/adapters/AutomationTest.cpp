// The plug-ins as a DAW drives them: controls automated between runs,
// plug-ins bypassed, hostile control sequences and non-finite input. Each
// measure prints its figure, so a run shows how far from its limit it is.
#include <gtest/gtest.h>
#include <pthread.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "DirectPlugin.h"

namespace {

using namespace direct;

constexpr double kRate = 44100;

// A sine of amplitude 0.5 (-6 dBFS) on both channels, peaking at `peakAt`.
Stereo Sine(size_t frames, double hertz, size_t peakAt) {
    Stereo s;
    for (size_t n = 0; n < frames; ++n) {
        const double t = (static_cast<double>(n) - static_cast<double>(peakAt)) / kRate;
        s.left.push_back(static_cast<float>(0.5 * std::cos(2 * M_PI * hertz * t)));
    }
    s.right = s.left;
    return s;
}

// The largest |y[n] - y[n-1]| of either channel over [from, y.size()).
double LargestJump(const Stereo& y, size_t from) {
    double largest = 0;
    for (const auto* channel : {&y.left, &y.right}) {
        for (size_t n = from; n < channel->size(); ++n)
            largest = std::max(largest, std::fabs(double{(*channel)[n]} - (*channel)[n - 1]));
    }
    return largest;
}

double Peak(const Stereo& y, size_t from) {
    double peak = 0;
    for (const auto* channel : {&y.left, &y.right}) {
        for (size_t n = from; n < channel->size(); ++n)
            peak = std::max(peak, std::isfinite((*channel)[n]) ? std::fabs((*channel)[n]) : 1e300);
    }
    return peak;
}

struct Plugin {
    const char* uri;
    uint32_t controls;  // stored parameters
};
constexpr Plugin kHighPass{"urn:kelvora:high-pass", 3};
constexpr Plugin kSqueak{"urn:kelvora:squeak", 9};
// The LV2 plug-ins' bypass port follows the stored parameters.
uint32_t EnabledPort(const Plugin& plugin) {
    return kOutRight + 1 + plugin.controls;
}

// `in` through a fresh instance in runs of `block` frames, `port` set to
// `before` up to frame `switchAt` and to `after` from there on.
Stereo Stepped(Standard standard, const Plugin& plugin, const Stereo& in, uint32_t block,
               uint32_t port, float before, float after, size_t switchAt) {
    StereoRun run(standard, plugin.uri, kRate, plugin.controls);
    if (port == EnabledPort(plugin)) {
        static float enabled;
        enabled = before;
        run.Plugin().Connect(port, &enabled);
        return run.Process(in, std::vector<uint32_t>(in.left.size() / block, block),
                           [&](size_t frame) { enabled = frame < switchAt ? before : after; });
    }
    return run.Process(in, std::vector<uint32_t>(in.left.size() / block, block),
                       [&](size_t frame) { run[port] = frame < switchAt ? before : after; });
}

struct Step {
    const Plugin* plugin;
    const char* name;
    uint32_t port;
    float from, to;
};

class Automation : public testing::TestWithParam<Standard> {};

// After a step of one control, the largest jump from one output sample to
// the next stays within 1.1 times the largest the plug-in gives with the
// control held at either value (a 1 kHz sine, 256-frame runs, the step at
// the sine's peak). Squeak's own edges are part of its held output.
TEST_P(Automation, AStepOfAControlJumpsNoMoreThanHoldingIt) {
    std::vector<Step> steps{
        {&kHighPass, "DryOut", kDryOut, 32767, 0},
        {&kHighPass, "DryOut", kDryOut, 0, 32767},
        {&kHighPass, "Volume2", kVolume2, 32767, 0},
        {&kHighPass, "Volume2", kVolume2, 0, 32767},
        {&kHighPass, "CutOffFreq", kCutOffFreq, 100, 5000},
        {&kHighPass, "CutOffFreq", kCutOffFreq, 5000, 100},
        {&kSqueak, "DryOut", kSqueakDryOut, 30, 120},
        {&kSqueak, "DryOut", kSqueakDryOut, 120, 30},
        {&kSqueak, "Squeak", kSqueakDepth, 80, 0},
        {&kSqueak, "Squeak", kSqueakDepth, 0, 160},
        {&kSqueak, "VolR", kVolR, 160, 0},
        {&kSqueak, "InvertL", kInvertL, 0, 1},
    };
    if (GetParam() == Standard::kLv2) {
        for (const Plugin* p : {&kHighPass, &kSqueak}) {
            steps.push_back({p, "enabled", EnabledPort(*p), 1, 0});
            steps.push_back({p, "enabled", EnabledPort(*p), 0, 1});
        }
    }
    const size_t frames = 16384, switchAt = 8192, from = 4096;
    const Stereo in = Sine(frames, 1000, switchAt);
    for (const Step& s : steps) {
        const auto run = [&](float before, float after) {
            return LargestJump(
                Stepped(GetParam(), *s.plugin, in, 256, s.port, before, after, switchAt), from);
        };
        const double held = std::max(run(s.from, s.from), run(s.to, s.to));
        const double ratio = run(s.from, s.to) / held;
        std::printf("%s %s %g -> %g: largest jump %.3fx the held one\n", s.plugin->uri, s.name,
                    s.from, s.to, ratio);
        EXPECT_LE(ratio, 1.1) << s.plugin->uri << " " << s.name << " " << s.from << " -> " << s.to;
    }
}

// Whatever in-range cutoffs a host sends, at whatever rate, the output stays
// finite and within twice the larger steady peak of the values involved (a
// 440 Hz sine, default gains).
TEST_P(Automation, CutoffModulationStaysBounded) {
    const size_t frames = 172 * 256;  // a second
    const Stereo in = Sine(frames, 440, 0);
    std::vector<float> random;
    std::mt19937 generator(24);
    std::uniform_int_distribution<int> cutoff(1, 20000);
    for (size_t i = 0; i < frames / 256; ++i)
        random.push_back(static_cast<float>(cutoff(generator)));

    const auto steadyPeak = [&](float value) {
        StereoRun run(GetParam(), kHighPass.uri, kRate, kHighPass.controls);
        run[kCutOffFreq] = value;
        return Peak(run.Process(in, {static_cast<uint32_t>(frames)}), frames / 4);
    };
    struct Case {
        const char* name;
        uint32_t block;
        std::function<float(size_t run)> value;
    };
    const std::vector<Case> cases{
        {"100 <-> 20000 every 16 frames", 16, [](size_t r) { return r % 2 ? 20000.0f : 100.0f; }},
        {"100 <-> 20000 every 64 frames", 64, [](size_t r) { return r % 2 ? 20000.0f : 100.0f; }},
        {"100 <-> 20000 every 256 frames", 256, [](size_t r) { return r % 2 ? 20000.0f : 100.0f; }},
        {"random steps every 256 frames", 256, [&](size_t r) { return random[r]; }},
    };
    for (const Case& c : cases) {
        StereoRun run(GetParam(), kHighPass.uri, kRate, kHighPass.controls);
        std::set<float> involved;
        const Stereo out =
            run.Process(in, std::vector<uint32_t>(frames / c.block, c.block), [&](size_t frame) {
                run[kCutOffFreq] = c.value(frame / c.block);
                involved.insert(run[kCutOffFreq]);
            });
        double steady = 0;
        for (float value : involved) steady = std::max(steady, steadyPeak(value));
        const double ratio = Peak(out, 0) / steady;
        std::printf("cutoff %s: peak %.3g times the steady one\n", c.name, ratio);
        EXPECT_LE(ratio, 2.0) << c.name;
    }
}

// A NaN or an infinity in the input spoils no more than the run it comes in.
TEST_P(Automation, NonFiniteInputIsForgottenByTheNextRun) {
    for (const Plugin* plugin : {&kHighPass, &kSqueak}) {
        Stereo in = Sine(8192, 440, 0);
        in.left[1000] = std::numeric_limits<float>::quiet_NaN();
        in.right[3000] = std::numeric_limits<float>::infinity();
        StereoRun run(GetParam(), plugin->uri, kRate, plugin->controls);
        const Stereo out = run.Process(in, std::vector<uint32_t>(32, 256));
        size_t nonFinite = 0;
        for (const auto* channel : {&out.left, &out.right}) {
            for (size_t n = 0; n < channel->size(); ++n)
                nonFinite += n >= 3072 && !std::isfinite((*channel)[n]);
        }
        EXPECT_EQ(nonFinite, 0u) << plugin->uri;
        EXPECT_GT(Peak(out, 7000), 0.1) << plugin->uri;
    }
}

// Rates whose silence limit the filter cannot represent are refused.
TEST_P(Automation, UnfilterableRatesAreRefused) {
    EXPECT_THROW(DirectPlugin(GetParam(), kHighPass.uri, 2147483648.0), std::runtime_error);
    EXPECT_THROW(DirectPlugin(GetParam(), kHighPass.uri, 4294967295.0), std::runtime_error);
    EXPECT_NO_THROW(DirectPlugin(GetParam(), kHighPass.uri, 2147483647.0));
}

// Bypassed, the output is the input itself, sample for sample.
TEST(Bypass, OffGivesTheInputItself) {
    for (const Plugin* plugin : {&kHighPass, &kSqueak}) {
        const Stereo in = Sine(8192, 440, 0);
        const Stereo out =
            Stepped(Standard::kLv2, *plugin, in, 256, EnabledPort(*plugin), 1, 0, 2048);
        EXPECT_TRUE(std::equal(in.left.begin() + 4096, in.left.end(), out.left.begin() + 4096))
            << plugin->uri;
        EXPECT_TRUE(std::equal(in.right.begin() + 4096, in.right.end(), out.right.begin() + 4096))
            << plugin->uri;
    }
}

#if !defined(__SANITIZE_ADDRESS__)
// The stack of a thread that runs the high-pass in 256-frame runs, the
// cutoff 100 Hz and, with `change`, 2345 Hz from frame 2048 on (a glide and
// its exact design): the thread's stack is filled with a pattern, and the
// figure is the depth to which it was overwritten, the thread's own records
// (glibc keeps them at the top of its stack) included.
size_t StackOfRuns(Standard standard, bool change) {
    struct Job {
        Stereo buffers = Sine(8192, 440, 0);
        StereoRun run;
        bool change;
    } job{Sine(8192, 440, 0), StereoRun(standard, kHighPass.uri, kRate, kHighPass.controls),
          change};
    job.run.Plugin().Activate();
    const auto body = [](void* argument) -> void* {
        Job& j = *static_cast<Job*>(argument);
        DirectPlugin& p = j.run.Plugin();
        for (size_t done = 0; done < j.buffers.left.size(); done += 256) {
            j.run[kCutOffFreq] = j.change && done >= 2048 ? 2345.0f : 100.0f;
            p.Connect(kInLeft, j.buffers.left.data() + done);
            p.Connect(kOutLeft, j.buffers.left.data() + done);
            p.Connect(kInRight, j.buffers.right.data() + done);
            p.Connect(kOutRight, j.buffers.right.data() + done);
            p.Run(256);
        }
        return nullptr;
    };
    constexpr size_t kStack = 64 * 1024;
    std::vector<unsigned char> stack(kStack, 0xA5);
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstack(&attributes, stack.data(), kStack);
    pthread_t thread;
    if (pthread_create(&thread, &attributes, body, &job) != 0) return kStack;
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
    size_t untouched = 0;
    while (untouched < kStack && stack[untouched] == 0xA5) ++untouched;
    return kStack - untouched;
}

// A cutoff change takes a few KB more than held controls, and the whole
// fits well within a 16 KB real-time thread's stack.
TEST_P(Automation, ACutoffChangeTakesAFewKilobytesOfStack) {
    const size_t held = StackOfRuns(GetParam(), false), changed = StackOfRuns(GetParam(), true);
    std::printf("deepest stack: %zu bytes, %zu with held controls\n", changed, held);
    EXPECT_LE(changed - held, 6u * 1024);
    EXPECT_LE(changed, 12u * 1024);
}
#endif

INSTANTIATE_TEST_SUITE_P(Standards, Automation, testing::Values(Standard::kLv2, Standard::kLadspa),
                         [](const auto& info) {
                             return info.param == Standard::kLv2 ? "Lv2" : "Ladspa";
                         });

}  // namespace
