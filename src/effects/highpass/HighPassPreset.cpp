#include "effects/highpass/HighPassPreset.h"

#include "effects/Conversions.h"

void ReadStoredValues(const ParameterStore&, HighPassStoredValues&) {
    // No store is read yet: every value keeps its preset.
}

int32_t WriteStoredValues(const ParameterStore&, const HighPassStoredValues&) {
    return 1;
}

HighPassStoredValues StoredValuesOf(const HighPassSettings& s) {
    return {
        TruncateToUint32(s.dryGain * 32767.0),
        TruncateToUint32(s.wetGain * 32767.0),
        s.cutoff,
    };
}
