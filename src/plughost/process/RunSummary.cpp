#include "plughost/process/RunSummary.h"

#include <cmath>
#include <cstdio>

namespace {

std::string Decibels(double peak) {
    if (peak == 0) return "-inf dBFS";
    char text[32];
    std::snprintf(text, sizeof text, "%.2f dBFS", 20 * std::log10(peak));
    return text;
}

}  // namespace

std::string FormatSummary(const RunSummary& s) {
    const double duration = s.sampleRate ? static_cast<double>(s.frames) / s.sampleRate : 0;
    char text[512];
    std::snprintf(text, sizeof text,
                  "%s -> %s: %llu frames (%.2f s, %s, %d Hz) in %.3f s (%.0fx real time, "
                  "plug-in %.3f s); peak %s in, %s out",
                  s.input.c_str(), s.output.c_str(), static_cast<unsigned long long>(s.frames),
                  duration, s.channels == 2 ? "stereo" : "mono", s.sampleRate, s.seconds,
                  s.seconds > 0 ? duration / s.seconds : 0.0, s.pluginSeconds,
                  Decibels(s.peakIn).c_str(), Decibels(s.peakOut).c_str());
    std::string line = text;
    if (s.integerOutput) line += "; " + std::to_string(s.clipped) + " samples clipped";
    if (s.notFinite > 0) line += "; " + std::to_string(s.notFinite) + " samples not finite";
    return line;
}
