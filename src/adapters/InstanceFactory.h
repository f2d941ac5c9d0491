// Makes the instance of a catalogued plug-in: the one place that knows every
// effect's instance class.
#pragma once

#include "adapters/PluginInstance.h"

// Null for a sample rate that does not round to 1 .. 2^32 - 1, for one the
// effect cannot work at, or without memory.
PluginInstance* CreateInstance(const PluginDescription& plugin, double sampleRate) noexcept;
