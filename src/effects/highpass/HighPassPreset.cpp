#include "effects/highpass/HighPassPreset.h"

#include "effects/Conversions.h"
#include "persist/ParameterDriver.h"

namespace {

constexpr const char* kNames[] = {"DryOut", "Volume2", "CutOffFreq"};
constexpr const char* kSignature = "DWORD DWORD DWORD";

}  // namespace

void ReadStoredValues(const ParameterStore& store, HighPassStoredValues& v) {
    LoadParameters(store.profilePath, store.section, store.registryRoot, store.tree, kNames,
                   kSignature, &v.dryOut, &v.volume2, &v.cutOffFreq);
}

int32_t WriteStoredValues(const ParameterStore& store, const HighPassStoredValues& values) {
    HighPassStoredValues v = values;
    return SaveParameters(store.profilePath, store.section, store.registryRoot, store.tree, kNames,
                          kSignature, &v.dryOut, &v.volume2, &v.cutOffFreq);
}

HighPassStoredValues StoredValuesOf(const HighPassSettings& s) {
    return {
        TruncateToUint32(s.dryGain * 32767.0),
        TruncateToUint32(s.wetGain * 32767.0),
        s.cutoff,
    };
}
