// The level of a signal as the summary reports it.
#pragma once

#include <cstddef>
#include <cstdint>

// The peak magnitude of a signal, the samples an integer file cannot hold
// (beyond full scale, or not a number) and those that are not finite, in one
// pass over each block.
class LevelMeter {
  public:
    void Measure(const double* samples, uint32_t count);
    // 16-bit samples, as they read into doubles (x / 32768): only the peak
    // moves, since none is beyond full scale.
    void MeasureShorts(const int16_t* samples, size_t count);

    double Peak() const { return peak_; }  // a not-a-number sample never is the peak
    uint64_t BeyondFullScale() const { return beyondFullScale_; }
    uint64_t NotFinite() const { return notFinite_; }

  private:
    double peak_ = 0;
    uint64_t beyondFullScale_ = 0;
    uint64_t notFinite_ = 0;
};

// The index of the first sample that is not finite; `count` when all are.
uint32_t FirstNotFinite(const double* samples, uint32_t count);
