// An output audio file through libsndfile, from planar double arrays.
#pragma once

#include <sndfile.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "plughost/OutputFile.h"
#include "plughost/process/StreamSink.h"
#include "plughost/process/SystemTuning.h"

// A file written through an OutputFile: a file goes into place by Commit(),
// so that a failed run never leaves a partial file behind; a stream gets the
// samples as they come.
class AudioWriter {
  public:
    // Throws HostError(kOutput) when the output cannot be written in that
    // format. Integer formats are rounded to the nearest step and clip
    // instead of wrapping around.
    AudioWriter(std::unique_ptr<OutputFile> output, int format, int channels, int sampleRate);
    ~AudioWriter();
    AudioWriter(const AudioWriter&) = delete;
    AudioWriter& operator=(const AudioWriter&) = delete;

    // Throws HostError(kOutput).
    void Write(const double* left, const double* right, uint32_t count);
    void Commit();

  private:
    void WriteChunk(const double* left, const double* right, uint32_t count);
    // Every few megabytes, has the disk flush take the data so far to disk,
    // so that the flush before the rename finds little left.
    void FlushNowAndThen(uint32_t count);
    [[noreturn]] void WriteFailed();

    std::unique_ptr<OutputFile> output_;
    std::unique_ptr<StreamSink> sink_;  // for a stream that cannot seek
    int channels_;
    int bits_;  // of integer samples, converted here; 0 for floating point
    SNDFILE* file_ = nullptr;
    uint32_t framesSinceFlush_ = 0;
    std::unique_ptr<DiskFlush> flush_;  // for a file
    std::vector<double> interleaved_;
    std::vector<int16_t> interleavedShorts_;
    std::vector<int32_t> interleavedInts_;
};
