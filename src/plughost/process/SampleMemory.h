// The samples between a file's stages. A thread that runs file after file
// keeps one, so that its pages are set up once, not per file.
#pragma once

#include <cstddef>

#include "plughost/process/SystemTuning.h"

class SampleMemory {
  public:
    SampleMemory() = default;
    ~SampleMemory() { UnmapSamples(mapping_); }
    SampleMemory(const SampleMemory&) = delete;
    SampleMemory& operator=(const SampleMemory&) = delete;

    // Room for at least `samples` doubles; what it held before is not kept.
    // Throws std::bad_alloc.
    double* Reserve(size_t samples);

  private:
    SampleMapping mapping_;
};
