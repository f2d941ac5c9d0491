// What a file's run reports.
#pragma once

#include <cstdint>
#include <string>

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
    uint64_t clipped = 0;    // output samples beyond full scale (integer outputs)
    uint64_t notFinite = 0;  // output samples that are not finite (--allow-nonfinite)
    std::string shortfall;   // how the input shows that it breaks off (AudioReader)
};

// "in.wav -> out.wav: 220500 frames (5.00 s) in 0.02 s (250x real time); ..."
std::string FormatSummary(const RunSummary& summary);
