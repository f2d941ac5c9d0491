// An input audio file through libsndfile, as planar double arrays.
#pragma once

#include <sndfile.h>

#include <cstdint>
#include <string>
#include <vector>

#include "plughost/LevelMeter.h"

// An input file, mono or stereo, read front to back.
class AudioReader {
  public:
    // Throws HostError(kInput) when the file cannot be read or has more than
    // two channels.
    explicit AudioReader(const std::string& path);
    ~AudioReader();
    AudioReader(const AudioReader&) = delete;
    AudioReader& operator=(const AudioReader&) = delete;

    int Channels() const { return info_.channels; }
    int SampleRate() const { return info_.samplerate; }
    int Format() const { return info_.format; }
    int64_t Frames() const { return info_.frames; }

    // Reads up to `count` frames into `left` and, for stereo, `right`, and
    // measures them into `level` if given; returns the number read (fewer
    // only at the end of the file).
    uint32_t Read(double* left, double* right, uint32_t count, LevelMeter* level = nullptr);

  private:
    std::string path_;
    SF_INFO info_{};
    SNDFILE* file_ = nullptr;
    bool shorts_;  // 16-bit samples, read as they are stored
    std::vector<double> interleaved_;
    std::vector<int16_t> interleavedShorts_;
};
