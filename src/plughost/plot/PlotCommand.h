// plughost plot: what a plug-in does, as pictures. It measures the plug-in
// through its exports, as any host would, and draws the magnitude (and phase)
// response, the gain over time for a constant input, or the average spectrum
// of a file before and after it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "plughost/Presets.h"

struct PlotOptions {
    std::string library;
    PresetOptions preset;
    uint32_t sampleRate = 44100;
    std::string responseFile;
    bool phase = false;
    std::string gainFile;
    double seconds = 3;
    std::vector<std::string> spectrum;  // IN FILE
    std::string csvFile;
    std::string size = "1200x700";
};

// Measures, draws and writes every plot asked for, or nothing when anything
// fails, and returns the exit code 0. Throws HostError and PluginLoadError.
int Plot(const PlotOptions& options);
