#include "effects/highpass/FanOutNode.h"

#include <algorithm>

#include "effects/SampleLoops.h"

int32_t FanOutNode::Process(StreamBuffer buffer) {
    if (callCounter_ == 0) {
        cache_.Fit(buffer);
        const StreamBuffer cached = cache_.View();
        CopySamples(buffer.left, cached.left, buffer.count);
        CopySamples(buffer.right, cached.right, buffer.count);
        if (input_) {
            cachedResult_ = input_->Process(cached);
            CopySamples(cached.left, buffer.left, buffer.count);
            CopySamples(cached.right, buffer.right, buffer.count);
        } else {
            // The buffer already holds exactly what the cache holds.
            cachedResult_ = 1;
        }
    } else {
        const StreamBuffer cached = cache_.View();
        const uint32_t count = std::min(buffer.count, cached.count);
        CopySamples(cached.left, buffer.left, count);
        CopySamples(cached.right, buffer.right, count);
    }
    // Counted in unsigned arithmetic: with a period of 0 or less it wraps
    // instead of overflowing.
    callCounter_ = static_cast<int32_t>(static_cast<uint32_t>(callCounter_) + 1);
    if (callCounter_ == period) callCounter_ = 0;
    return cachedResult_;
}
