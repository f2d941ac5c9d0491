// An output audio file through libsndfile, from planar double arrays.
#pragma once

#include <sndfile.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "plughost/process/SystemTuning.h"

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
    // Every few megabytes, has the disk flush take the data so far to disk,
    // so that the flush before the rename finds little left.
    void FlushNowAndThen(uint32_t count);

    std::string path_;
    std::string temporaryPath_;
    int channels_;
    bool shorts_;  // 16-bit samples, converted here as libsndfile would
    SNDFILE* file_ = nullptr;
    uint32_t framesSinceFlush_ = 0;
    std::unique_ptr<DiskFlush> flush_;  // none if the file could not be opened again
    std::vector<double> interleaved_;
    std::vector<int16_t> interleavedShorts_;
};
