// The base of the high-pass effect's processing nodes. A node works in place
// on a stream buffer: it lets its input (the node it pulls from) work on the
// buffer first, then applies its own operation to the result. Nodes never own
// their inputs; the settings record owns every node of its graph.
#pragma once

#include <cstdint>

#include "host/HostContract.h"

class ProcessingNode {
  public:
    ProcessingNode() = default;
    ProcessingNode(const ProcessingNode&) = delete;
    ProcessingNode& operator=(const ProcessingNode&) = delete;

    // The virtual operations, in this order. A derived node's destructor
    // releases only its own sample arrays, never its inputs.
    virtual ~ProcessingNode() = default;
    virtual void SetFormat(const StreamFormat& format);
    // Runs the input (its status is not used), then Apply: 1 when Apply
    // returned non-zero, otherwise 0. The buffer's record is copied; its
    // samples are worked on in place.
    virtual int32_t Process(StreamBuffer buffer);
    virtual void Reset() {}
    virtual void Attach(ProcessingNode* node) { input_ = node; }
    virtual void Finish() {}
    virtual int32_t Apply(StreamBuffer buffer);

  protected:
    ProcessingNode* input_ = nullptr;  // not owned
    // From the stream format record, for nodes that need them; meaningful
    // only after SetFormat.
    uint32_t sampleRate_ = 0;
    uint32_t channelCount_ = 0;
};
