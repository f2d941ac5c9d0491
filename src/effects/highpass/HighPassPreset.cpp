#include "effects/highpass/HighPassPreset.h"

#include "effects/Conversions.h"

using Stored = StoredParameters<kHighPassParameters>;

void ReadStoredValues(const ParameterStore& store, HighPassStoredValues& values) {
    Stored::Read(store, values);
}

int32_t WriteStoredValues(const ParameterStore& store, const HighPassStoredValues& values) {
    return Stored::Write(store, values);
}

HighPassStoredValues StoredValuesOf(const HighPassSettings& s) {
    HighPassStoredValues v{};
    v[HighPassParameter::kDryOut] = TruncateToUint32(s.dryGain * 32767.0);
    v[HighPassParameter::kVolume2] = TruncateToUint32(s.wetGain * 32767.0);
    v[HighPassParameter::kCutOffFreq] = s.cutoff;
    return v;
}
