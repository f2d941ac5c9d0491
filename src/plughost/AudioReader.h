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
    // Opens the file once ("-" is standard input), so that a pipe or a FIFO
    // reads as any file. Throws HostError(kInput) when the file cannot be
    // read or has more than two channels.
    explicit AudioReader(const std::string& path);
    ~AudioReader();
    AudioReader(const AudioReader&) = delete;
    AudioReader& operator=(const AudioReader&) = delete;

    int Channels() const { return info_.channels; }
    int SampleRate() const { return info_.samplerate; }
    int Format() const { return info_.format; }
    // What the header gives (an estimate for MP3); -1 when it gives nothing.
    // The frames read are what counts.
    int64_t Frames() const;
    // True when it can be opened again: not a pipe.
    bool Seekable() const { return info_.seekable; }

    // Reads up to `count` frames into `left` and, for stereo, `right`, and
    // measures them into `level` if given; returns the number read (fewer
    // only at the end of the file).
    uint32_t Read(double* left, double* right, uint32_t count, LevelMeter* level = nullptr);

    // After the last frame: how the file shows that it holds fewer frames
    // than it should, in a few words; empty when nothing shows that.
    std::string Shortfall() const;

  private:
    std::string path_;
    SF_INFO info_{};
    SNDFILE* file_ = nullptr;
    bool shorts_;  // 16-bit samples, read as they are stored
    uint64_t framesRead_ = 0;
    std::vector<double> interleaved_;
    std::vector<int16_t> interleavedShorts_;
};
