// Multiplies every channel of the buffer by a fixed gain.
#pragma once

#include "effects/highpass/ProcessingNode.h"

class GainNode : public ProcessingNode {
  public:
    // Scales the left channel if present, then the right one if present.
    int32_t Apply(StreamBuffer buffer) override;

    double gain = 0.0;  // written by the owner before the first Process
};
