#include "effects/highpass/MixNode.h"

#include "effects/SampleLoops.h"

void MixNode::Attach(ProcessingNode* node) {
    if (inputCount_ < kMaxInputs) inputs_[inputCount_++] = node;
}

int32_t MixNode::Apply(StreamBuffer buffer) {
    sum_.Fit(buffer);
    scratch_.Fit(buffer);
    const uint32_t count = buffer.count;
    if (inputCount_ == 0) {
        ZeroSamples(buffer.left, count);
        ZeroSamples(buffer.right, count);
        return 1;
    }
    const StreamBuffer work = scratch_.View();
    const StreamBuffer total = sum_.View();
    for (int32_t i = 0; i < inputCount_; ++i) {
        CopySamples(buffer.left, work.left, count);
        CopySamples(buffer.right, work.right, count);
        inputs_[i]->Process(work);
        // The first input starts the running sum from +0.0 and the last one
        // writes the finished sum straight into the buffer: the same values
        // as zeroing, adding and copying, in fewer passes.
        const bool last = i + 1 == inputCount_;
        double* const left = last ? buffer.left : total.left;
        double* const right = last ? buffer.right : total.right;
        if (i == 0) {
            AddToZero(work.left, left, count);
            AddToZero(work.right, right, count);
        } else {
            AddSamples(work.left, total.left, left, count);
            AddSamples(work.right, total.right, right, count);
        }
    }
    return 1;
}
