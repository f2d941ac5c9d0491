#include "adapters/HighPassInstance.h"

#include "effects/SampleLoops.h"
#include "effects/highpass/HighPassEffect.h"

HighPassInstance::HighPassInstance(const PluginDescription& plugin, uint32_t sampleRate)
    : PluginInstance(plugin, sampleRate),
      format_{0, static_cast<uint16_t>(plugin.channels), sampleRate} {
    filterNode_.cutoff = static_cast<int32_t>(plugin.controls[2].defaultValue);
    filterNode_.SetFormat(format_);
}

void HighPassInstance::Restart() {
    filterNode_.SetFormat(format_);
}

void HighPassInstance::Retune(const uint32_t* stored) {
    dryNode_.gain = HighPassEffect::GainOf(stored[0]);
    wetNode_.gain = HighPassEffect::GainOf(stored[1]);
    const auto cutoff = static_cast<int32_t>(stored[2]);
    if (cutoff != filterNode_.cutoff) filterNode_.Retune(cutoff);
}

void HighPassInstance::Process(const StreamBuffer& block) {
    const uint32_t count = block.count;
    const StreamBuffer wet{count, wet_[0], block.right ? wet_[1] : nullptr};
    CopySamples(block.left, wet.left, count);
    CopySamples(block.right, wet.right, count);
    dryNode_.Apply(block);
    filterNode_.Apply(wet);
    wetNode_.Apply(wet);
    AddToZero(block.left, block.left, count);
    AddToZero(block.right, block.right, count);
    AddSamples(wet.left, block.left, block.left, count);
    AddSamples(wet.right, block.right, block.right, count);
}
