// One input file through a plug-in into one output file.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "plughost/Progress.h"
#include "plughost/SettingsRecord.h"

struct RunOptions {
    uint32_t requestSize = 65536;  // samples per channel per ProcessStream call
    std::string sampleFormat;      // empty: the input's own
    bool failOnClip = false;
};

struct RunSummary {
    std::string input;
    std::string output;
    int channels = 0;
    int sampleRate = 0;
    uint64_t frames = 0;
    double seconds = 0;        // time taken
    double pluginSeconds = 0;  // of which inside the plug-in, reading excluded
    double peakIn = 0;         // largest magnitude, linear
    double peakOut = 0;
    bool integerOutput = false;
    uint64_t clipped = 0;  // output samples beyond full scale (integer outputs)
};

// Runs `input` through a record made by `makeSettings` and writes `output`
// (only when everything succeeded). Throws HostError. `memory` holds the
// samples between the stages; a thread that runs file after file passes the
// same vector each time, so that its pages are touched once, not per file
// (a fresh one costs a page fault per 4 KiB and a zero fill: about 13 ms a
// file on the build machine, a quarter of a one-minute file's time).
RunSummary ProcessFile(const PluginLibrary& lib,
                       const std::function<SettingsRecord()>& makeSettings,
                       const std::string& input, const std::string& output,
                       const RunOptions& options, Progress& progress, std::vector<double>& memory);

// "in.wav -> out.wav: 220500 frames (5.00 s) in 0.02 s (250x real time); ..."
std::string FormatSummary(const RunSummary& summary);
