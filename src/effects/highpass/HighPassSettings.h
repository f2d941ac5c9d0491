// The high-pass settings record: one per host instance, owned by the library.
#pragma once

#include <cstdint>

#include "host/HostContract.h"

class GainNode;
class MixNode;
class FanOutNode;
class HighPassNode;

struct HighPassSettings {
    double dryGain = 0;   // from the stored "DryOut"
    double wetGain = 0;   // from the stored "Volume2"
    uint32_t cutoff = 0;  // Hz, the stored "CutOffFreq" unchanged
    // The effect graph, owned, between OpenStream and CloseStream; all null
    // without an open stream.
    GainNode* dryNode = nullptr;
    GainNode* wetNode = nullptr;
    MixNode* mixNode = nullptr;  // the root
    FanOutNode* sourceNode = nullptr;
    HighPassNode* filterNode = nullptr;
    StreamCallback streamCallback = nullptr;
    void* callbackUser = nullptr;
};
