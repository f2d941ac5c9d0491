// The Squeak settings record: one per host instance, owned by the library.
#pragma once

#include <cstdint>

#include "host/HostContract.h"

struct SqueakSettings {
    // Samples per phase until OpenStream computes them from the sample rate.
    static constexpr uint32_t kStartPeriod = 70;

    double dryGain = 0;      // "DryOut" x 0.01
    double squeakLeft = 0;   // "Squeak" x 0.01
    double squeakRight = 0;  // "VolR" x 0.01
    double rateLeft = 0;     // "Frequency": phase changes per second
    double rateRight = 0;    // "CutR"
    uint32_t periodLeft = kStartPeriod;
    uint32_t periodRight = kStartPeriod;
    uint32_t holdCh = 0;  // stored and copied; the processing does not use it
    uint32_t invertLeft = 0;
    uint32_t invertRight = 0;
    uint32_t disMain = 0;       // stored and copied; the processing does not use it
    uint32_t dryPhaseLeft = 0;  // 1 while the channel is in its dry phase
    uint32_t dryPhaseRight = 0;
    uint32_t positionLeft = 0;  // phase position counters, wrapping at 2^32
    uint32_t positionRight = 0;
    StreamCallback streamCallback = nullptr;
    void* callbackUser = nullptr;
    // Between OpenStream and CloseStream: count and two arrays of
    // kStreamBlockLength samples (the right one only for stereo formats).
    StreamBuffer* streamBlock = nullptr;
};
