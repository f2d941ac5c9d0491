#include "plughost/process/SampleMemory.h"

double* SampleMemory::Reserve(size_t samples) {
    const size_t bytes = samples * sizeof(double);
    if (bytes <= mapping_.bytes) return mapping_.samples;
    UnmapSamples(mapping_);
    mapping_ = {};
    mapping_ = MapSamples(bytes);
    return mapping_.samples;
}
