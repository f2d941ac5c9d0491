#include "effects/highpass/SampleArrays.h"

void SampleArrays::Fit(const StreamBuffer& buffer) {
    const bool stereo = buffer.right != nullptr;
    if (buffer.count == count_ && left_) {
        if (!stereo) {
            right_.reset();
        } else if (!right_) {
            right_ = std::make_unique<double[]>(count_);
        }
        return;
    }
    // Release first, so that a failed allocation leaves no stale arrays
    // behind and the next call tries again.
    right_.reset();
    left_.reset();
    count_ = 0;
    auto left = std::make_unique<double[]>(buffer.count);
    auto right = stereo ? std::make_unique<double[]>(buffer.count) : nullptr;
    left_ = std::move(left);
    right_ = std::move(right);
    count_ = buffer.count;
}
