// The Squeak effect behind the thirteen entry points.
#pragma once

#include <cstdint>

#include "effects/squeak/SqueakPreset.h"
#include "effects/squeak/SqueakSettings.h"
#include "host/ParameterStore.h"

struct SqueakEffect {
    using Settings = SqueakSettings;
    static constexpr const char* kName = "Squeak";
    static constexpr bool kSetsFlagWord = false;
    static constexpr uint32_t kChunkLimit = 4096;
    static constexpr uint32_t kStreamBlockLength = 4096;

    // A new record loaded from the store; null when there is no memory.
    static SqueakSettings* Create(const ParameterStore& store);
    // Reloads `current` in place: parameters from the store, stream timing
    // back to its start values; callback and stream block are kept.
    static SqueakSettings* LoadPreset(const ParameterStore& store, SqueakSettings* current);
    static int32_t Save(const ParameterStore& store, const SqueakSettings& settings);
    // A copy with the source's phase state but no callback and no stream.
    static SqueakSettings* Copy(const SqueakSettings& source);
    // Releases the record and, unlike a bare record release, an open stream
    // block a host forgot to close.
    static void Free(SqueakSettings* settings);
    // Releases any open stream block, computes the periods from the sample
    // rate and allocates a new block; false (and no stream) without memory.
    static bool OpenStream(SqueakSettings& settings, const StreamFormat& format);
    // Takes new stored values (without not-stored marks) into a streaming
    // record, for hosts with live controls: the working values as a load
    // converts them and the periods for `sampleRate` as OpenStream computes
    // them, while the phase flags and position counters carry on.
    static void Retune(SqueakSettings& settings, const SqueakStoredValues& values,
                       uint32_t sampleRate);
    static void CloseStream(SqueakSettings& settings);
    // The pull frame with chunks of 4096 samples; 0 without an open stream or
    // callback. A callback that closes the stream or removes itself ends the
    // request before its own chunk is processed.
    static uint32_t ProcessStream(StreamBuffer& request, SqueakSettings& settings);
};
