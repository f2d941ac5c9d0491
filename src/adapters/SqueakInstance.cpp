#include "adapters/SqueakInstance.h"

#include "effects/squeak/SqueakEffect.h"
#include "effects/squeak/SqueakProcess.h"

void SqueakInstance::Restart() {
    settings_.dryPhaseLeft = settings_.dryPhaseRight = 0;
    settings_.positionLeft = settings_.positionRight = 0;
}

void SqueakInstance::Retune(const uint32_t* stored) {
    const SqueakStoredValues values{stored[0], stored[1], stored[2], stored[3], stored[4],
                                    stored[5], stored[6], stored[7], stored[8]};
    SqueakEffect::Retune(settings_, values, sampleRate_);
}

void SqueakInstance::Process(const StreamBuffer& block) {
    ProcessSqueak(block, block.count, settings_);
}
