#include "effects/squeak/SqueakPreset.h"

#include "effects/Conversions.h"
#include "persist/ParameterDriver.h"

namespace {

constexpr const char* kNames[] = {"DryOut", "Squeak",  "Frequency", "VolR",   "CutR",
                                  "HoldCh", "InvertL", "InvertR",   "DisMain"};
constexpr const char* kSignature = "DWORD DWORD DWORD DWORD DWORD DWORD DWORD DWORD DWORD";

}  // namespace

void ReadStoredValues(const ParameterStore& store, SqueakStoredValues& v) {
    LoadParameters(store.profilePath, store.section, store.registryRoot, store.tree, kNames,
                   kSignature, &v.dryOut, &v.squeak, &v.frequency, &v.volR, &v.cutR, &v.holdCh,
                   &v.invertL, &v.invertR, &v.disMain);
}

int32_t WriteStoredValues(const ParameterStore& store, const SqueakStoredValues& values) {
    SqueakStoredValues v = values;
    return SaveParameters(store.profilePath, store.section, store.registryRoot, store.tree, kNames,
                          kSignature, &v.dryOut, &v.squeak, &v.frequency, &v.volR, &v.cutR,
                          &v.holdCh, &v.invertL, &v.invertR, &v.disMain);
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
