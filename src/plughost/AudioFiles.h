// Audio files through libsndfile, as planar double arrays.
#pragma once

#include <sndfile.h>

#include <cstdint>
#include <memory>
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

class BackgroundFlush;

// An output file written beside its final path and moved into place by
// Commit(), so that a failed run never leaves a partial file behind.
class AudioWriter {
  public:
    // Throws HostError(kOutput) when the file cannot be created in that
    // format. Integer formats clip instead of wrapping around.
    AudioWriter(const std::string& path, int format, int channels, int sampleRate);
    ~AudioWriter();
    AudioWriter(const AudioWriter&) = delete;
    AudioWriter& operator=(const AudioWriter&) = delete;

    void Write(const double* left, const double* right, uint32_t count);
    void Commit();

  private:
    // Every few megabytes, has the background flush take the data so far
    // to disk, so that the flush before the rename finds little left.
    void FlushNowAndThen(uint32_t count);

    std::string path_;
    std::string temporaryPath_;
    int channels_;
    bool shorts_;  // 16-bit samples, converted here as libsndfile would
    SNDFILE* file_ = nullptr;
    uint32_t framesSinceFlush_ = 0;
    std::unique_ptr<BackgroundFlush> flush_;  // none if the file could not be opened again
    std::vector<double> interleaved_;
    std::vector<int16_t> interleavedShorts_;
};

// 16-bit samples in a container that libsndfile's PCM codec handles: read
// and written as 16-bit integers, converted by the two functions below.
bool IsPcm16(int format);

// A 16-bit sample as libsndfile reads it into a double: exactly x / 32768.
inline double ShortToDouble(int16_t x) {
    return x * (1.0 / 32768);
}

// `frames` interleaved 16-bit frames of one or two channels into planar
// doubles, each as ShortToDouble gives it; the right channel only where
// `right` is given.
void ShortsToDoubles(const int16_t* in, uint32_t frames, int channels, double* left, double* right);

// `count` doubles into 16-bit samples, `stride` apart, as libsndfile writes
// them with clipping on: scaled by 2^31, clipped, rounded to the nearest
// 32-bit integer (ties to even), then its upper 16 bits. Not a number
// becomes -32768.
void DoublesToShorts(const double* in, uint32_t count, int16_t* out, int stride);

// True for formats that store integers (where an overload clips).
bool IsIntegerFormat(int format);

// The format named on the command line ("pcm16", "pcm24", "pcm32",
// "float", "double") in the container of `format`.
int WithSampleFormat(int format, const std::string& name);
