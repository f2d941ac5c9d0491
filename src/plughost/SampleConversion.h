// Integer samples to and from the doubles a plug-in works on, in bulk.
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

// `count` doubles into 16-bit samples, `stride` apart: scaled by 2^15,
// clipped to -32768 and 32767, rounded to the nearest integer, halves
// upwards, as sox converts without dither. Not a number becomes 0.
// (libsndfile's own conversion keeps the upper half of a 32-bit value, half
// a step low on average.)
void DoublesToShorts(const double* in, uint32_t count, int16_t* out, int stride);

// `count` doubles into samples of `bits` bits (8 to 32), in the upper bits of
// 32-bit integers as libsndfile takes them, `stride` apart: rounded and
// clipped as DoublesToShorts does.
void DoublesToInts(const double* in, uint32_t count, int bits, int32_t* out, int stride);
