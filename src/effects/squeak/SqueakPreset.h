// The nine stored Squeak parameters and their way to and from a store.
#pragma once

#include <cstdint>

#include "effects/squeak/SqueakSettings.h"
#include "host/ParameterStore.h"

// In names-table order; every value is a stored unsigned 32-bit word.
struct SqueakStoredValues {
    uint32_t dryOut;
    uint32_t squeak;
    uint32_t frequency;
    uint32_t volR;
    uint32_t cutR;
    uint32_t holdCh;
    uint32_t invertL;
    uint32_t invertR;
    uint32_t disMain;
};

// Marks "Squeak", "Frequency", "VolR" and "CutR" as not stored before a read.
constexpr uint32_t kNotStored = 0xFFFFFFFF;

// Reads what the store holds into `values`; a value it lacks keeps what
// `values` held.
void ReadStoredValues(const ParameterStore& store, SqueakStoredValues& values);

// Writes all nine values; the load/save driver's result (0 only when a
// registry subkey could not be created or opened).
int32_t WriteStoredValues(const ParameterStore& store, const SqueakStoredValues& values);

// The working record's values as they are stored: percentages x 100 and
// rates truncated toward zero, flags unchanged.
SqueakStoredValues StoredValuesOf(const SqueakSettings& settings);
