// The three stored high-pass parameters and their way to and from a store.
#pragma once

#include <cstdint>

#include "effects/highpass/HighPassParameters.h"
#include "effects/highpass/HighPassSettings.h"
#include "host/ParameterStore.h"

// In names-table order (HighPassParameter's indices); every value is a
// stored unsigned 32-bit word.
using HighPassStoredValues = StoredWords<kHighPassParameters.size()>;

// Reads what the store holds into `values`; a value it lacks keeps what
// `values` held.
void ReadStoredValues(const ParameterStore& store, HighPassStoredValues& values);

// Writes all three values; the load/save driver's result (0 only when a
// registry subkey could not be created or opened).
int32_t WriteStoredValues(const ParameterStore& store, const HighPassStoredValues& values);

// The record's values as they are stored: each gain × 32767.0 truncated
// toward zero, the cutoff unchanged. With the + 0.5 of the load conversion
// every stored word comes back as itself.
HighPassStoredValues StoredValuesOf(const HighPassSettings& settings);
