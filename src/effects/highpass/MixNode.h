// Runs each of its inputs on a fresh copy of its own buffer and sums their
// outputs with equal weight (any weighting is done by gain nodes inside the
// branches).
#pragma once

#include "effects/highpass/ProcessingNode.h"
#include "effects/highpass/SampleArrays.h"

class MixNode : public ProcessingNode {
  public:
    static constexpr int32_t kMaxInputs = 10;

    // Appends `node` to the inputs, in attach order; an input beyond the
    // tenth is ignored. The base `input` stays unused, so Process goes
    // straight to Apply.
    void Attach(ProcessingNode* node) override;
    // Buffer = the sum of all inputs' outputs, each input starting from the
    // samples this node received; zeros without inputs. The sum runs from
    // +0.0, adding each input's sample to the running sum in attach order.
    int32_t Apply(StreamBuffer buffer) override;

  private:
    ProcessingNode* inputs_[kMaxInputs] = {};  // not owned
    int32_t inputCount_ = 0;
    SampleArrays sum_;      // the running sums, left and right
    SampleArrays scratch_;  // the buffer handed to each input
};
