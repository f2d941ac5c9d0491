// Sample arrays owned by a processing node: `count` 64-bit floats per
// channel, a left array always and a right array for a stereo layout.
#pragma once

#include <cstdint>
#include <memory>

#include "host/HostContract.h"

class SampleArrays {
  public:
    // Matches the arrays to the count and channel layout of `buffer`. With
    // the count unchanged, a change of layout adds a right array at that count
    // (the left one stays as it is) or releases the right one. Any change of
    // count, up or down, releases both arrays and makes new ones, zeroed, of
    // exactly the new count. Without memory this throws std::bad_alloc and
    // leaves the arrays as they were or, when the count changed, none at all
    // with a count of 0.
    void Fit(const StreamBuffer& buffer);

    // The arrays as a stream buffer (right null for a mono layout).
    StreamBuffer View() const { return {count_, left_.get(), right_.get()}; }
    uint32_t Count() const { return count_; }

  private:
    uint32_t count_ = 0;
    std::unique_ptr<double[]> left_;
    std::unique_ptr<double[]> right_;
};
