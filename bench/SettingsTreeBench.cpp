// The settings tree as SavePresetXml and InitializeXml use it: nine words
// written into a node without children, and read back from it.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "persist/common/ValueText.h"
#include "persist/tree/SettingsElement.h"

namespace {

constexpr const char* kNames[] = {"DryOut", "Squeak",  "Frequency", "VolR",   "CutR",
                                  "HoldCh", "InvertL", "InvertR",   "DisMain"};

void BM_TreeSaveNineWords(benchmark::State& state) {
    for (auto _ : state) {
        SettingsNode node;
        uint32_t value = 30;
        for (const char* name : kNames) node.SetDwordValue(name, value++);
        benchmark::DoNotOptimize(node.LastChild());
    }
}
BENCHMARK(BM_TreeSaveNineWords);

void BM_TreeLoadNineWords(benchmark::State& state) {
    SettingsNode node;
    for (const char* name : kNames) node.SetDwordValue(name, 4294967295u);
    for (auto _ : state) {
        uint32_t sum = 0;
        for (const char* name : kNames) {
            uint32_t value = 0;
            node.GetDwordValue(name, &value);
            sum += value;
        }
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_TreeLoadNineWords);

void BM_FormatGeneral(benchmark::State& state) {
    double value = 1234567.0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(FormatGeneral(value));
        value += 0.5;
    }
}
BENCHMARK(BM_FormatGeneral);

void BM_ParseReal(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(ParseReal(" 1.23457e+006"));
}
BENCHMARK(BM_ParseReal);

}  // namespace
