// Lets several branches share one source: the input runs once per `period`
// calls, on the node's own cached copy of the first call's samples, and every
// call of the period receives the samples that run produced, whatever its
// own buffer held.
#pragma once

#include "effects/highpass/ProcessingNode.h"
#include "effects/highpass/SampleArrays.h"

class FanOutNode : public ProcessingNode {
  public:
    // A refresh call (call counter 0) fits the cache to the buffer's count and
    // layout, copies the buffer into it, runs the input on the cache and
    // copies the result back. Every other call of the period is a replay: it
    // copies the cache into the buffer. A replay copies only what the cache
    // holds: samples beyond the cache's count, and a channel the cache lacks,
    // keep what the buffer held. Returns the status of the last refresh (1
    // without an input).
    int32_t Process(StreamBuffer buffer) override;

    // Calls served by one run of the input. With 0 or less the counter never
    // comes back to 0: the first call refreshes and all later ones replay.
    int32_t period = 0;

  private:
    int32_t callCounter_ = 0;
    SampleArrays cache_;
    int32_t cachedResult_ = 1;
};
