#include "effects/squeak/SqueakPreset.h"

#include "effects/Conversions.h"

using Stored = StoredParameters<kSqueakParameters>;

void ReadStoredValues(const ParameterStore& store, SqueakStoredValues& values) {
    Stored::Read(store, values);
}

int32_t WriteStoredValues(const ParameterStore& store, const SqueakStoredValues& values) {
    return Stored::Write(store, values);
}

SqueakStoredValues StoredValuesOf(const SqueakSettings& s) {
    using P = SqueakParameter;
    SqueakStoredValues v{};
    v[P::kDryOut] = TruncateToUint32(s.dryGain * 100.0);
    v[P::kSqueak] = TruncateToUint32(s.squeakLeft * 100.0);
    v[P::kFrequency] = TruncateToUint32(s.rateLeft);
    v[P::kVolR] = TruncateToUint32(s.squeakRight * 100.0);
    v[P::kCutR] = TruncateToUint32(s.rateRight);
    v[P::kHoldCh] = s.holdCh;
    v[P::kInvertL] = s.invertLeft;
    v[P::kInvertR] = s.invertRight;
    v[P::kDisMain] = s.disMain;
    return v;
}
