// What the ProcessStream benchmarks share: host requests of 65536 samples, a
// callback that returns the requested count without touching the arrays (so
// a figure is the plug-in's own cost), and the per-sample counter.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>

#include "host/HostContract.h"

constexpr uint32_t kRequest = 65536;

inline uint32_t FullCallback(void*, StreamBuffer* buffer) {
    return buffer->count;
}

// Items are samples per channel; "ns_per_sample" is the time per such sample.
inline void SetSamplesProcessed(benchmark::State& state) {
    state.SetItemsProcessed(state.iterations() * kRequest);
    state.counters["ns_per_sample"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kRequest,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
