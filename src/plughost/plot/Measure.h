// A plug-in measured from the outside: known signals through its exports,
// and what comes back.
#pragma once

#include <complex>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "plughost/Presets.h"

using Samples = std::vector<double>;

// The highest sample rate measured (--rate, and a spectrum's input): the
// frames a spectrum transforms grow with the rate.
constexpr uint32_t kHighestRate = 768000;

// The longest gain measurement: 47 s at 44.1 kHz, whose samples and table
// take about 150 MB.
constexpr uint64_t kMostGainFrames = uint64_t{1} << 21;

// Fills up to `count` frames of `left` (and `right`, when not null); returns
// how many it wrote, fewer only at the end of the signal.
using SampleSource = std::function<uint32_t(double* left, double* right, uint32_t count)>;
// Receives the plug-in's output, `count` frames at a time.
using SampleSink = std::function<void(const double* left, const double* right, uint32_t count)>;

// Runs everything `source` delivers through a fresh record of `preset`, in
// one stream of `channels` (1 or 2) at `sampleRate`, and hands the output to
// `sink`; returns the frame count. Throws HostError(kPlugin) when the plug-in
// opens no stream, returns fewer frames than it was given, or puts out a
// sample that is not finite.
uint64_t RunStream(const PluginLibrary& lib, const PresetSource& preset, int channels,
                   uint32_t sampleRate, const SampleSource& source, const SampleSink& sink);

struct Stereo {
    Samples left, right;
};

// Writes frames `first` to `first` + `count` − 1 of a signal into `left` and
// `right`.
using SignalWriter =
    std::function<void(double* left, double* right, uint64_t first, uint32_t count)>;

// `length` frames of the stereo signal that `write` makes, through a fresh
// record of `preset`; the whole output.
Stereo RunSignal(const PluginLibrary& lib, const PresetSource& preset, uint32_t sampleRate,
                 uint64_t length, const SignalWriter& write);

// The response of a plug-in to a unit impulse, as a spectrum: bins 0 to N/2
// of an N-point transform, for each channel.
struct FrequencyResponse {
    uint32_t sampleRate = 0;
    double binWidth = 0;  // Hz
    std::vector<std::complex<double>> left, right;

    // The response at `frequency` (0 to half the sample rate), interpolated
    // through the four nearest bins.
    std::complex<double> At(double frequency, bool right = false) const;
};

// The impulse response over a few seconds (a power of two of samples, at
// least four seconds), transformed. Exact for a linear time-invariant effect
// whose impulse response has died away by then.
FrequencyResponse MeasureResponse(const PluginLibrary& lib, const PresetSource& preset,
                                  uint32_t sampleRate);

// The frequencies where the magnitude crosses 3.01 dB (half the power) below
// its largest value between `from` and half the sample rate: found between
// two bins, then pinned down on the interpolated response.
std::vector<double> HalfPowerFrequencies(const FrequencyResponse& response, double from,
                                         bool right = false);

// The gain of each channel, sample by sample, for a constant input of 1.
struct GainOverTime {
    uint32_t sampleRate = 0;
    Samples left, right;
};

GainOverTime MeasureGain(const PluginLibrary& lib, const PresetSource& preset, uint32_t sampleRate,
                         double seconds);

// A gain that switches between two levels in phases of equal length.
struct SquarePattern {
    double low = 0, high = 0;
    double phaseSamples = 0;  // mean length of a phase; 0: no square pattern
    double PeriodSeconds(uint32_t sampleRate) const { return 2 * phaseSamples / sampleRate; }
};

// The pattern of `gain`: two levels, and the mean distance between the
// first and the last switch per switch. phaseSamples is 0 when the gain takes
// more than two values or switches fewer than twice.
SquarePattern FindSquarePattern(const Samples& gain);

// The average power spectrum of a signal (Hann-windowed frames overlapping by
// half), both channels together, in dB relative to a full-scale sine.
class SpectrumAverage {
  public:
    explicit SpectrumAverage(uint32_t sampleRate);
    void Add(const double* left, const double* right, uint32_t count);
    // Bin k lies at k × BinWidth(); frames not yet complete are padded with
    // zeros.
    Samples Decibels();
    double BinWidth() const { return static_cast<double>(sampleRate_) / frameSize_; }

  private:
    void Transform(const Samples& frame);

    uint32_t sampleRate_;
    size_t frameSize_;
    Samples window_;
    Samples pendingLeft_, pendingRight_;  // the current frame, filling
    Samples power_;
    uint64_t frames_ = 0;
};

// The spectra of `input` (an audio file) before and after the plug-in, at the
// file's own rate. Throws HostError(kInput) for a rate above kHighestRate.
struct SpectrumPair {
    uint32_t sampleRate = 0;
    double binWidth = 0;
    Samples before, after;
};

SpectrumPair MeasureSpectrum(const PluginLibrary& lib, const PresetSource& preset,
                             const std::string& input);
