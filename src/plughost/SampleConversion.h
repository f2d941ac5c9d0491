// 16-bit samples to and from the doubles a plug-in works on, in bulk.
#pragma once

#include <cstdint>

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
