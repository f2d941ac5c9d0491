#include "effects/highpass/ProcessingNode.h"

void ProcessingNode::SetFormat(const StreamFormat& format) {
    sampleRate_ = format.sampleRate;
    channelCount_ = format.channelCount;
}

int32_t ProcessingNode::Process(StreamBuffer buffer) {
    if (input_) input_->Process(buffer);
    return Apply(buffer) != 0 ? 1 : 0;
}

int32_t ProcessingNode::Apply(StreamBuffer) {
    return 1;
}
