// The high-pass effect behind the thirteen entry points: output = dry gain ×
// input + wet gain × high-pass(input), run through a graph of processing
// nodes.
#pragma once

#include <cstdint>

#include "effects/highpass/HighPassSettings.h"
#include "host/ParameterStore.h"

struct HighPassEffect {
    using Settings = HighPassSettings;
    static constexpr const char* kName = "High Pass Filter";
    static constexpr bool kSetsFlagWord = true;
    static constexpr uint32_t kChunkLimit = 16384;

    // The working gain of a stored "DryOut" or "Volume2": (v + 0.5) ×
    // 3.051850947599719e-05 (the double nearest 1/32767), so the default
    // 32767 gives 1.000015259254738 and 0 gives no silence.
    static double GainOf(uint32_t stored);

    // A new record from the stored values (defaults 32767, 32767, 100), the
    // gains by GainOf; null when there is no memory.
    static HighPassSettings* Create(const ParameterStore& store);
    // Like Create: a new record for the handle variable. The record it held
    // is neither read nor released, since a host may still hold it and free
    // it itself.
    static HighPassSettings* LoadPreset(const ParameterStore& store, HighPassSettings* current);
    static int32_t Save(const ParameterStore& store, const HighPassSettings& settings);
    // A copy with gains, cutoff, callback and user value, but no stream.
    static HighPassSettings* Copy(const HighPassSettings& source);
    // Destroys an open graph, then the record.
    static void Free(HighPassSettings* settings);
    // Builds, wires and formats the effect graph from the record's gains and
    // cutoff as they are now. A graph the record still holds is released
    // first. False, with no graph at all, when there is no memory.
    static bool OpenStream(HighPassSettings& settings, const StreamFormat& format);
    // Destroys the graph, if any.
    static void CloseStream(HighPassSettings& settings);
    // The pull frame with chunks of 16384 samples, each chunk run whole
    // through the graph whatever the callback delivered (the filter advances
    // over all of it), in equal tiles that stay in the first-level cache
    // where the count allows; 0 without an open stream or callback. A callback that
    // closes the stream or removes itself ends the request before its own
    // chunk is processed.
    static uint32_t ProcessStream(StreamBuffer& request, HighPassSettings& settings);
};
