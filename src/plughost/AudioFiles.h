// Audio files through libsndfile, as planar double arrays.
#pragma once

#include <sndfile.h>

#include <cstdint>
#include <string>
#include <vector>

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

    // Reads up to `count` frames into `left` and, for stereo, `right`; returns
    // the number read (fewer only at the end of the file).
    uint32_t Read(double* left, double* right, uint32_t count);

  private:
    std::string path_;
    SF_INFO info_{};
    SNDFILE* file_ = nullptr;
    std::vector<double> interleaved_;
};

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
    std::string path_;
    std::string temporaryPath_;
    int channels_;
    SNDFILE* file_ = nullptr;
    std::vector<double> interleaved_;
};

// True for formats that store integers (where an overload clips).
bool IsIntegerFormat(int format);

// The format named on the command line ("pcm16", "pcm24", "pcm32",
// "float", "double") in the container of `format`.
int WithSampleFormat(int format, const std::string& name);
