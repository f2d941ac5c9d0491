// A test host that loads the built LV2 and LADSPA libraries, instantiates
// their plug-ins through the descriptors, and changes controls between runs:
// the streams must carry on as offline references computed from the
// formulas say, whatever the run lengths and buffer sharing.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <ladspa.h>
#include <lv2/core/lv2.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "support/DirectHighPass.h"
#include "support/SignalHost.h"
#ifdef WATCH_HEAP
#include "persist/HeapWatch.h"
#endif

namespace {

enum class Standard { kLv2, kLadspa };

// Port indices of the stereo plug-ins: inputs, outputs, then the controls.
constexpr uint32_t kInLeft = 0, kInRight = 1, kOutLeft = 2, kOutRight = 3;
constexpr uint32_t kDryOut = 4, kVolume2 = 5, kCutOffFreq = 6;
constexpr uint32_t kSqueakDryOut = 4, kSqueakDepth = 5, kFrequency = 6, kVolR = 7, kCutR = 8,
                   kInvertL = 10;
constexpr uint32_t kHighPassControls = 3, kSqueakControls = 9;

struct LibraryCloser {
    void operator()(void* library) const { dlclose(library); }
};

// One plug-in instance, driven through its descriptor as a host drives it.
class DirectPlugin {
  public:
    // `uri` for LV2; the LADSPA label is the same name with '_' for '-'.
    DirectPlugin(Standard standard, const std::string& uri, double sampleRate) {
        const char* path = standard == Standard::kLv2 ? LV2_LIBRARY : LADSPA_LIBRARY;
        library_.reset(dlopen(path, RTLD_NOW | RTLD_LOCAL));
        if (!library_) throw std::runtime_error(dlerror());
        if (standard == Standard::kLv2) {
            const auto entry =
                reinterpret_cast<LV2_Descriptor_Function>(dlsym(library_.get(), "lv2_descriptor"));
            const LV2_Descriptor* d = nullptr;
            for (uint32_t i = 0; (d = entry(i)) != nullptr && uri != d->URI;) ++i;
            if (!d) throw std::runtime_error("no LV2 plug-in " + uri);
            entry_ = reinterpret_cast<const void*>(entry);
            handle_ = d->instantiate(d, sampleRate, "", nullptr);
            connect_ = [d](void* h, uint32_t port, float* data) { d->connect_port(h, port, data); };
            activate_ = [d](void* h) { d->activate(h); };
            run_ = [d](void* h, uint32_t frames) { d->run(h, frames); };
            cleanup_ = [d](void* h) { d->cleanup(h); };
        } else {
            std::string label = uri.substr(uri.rfind(':') + 1);
            for (char& c : label) c = c == '-' ? '_' : c;
            const auto entry = reinterpret_cast<LADSPA_Descriptor_Function>(
                dlsym(library_.get(), "ladspa_descriptor"));
            const LADSPA_Descriptor* d = nullptr;
            for (unsigned long i = 0; (d = entry(i)) != nullptr && label != d->Label;) ++i;
            if (!d) throw std::runtime_error("no LADSPA plug-in " + label);
            entry_ = reinterpret_cast<const void*>(entry);
            handle_ = d->instantiate(d, static_cast<unsigned long>(sampleRate));
            connect_ = [d](void* h, uint32_t port, float* data) { d->connect_port(h, port, data); };
            activate_ = [d](void* h) { d->activate(h); };
            run_ = [d](void* h, uint32_t frames) { d->run(h, frames); };
            cleanup_ = [d](void* h) { d->cleanup(h); };
        }
        if (!handle_) throw std::runtime_error("instantiate failed");
    }
    ~DirectPlugin() { cleanup_(handle_); }

    void Connect(uint32_t port, float* data) { connect_(handle_, port, data); }
    void Activate() { activate_(handle_); }
    void Run(uint32_t frames) { run_(handle_, frames); }
    // An address inside the library.
    const void* Entry() const { return entry_; }

  private:
    std::unique_ptr<void, LibraryCloser> library_;
    void* handle_ = nullptr;
    const void* entry_ = nullptr;
    std::function<void(void*, uint32_t, float*)> connect_;
    std::function<void(void*)> activate_;
    std::function<void(void*, uint32_t)> run_;
    std::function<void(void*)> cleanup_;
};

// Stereo audio as the host holds it: float arrays per channel.
struct Stereo {
    std::vector<float> left, right;
};

Stereo Noise(size_t frames) {
    Stereo s;
    for (double x : NoiseSignal(frames, 7)) s.left.push_back(static_cast<float>(x * 0.5));
    for (double x : NoiseSignal(frames, 8)) s.right.push_back(static_cast<float>(x * 0.5));
    return s;
}

std::vector<double> Widen(const std::vector<float>& x) {
    return {x.begin(), x.end()};
}

// A stereo plug-in with all its ports connected, run over `in` in runs of
// the given lengths; `change(frame)` may set controls before each run.
class StereoRun {
  public:
    StereoRun(Standard standard, const std::string& uri, double rate, uint32_t controls)
        : plugin_(standard, uri, rate), controls_(controls) {
        for (uint32_t i = 0; i < controls; ++i) plugin_.Connect(kOutRight + 1 + i, &controls_[i]);
    }
    float& operator[](uint32_t port) { return controls_[port - kOutRight - 1]; }
    DirectPlugin& Plugin() { return plugin_; }

    Stereo Process(const Stereo& in, const std::vector<uint32_t>& runs,
                   const std::function<void(size_t)>& change = {}) {
        Stereo out{std::vector<float>(in.left.size(), -9.0f),
                   std::vector<float>(in.right.size(), -9.0f)};
        plugin_.Activate();
        size_t done = 0;
        for (uint32_t frames : runs) {
            if (change) change(done);
            plugin_.Connect(kInLeft, const_cast<float*>(in.left.data() + done));
            plugin_.Connect(kInRight, const_cast<float*>(in.right.data() + done));
            plugin_.Connect(kOutLeft, out.left.data() + done);
            plugin_.Connect(kOutRight, out.right.data() + done);
            plugin_.Run(frames);
            done += frames;
        }
        return out;
    }

  private:
    DirectPlugin plugin_;
    std::vector<float> controls_;
};

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

TEST_P(LiveControl, CutoffChangedMidStreamRetunesTheFilterAndKeepsItsHistory) {
    const double rate = 48000;
    const Stereo in = Noise(6000);
    StereoRun run(GetParam(), "urn:kelvora:high-pass", rate, kHighPassControls);
    run[kDryOut] = 16383;
    run[kVolume2] = 32767;
    run[kCutOffFreq] = 150;
    const size_t switchAt = 3001;
    const Stereo out = run.Process(in, {1000, 1, 2000, 700, 2299}, [&](size_t frame) {
        if (frame == switchAt) run[kCutOffFreq] = 2500;
    });

    // The filter's past carries over the switch: only the coefficients change.
    const auto before = DesignHighPass(150, 48000), after = DesignHighPass(2500, 48000);
    for (auto [x, y, grouping] : {std::tuple{&in.left, &out.left, Grouping::kLeft},
                                  std::tuple{&in.right, &out.right, Grouping::kRight}}) {
        const auto wide = Widen(*x);
        const auto hp = DirectHighPass(before, after, switchAt, wide, grouping);
        ExpectSameSamples(Narrow(DryWetMix(wide, hp, GainOf(16383), GainOf(32767))), *y);
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
    // stream's start; the gain of the squeak phase is (depth + dry) at each
    // sample's own depth.
    const auto expected = [&](const std::vector<float>& x, uint32_t period, double depthBefore,
                              double depthAfter) {
        std::vector<float> y(x.size());
        for (size_t n = 0; n < x.size(); ++n) {
            const double depth = n < switchAt ? depthBefore : depthAfter;
            const double dry = 30 * 0.01;
            const double gain = (n / period) % 2 == 0 ? dry : (1.0 * depth + dry);
            y[n] = static_cast<float>(gain * x[n]);
        }
        return y;
    };
    ExpectSameSamples(expected(in.left, 735, 80 * 0.01, 20 * 0.01), out.left);
    ExpectSameSamples(expected(in.right, 441, 50 * 0.01, 140 * 0.01), out.right);
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
// Whatever the run lengths, and with a control changing on every run, run()
// takes no memory: the effects get fixed-size blocks.
TEST_P(LiveControl, RunAllocatesNothing) {
    Stereo buffers = Noise(6000);
    for (const char* uri : {"urn:kelvora:high-pass", "urn:kelvora:squeak"}) {
        const bool squeak = std::strstr(uri, "squeak") != nullptr;
        StereoRun run(GetParam(), uri, 44100, squeak ? kSqueakControls : kHighPassControls);
        DirectPlugin& plugin = run.Plugin();
        run[kCutOffFreq] = 20;  // Squeak's left rate
        plugin.Activate();
        heap_watch::Start(reinterpret_cast<const void*>(&Noise), plugin.Entry());
        size_t done = 0;
        for (uint32_t frames : {1u, 511u, 512u, 513u, 0u, 4000u, 7u, 455u}) {
            run[kCutOffFreq] += 10;
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
