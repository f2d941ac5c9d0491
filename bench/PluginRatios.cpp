// plugin_ratios: each plug-in's ProcessStream timed next to reference kernels
// compiled into this binary with the same flags, printed as ratios, so the
// figures of one run share the machine's state and its noise cancels.
//
// Stereo, 44.1 kHz, default parameters, host requests of 65536 samples and a
// callback that returns the requested count without touching the arrays
// (the figure is the plug-in's own cost). Each timed request starts from the
// same input, refilled outside the timing. One round times one request of
// every contender in turn, so slow drift hits all alike; a contender's figure
// is its fastest request over all rounds, since noise only ever adds.
//
//     plugin_ratios [--rounds N]     (default 200)
#include <emmintrin.h>
#if !defined(_WIN32)
#include <dlfcn.h>
#include <ladspa.h>
#endif

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "effects/highpass/HighPassDesign.h"
#include "effects/highpass/HighPassSettings.h"
#include "host/FlushToZero.h"
#include "host/PluginLibrary.h"
#include "support/SignalHost.h"

namespace {

constexpr uint32_t kRequest = 65536;
constexpr uint32_t kSampleRate = 44100;

uint32_t FullCallback(void*, StreamBuffer* buffer) {
    return buffer->count;
}

struct StereoArrays {
    std::vector<double> inputLeft = NoiseSignal(kRequest, 1);
    std::vector<double> inputRight = NoiseSignal(kRequest, 2);
    std::vector<double> left = inputLeft, right = inputRight;
    void Refill() {
        std::memcpy(left.data(), inputLeft.data(), kRequest * sizeof(double));
        std::memcpy(right.data(), inputRight.data(), kRequest * sizeof(double));
    }
    bool operator==(const StereoArrays& other) const {
        return left == other.left && right == other.right;
    }
};

// A default record of the plug-in with an open stereo stream.
class OpenPlugin {
  public:
    explicit OpenPlugin(const char* path) : lib_(path) {
        lib_.Initialize(nullptr, nullptr, nullptr, &handle_);
        lib_.SetStreamCallBack(&FullCallback, nullptr, handle_);
        const StreamFormat format{0, 2, kSampleRate};
        lib_.OpenStream(handle_, &format);
    }
    ~OpenPlugin() {
        lib_.CloseStream(handle_);
        lib_.Free(handle_);
    }
    void Process(StereoArrays& arrays) {
        StreamBuffer buffer{kRequest, arrays.left.data(), arrays.right.data()};
        lib_.ProcessStream(&buffer, handle_);
    }
    SettingsHandle Handle() const { return handle_; }

  private:
    PluginLibrary lib_;
    SettingsHandle handle_ = nullptr;
};

// The high-pass effect computed directly: the recursion and the mix with the
// dry input in one loop, with the plug-in's grouping of the feed-forward sum
// for each channel and its order of summation (the wet sample added onto
// dry + 0.0).
struct HighPassReference {
    struct History {
        double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    };
    HighPassCoefficients c;
    double dryGain, wetGain;
    History left{}, right{};

    template <bool kRightGrouping>
    static double Step(const HighPassCoefficients& k, double dry, double wet, double x,
                       History& h) {
        const double feedForward = kRightGrouping ? (k.b1 * h.x1 + k.b0 * x) + k.b2 * h.x2
                                                  : (k.b0 * x + k.b2 * h.x2) + k.b1 * h.x1;
        const double y = feedForward - k.a1 * h.y1 - k.a2 * h.y2;
        h = {x, h.x1, y, h.y1};
        return y * wet + (x * dry + 0.0);
    }

    // One loop per channel.
    template <bool kRightGrouping>
    void RunChannel(double* samples, History& history) const {
        const HighPassCoefficients k = c;
        const double dry = dryGain, wet = wetGain;
        History h = history;
        for (uint32_t i = 0; i < kRequest; ++i)
            samples[i] = Step<kRightGrouping>(k, dry, wet, samples[i], h);
        history = h;
    }
    void RunPerChannel(StereoArrays& arrays) {
        RunChannel<false>(arrays.left.data(), left);
        RunChannel<true>(arrays.right.data(), right);
    }

    // Both channels in one loop.
    void RunInterleaved(StereoArrays& arrays) {
        const HighPassCoefficients k = c;
        const double dry = dryGain, wet = wetGain;
        History l = left, r = right;
        double* const leftSamples = arrays.left.data();
        double* const rightSamples = arrays.right.data();
        for (uint32_t i = 0; i < kRequest; ++i) {
            leftSamples[i] = Step<false>(k, dry, wet, leftSamples[i], l);
            rightSamples[i] = Step<true>(k, dry, wet, rightSamples[i], r);
        }
        left = l;
        right = r;
    }
};

// A plain in-place scale with SSE2 packed multiplies, two samples at a time.
void ScaleInPlace(double* samples, uint32_t count, double gain) {
    const __m128d g = _mm_set1_pd(gain);
    uint32_t i = 0;
    for (; i + 2 <= count; i += 2)
        _mm_storeu_pd(samples + i, _mm_mul_pd(_mm_loadu_pd(samples + i), g));
    for (; i < count; ++i) samples[i] *= gain;
}

struct Contender {
    std::function<void(StereoArrays&)> run;
    double fastest = 1e300;  // seconds per request
    // Sets the input up instead of the common noise, outside the timing.
    std::function<void(StereoArrays&)> prepare = [](StereoArrays& a) { a.Refill(); };
};

// Times `rounds` requests of every contender, one of each per round.
void Race(std::vector<Contender>& contenders, int rounds) {
    StereoArrays arrays;
    for (int round = 0; round < rounds; ++round) {
        for (Contender& c : contenders) {
            c.prepare(arrays);
            const auto start = std::chrono::steady_clock::now();
            c.run(arrays);
            const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
            c.fastest = std::min(c.fastest, took.count());
        }
    }
}

double NanosecondsPerSample(const Contender& c) {
    return c.fastest * 1e9 / kRequest / 2;
}

void PrintRatio(const char* what, const Contender& plugin, const Contender& reference,
                const char* goal) {
    std::printf("%s: %.2fx%s\n", what, plugin.fastest / reference.fastest, goal);
}

// False when a reference does not produce the plug-in's samples (two
// requests, so that the histories carried over are covered).
bool HighPassReferencesMatch(const HighPassSettings& settings) {
    OpenPlugin plugin(HIGHPASS_LIBRARY);
    const HighPassReference fresh{
        DesignHighPass(static_cast<int32_t>(settings.cutoff), kSampleRate), settings.dryGain,
        settings.wetGain};
    HighPassReference perChannel = fresh, interleaved = fresh;
    StereoArrays fromPlugin, fromPerChannel, fromInterleaved;
    for (int request = 0; request < 2; ++request) {
        for (StereoArrays* a : {&fromPlugin, &fromPerChannel, &fromInterleaved}) a->Refill();
        plugin.Process(fromPlugin);
        perChannel.RunPerChannel(fromPerChannel);
        interleaved.RunInterleaved(fromInterleaved);
        if (!(fromPlugin == fromPerChannel) || !(fromPlugin == fromInterleaved)) return false;
    }
    return true;
}

int RunHighPass(int rounds) {
    OpenPlugin plugin(HIGHPASS_LIBRARY);
    const auto& settings = *static_cast<const HighPassSettings*>(plugin.Handle());
    if (!HighPassReferencesMatch(settings)) {
        std::fprintf(stderr, "plugin_ratios: the high-pass references differ from Plugin\n");
        return 1;
    }
    HighPassReference reference{DesignHighPass(static_cast<int32_t>(settings.cutoff), kSampleRate),
                                settings.dryGain, settings.wetGain};
    std::vector<Contender> contenders{
        {[&](StereoArrays& a) { plugin.Process(a); }},
        {[&](StereoArrays& a) { reference.RunPerChannel(a); }},
        {[&](StereoArrays& a) { reference.RunInterleaved(a); }},
    };
    Race(contenders, rounds);
    std::printf("Plugin ProcessStream: %.3f ns per sample per channel\n",
                NanosecondsPerSample(contenders[0]));
    PrintRatio("Plugin ProcessStream / fused per-channel reference", contenders[0], contenders[1],
               "");
    PrintRatio("Plugin ProcessStream / interleaved fused reference", contenders[0], contenders[2],
               " (goal <= 1.5x)");
    return 0;
}

int RunSqueak(int rounds) {
    OpenPlugin plugin(SQUEAK_LIBRARY);
    std::vector<Contender> contenders{
        {[&](StereoArrays& a) { plugin.Process(a); }},
        {[](StereoArrays& a) {
            ScaleInPlace(a.left.data(), kRequest, 0.5);
            ScaleInPlace(a.right.data(), kRequest, 0.5);
        }},
    };
    Race(contenders, rounds);
    std::printf("Squeak ProcessStream: %.3f ns per sample per channel\n",
                NanosecondsPerSample(contenders[0]));
    PrintRatio("Squeak ProcessStream / SSE2 in-place scale", contenders[0], contenders[1],
               " (goal <= 1.3x)");
    return 0;
}

void Silence(StereoArrays& a) {
    std::fill(a.left.begin(), a.left.end(), 0.0);
    std::fill(a.right.begin(), a.right.end(), 0.0);
}

// A second of a 440 Hz tone, then silence: what a plug-in's state does
// after the sound stops. Where the filter's history decays into subnormal
// numbers, a processor that is slow on them makes silence cost more than
// sound.
void Tone(StereoArrays& a) {
    constexpr double kPi = 3.141592653589793;
    for (uint32_t i = 0; i < kRequest; ++i)
        a.left[i] = a.right[i] = 0.5 * std::sin(2 * kPi * 440 * i / kSampleRate);
}

#if defined(LADSPA_LIBRARY)
// The LADSPA stereo high-pass, in runs of 65536 frames: float audio, the
// host's processor state (no flush-to-zero of its own).
class LadspaHighPass {
  public:
    LadspaHighPass() {
        library_ = dlopen(LADSPA_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        if (!library_) throw std::runtime_error(dlerror());
        const auto entry =
            reinterpret_cast<LADSPA_Descriptor_Function>(dlsym(library_, "ladspa_descriptor"));
        descriptor_ = entry(0);
        handle_ = descriptor_->instantiate(descriptor_, kSampleRate);
        for (unsigned long port = 0; port < 4; ++port)
            descriptor_->connect_port(handle_, port, buffers_[port % 2].data());
        descriptor_->activate(handle_);
    }
    ~LadspaHighPass() {
        descriptor_->cleanup(handle_);
        dlclose(library_);
    }
    // Runs over `arrays`' samples, rounded to floats outside the timing.
    void Load(const StereoArrays& a) {
        std::copy(a.left.begin(), a.left.end(), buffers_[0].begin());
        std::copy(a.right.begin(), a.right.end(), buffers_[1].begin());
    }
    void Run() { descriptor_->run(handle_, kRequest); }

  private:
    void* library_ = nullptr;
    const LADSPA_Descriptor* descriptor_ = nullptr;
    LADSPA_Handle handle_ = nullptr;
    std::vector<float> buffers_[2] = {std::vector<float>(kRequest), std::vector<float>(kRequest)};
};

void RunAdapterSilence(int rounds) {
    LadspaHighPass noisy, quiet;
    StereoArrays arrays;
    Tone(arrays);
    quiet.Load(arrays);
    quiet.Run();
    Silence(arrays);
    quiet.Load(arrays);
    for (int i = 0; i < 4; ++i) quiet.Run();
    std::vector<Contender> contenders{
        {[&](StereoArrays&) { noisy.Run(); }, 1e300,
         [&](StereoArrays& a) {
             a.Refill();
             noisy.Load(a);
         }},
        {[&](StereoArrays&) { quiet.Run(); }, 1e300,
         [&](StereoArrays& a) {
             Silence(a);
             quiet.Load(a);
         }},
    };
    Race(contenders, rounds);
    PrintRatio("LADSPA high-pass run(), silence after a tone / noise", contenders[1], contenders[0],
               " (goal <= 1.1x)");
}
#endif

int RunSilence(int rounds) {
    // The library as a host without flush-to-zero runs it, and as one with.
    OpenPlugin noisy(HIGHPASS_LIBRARY), quiet(HIGHPASS_LIBRARY), flushed(HIGHPASS_LIBRARY);
    StereoArrays arrays;
    const auto toneThenSilence = [&](OpenPlugin& plugin) {
        Tone(arrays);
        plugin.Process(arrays);
        for (int i = 0; i < 4; ++i) {
            Silence(arrays);
            plugin.Process(arrays);
        }
    };
    toneThenSilence(quiet);
    {
        const FlushToZero flush;
        toneThenSilence(flushed);
    }
    std::vector<Contender> contenders{
        {[&](StereoArrays& a) { noisy.Process(a); }},
        {[&](StereoArrays& a) { quiet.Process(a); }, 1e300, Silence},
        {[&](StereoArrays& a) {
             const FlushToZero flush;
             flushed.Process(a);
         },
         1e300, Silence},
    };
    Race(contenders, rounds);
    PrintRatio("Plugin ProcessStream, silence after a tone / noise", contenders[1], contenders[0],
               " (goal <= 1.1x)");
    PrintRatio("  the same with the host's flush-to-zero", contenders[2], contenders[0],
               " (goal <= 1.1x)");
#if defined(LADSPA_LIBRARY)
    RunAdapterSilence(rounds);
#endif
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = 200;
    if (argc == 3 && std::strcmp(argv[1], "--rounds") == 0 && std::atoi(argv[2]) > 0) {
        rounds = std::atoi(argv[2]);
    } else if (argc != 1) {
        std::fprintf(stderr, "usage: plugin_ratios [--rounds N]\n");
        return 2;
    }
    try {
        int status = RunHighPass(rounds);
        if (status == 0) status = RunSqueak(rounds);
        return status != 0 ? status : RunSilence(rounds);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "plugin_ratios: %s\n", e.what());
        return 1;
    }
}
