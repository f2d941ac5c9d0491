// Stored values that an effect cannot run with. plughost drives any library
// of the interface and knows nothing of its parameters but their names; for
// the effects of this project it knows where their filters stop working.
#pragma once

#include "plughost/Presets.h"

// Throws HostError(kUsage) when a record of `preset` holds a value the
// plug-in cannot use: for the High Pass Filter, a CutOffFreq below 1 (read
// as a signed number, as the filter does: 4294967295 is -1), for which it
// designs a filter whose output grows without bound.
void CheckUsable(const PluginLibrary& lib, const PresetSource& preset);
