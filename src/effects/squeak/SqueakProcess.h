// The Squeak sound: a per-channel square-wave amplitude modulation.
#pragma once

#include <cstdint>

#include "effects/squeak/SqueakSettings.h"

// Rewrites samples [0, count) of the chunk's left array, and of its right
// array when present, and advances the record's phase state. count >= 1.
void ProcessSqueak(const StreamBuffer& chunk, uint32_t count, SqueakSettings& settings);
