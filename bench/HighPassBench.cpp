// Plugin's ProcessStream against a single-pass reference that computes the
// same samples directly: stereo, 44.1 kHz, default parameters, host requests
// of 65536 samples, and a callback that returns the requested count without
// touching the arrays. Each request starts from the same input (refilled
// outside the timing), so the figures are the cost of the graph itself.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "StreamBench.h"
#include "effects/highpass/HighPassDesign.h"
#include "effects/highpass/HighPassSettings.h"
#include "host/PluginLibrary.h"
#include "support/SignalHost.h"

namespace {

constexpr uint32_t kSampleRate = 44100;

struct StereoArrays {
    std::vector<double> inputLeft = NoiseSignal(kRequest, 1);
    std::vector<double> inputRight = NoiseSignal(kRequest, 2);
    std::vector<double> left = inputLeft, right = inputRight;
    void Refill() {
        std::memcpy(left.data(), inputLeft.data(), kRequest * sizeof(double));
        std::memcpy(right.data(), inputRight.data(), kRequest * sizeof(double));
    }
};

// A default Plugin record with an open stereo stream.
class OpenPlugin {
  public:
    OpenPlugin() : lib_(PLUGIN_LIBRARY) {
        lib_.Initialize(nullptr, nullptr, nullptr, &handle_);
        lib_.SetStreamCallBack(&FullCallback, nullptr, handle_);
        const StreamFormat format{0, 2, kSampleRate};
        lib_.OpenStream(handle_, &format);
    }
    ~OpenPlugin() {
        lib_.CloseStream(handle_);
        lib_.Free(handle_);
    }
    uint32_t Process(StereoArrays& arrays) {
        StreamBuffer buffer{kRequest, arrays.left.data(), arrays.right.data()};
        return lib_.ProcessStream(&buffer, handle_);
    }
    const HighPassSettings& Settings() const { return *static_cast<HighPassSettings*>(handle_); }

  private:
    PluginLibrary lib_;
    SettingsHandle handle_ = nullptr;
};

// The reference: per channel one loop that runs the recursion and mixes the
// result with the dry input, with the plug-in's grouping for that channel
// and its order of summation (the wet sample added onto dry + 0.0).
struct Reference {
    struct History {
        double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    };
    HighPassCoefficients c;
    double dryGain, wetGain;
    History leftHistory, rightHistory;

    template <bool kRightGrouping>
    void RunChannel(double* samples, uint32_t count, History& history) const {
        const HighPassCoefficients k = c;
        const double dry = dryGain, wet = wetGain;
        double x1 = history.x1, x2 = history.x2, y1 = history.y1, y2 = history.y2;
        for (uint32_t i = 0; i < count; ++i) {
            const double x = samples[i];
            const double feedForward = kRightGrouping ? (k.b1 * x1 + k.b0 * x) + k.b2 * x2
                                                      : (k.b0 * x + k.b2 * x2) + k.b1 * x1;
            const double y = feedForward - k.a1 * y1 - k.a2 * y2;
            x2 = x1;
            x1 = x;
            y2 = y1;
            y1 = y;
            samples[i] = y * wet + (x * dry + 0.0);
        }
        history = {x1, x2, y1, y2};
    }
    void Run(StereoArrays& arrays) {
        RunChannel<false>(arrays.left.data(), kRequest, leftHistory);
        RunChannel<true>(arrays.right.data(), kRequest, rightHistory);
    }
};

Reference ReferenceFor(const HighPassSettings& s) {
    return {
        DesignHighPass(static_cast<int32_t>(s.cutoff), kSampleRate), s.dryGain, s.wetGain, {}, {}};
}

void SetSamplesProcessed(benchmark::State& state) {
    state.SetItemsProcessed(state.iterations() * kRequest);
    state.counters["ns_per_sample"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kRequest,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_HighPassProcessStream(benchmark::State& state) {
    OpenPlugin plugin;
    StereoArrays arrays;
    for (auto _ : state) {
        state.PauseTiming();
        arrays.Refill();
        state.ResumeTiming();
        benchmark::DoNotOptimize(plugin.Process(arrays));
        benchmark::ClobberMemory();
    }
    SetSamplesProcessed(state);
}
BENCHMARK(BM_HighPassProcessStream);

void BM_HighPassReference(benchmark::State& state) {
    // Two requests each, so that the check covers the histories carried over.
    OpenPlugin plugin;
    Reference reference = ReferenceFor(plugin.Settings());
    StereoArrays fromPlugin, fromReference;
    for (int request = 0; request < 2; ++request) {
        fromPlugin.Refill();
        fromReference.Refill();
        plugin.Process(fromPlugin);
        reference.Run(fromReference);
        if (fromPlugin.left != fromReference.left || fromPlugin.right != fromReference.right) {
            state.SkipWithError("the reference differs from the plug-in's output");
            return;
        }
    }

    StereoArrays arrays;
    for (auto _ : state) {
        state.PauseTiming();
        arrays.Refill();
        state.ResumeTiming();
        reference.Run(arrays);
        benchmark::ClobberMemory();
    }
    SetSamplesProcessed(state);
}
BENCHMARK(BM_HighPassReference);

}  // namespace
