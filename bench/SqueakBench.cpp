// Squeak's ProcessStream against a plain in-place scale loop over the same
// arrays: stereo, 44.1 kHz, host requests of 65536 samples, and a callback
// that returns the requested count without touching the arrays, so the
// figure is the plug-in's own cost.
#include <benchmark/benchmark.h>

#include <vector>

#include "StreamBench.h"
#include "host/PluginLibrary.h"

namespace {

struct StereoArrays {
    std::vector<double> left = std::vector<double>(kRequest, 0.25);
    std::vector<double> right = std::vector<double>(kRequest, -0.25);
};

void BM_SqueakProcessStream(benchmark::State& state) {
    PluginLibrary lib(SQUEAK_LIBRARY);
    SettingsHandle handle = nullptr;
    lib.Initialize(nullptr, nullptr, nullptr, &handle);
    lib.SetStreamCallBack(&FullCallback, nullptr, handle);
    const StreamFormat format{0, 2, 44100};
    lib.OpenStream(handle, &format);
    StereoArrays arrays;
    for (auto _ : state) {
        StreamBuffer buffer{kRequest, arrays.left.data(), arrays.right.data()};
        benchmark::DoNotOptimize(lib.ProcessStream(&buffer, handle));
        benchmark::ClobberMemory();
    }
    lib.CloseStream(handle);
    lib.Free(handle);
    SetSamplesProcessed(state);
}
BENCHMARK(BM_SqueakProcessStream);

// Gain 1 keeps the values from drifting into denormals or infinity.
void ScaleInPlace(double* samples, uint32_t count, double gain) {
    for (uint32_t i = 0; i < count; ++i) samples[i] *= gain;
}

void BM_PlainScaleLoop(benchmark::State& state) {
    StereoArrays arrays;
    double gain = 1.0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(gain);
        ScaleInPlace(arrays.left.data(), kRequest, gain);
        ScaleInPlace(arrays.right.data(), kRequest, gain);
        benchmark::ClobberMemory();
    }
    SetSamplesProcessed(state);
}
BENCHMARK(BM_PlainScaleLoop);

}  // namespace
