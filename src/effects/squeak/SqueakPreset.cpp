#include "effects/squeak/SqueakPreset.h"

#include "effects/Conversions.h"

void ReadStoredValues(const ParameterStore&, SqueakStoredValues&) {
    // No store is read yet: every value keeps its preset.
}

int32_t WriteStoredValues(const ParameterStore&, const SqueakStoredValues&) {
    return 1;
}

SqueakStoredValues StoredValuesOf(const SqueakSettings& s) {
    return {
        TruncateToUint32(s.dryGain * 100.0),
        TruncateToUint32(s.squeakLeft * 100.0),
        TruncateToUint32(s.rateLeft),
        TruncateToUint32(s.squeakRight * 100.0),
        TruncateToUint32(s.rateRight),
        s.holdCh,
        s.invertLeft,
        s.invertRight,
        s.disMain,
    };
}
