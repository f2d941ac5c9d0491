// The nine stored Squeak parameters and their way to and from a store.
#pragma once

#include <cstdint>

#include "effects/squeak/SqueakParameters.h"
#include "effects/squeak/SqueakSettings.h"
#include "host/ParameterStore.h"

// In names-table order (SqueakParameter's indices); every value is a stored
// unsigned 32-bit word.
using SqueakStoredValues = StoredWords<kSqueakParameters.size()>;

// Reads what the store holds into `values`; a value it lacks keeps what
// `values` held.
void ReadStoredValues(const ParameterStore& store, SqueakStoredValues& values);

// Writes all nine values; the load/save driver's result (0 only when a
// registry subkey could not be created or opened).
int32_t WriteStoredValues(const ParameterStore& store, const SqueakStoredValues& values);

// The working record's values as they are stored: percentages x 100 and
// rates truncated toward zero, flags unchanged.
SqueakStoredValues StoredValuesOf(const SqueakSettings& settings);
