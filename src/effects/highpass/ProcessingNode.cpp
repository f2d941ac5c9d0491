#include "effects/highpass/ProcessingNode.h"

void ProcessingNode::SetFormat(const StreamFormat& format) {
    sampleRate = format.sampleRate;
    channelCount = format.channelCount;
}

int32_t ProcessingNode::Process(StreamBuffer buffer) {
    if (input) input->Process(buffer);
    return Apply(buffer) != 0 ? 1 : 0;
}

int32_t ProcessingNode::Apply(StreamBuffer) {
    return 1;
}
