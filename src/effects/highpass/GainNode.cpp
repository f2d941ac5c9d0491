#include "effects/highpass/GainNode.h"

#include "effects/SampleLoops.h"

int32_t GainNode::Apply(StreamBuffer buffer) {
    ScaleSamples(buffer.left, buffer.count, gain);
    ScaleSamples(buffer.right, buffer.count, gain);
    return 1;
}
