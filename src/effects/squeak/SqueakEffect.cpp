#include "effects/squeak/SqueakEffect.h"

#include <memory>
#include <new>
#include <utility>

#include "effects/Conversions.h"
#include "effects/squeak/SqueakPreset.h"
#include "effects/squeak/SqueakProcess.h"
#include "host/PullFrame.h"

namespace {

constexpr double kPercent = 0.01;

// Defaults and not-stored marks, read, then the marks resolved: the right
// channel follows the left one when it has no values of its own.
SqueakStoredValues LoadStoredValues(const ParameterStore& store) {
    SqueakStoredValues v = PresetsOf(kSqueakParameters);
    ReadStoredValues(store, v);
    ResolveDefaults(kSqueakParameters, v);
    return v;
}

// The working values of the stored ones; the stream timing is left alone.
void ConvertStoredValues(const SqueakStoredValues& v, SqueakSettings& s) {
    using P = SqueakParameter;
    s.dryGain = static_cast<double>(v[P::kDryOut]) * kPercent;
    s.squeakLeft = static_cast<double>(v[P::kSqueak]) * kPercent;
    s.squeakRight = static_cast<double>(v[P::kVolR]) * kPercent;
    s.rateLeft = static_cast<double>(v[P::kFrequency]);
    s.rateRight = static_cast<double>(v[P::kCutR]);
    s.holdCh = v[P::kHoldCh];
    s.invertLeft = v[P::kInvertL];
    s.invertRight = v[P::kInvertR];
    s.disMain = v[P::kDisMain];
}

void ApplyStoredValues(const SqueakStoredValues& v, SqueakSettings& s) {
    ConvertStoredValues(v, s);
    s.periodLeft = s.periodRight = SqueakSettings::kStartPeriod;
    s.dryPhaseLeft = s.dryPhaseRight = 0;
    s.positionLeft = s.positionRight = 0;
}

// Samples per phase; 0 for a rate of 0 or one above the sample rate.
uint32_t PeriodOf(uint32_t sampleRate, double rate) {
    return TruncateToUint32(static_cast<double>(sampleRate) / rate);
}

struct StreamBlockDeleter {
    void operator()(StreamBuffer* block) const {
        delete[] block->left;
        delete[] block->right;
        delete block;
    }
};
using StreamBlock = std::unique_ptr<StreamBuffer, StreamBlockDeleter>;

StreamBlock MakeStreamBlock(bool stereo) {
    StreamBlock block(new (std::nothrow) StreamBuffer{});
    if (!block) return nullptr;
    block->count = SqueakEffect::kStreamBlockLength;
    block->left = new (std::nothrow) double[SqueakEffect::kStreamBlockLength];
    if (stereo) block->right = new (std::nothrow) double[SqueakEffect::kStreamBlockLength];
    if (!block->left || (stereo && !block->right)) return nullptr;
    return block;
}

}  // namespace

SqueakSettings* SqueakEffect::Create(const ParameterStore& store) {
    const SqueakStoredValues values = LoadStoredValues(store);
    auto* settings = new (std::nothrow) SqueakSettings{};
    if (settings) ApplyStoredValues(values, *settings);
    return settings;
}

SqueakSettings* SqueakEffect::LoadPreset(const ParameterStore& store, SqueakSettings* current) {
    if (current) ApplyStoredValues(LoadStoredValues(store), *current);
    return current;
}

int32_t SqueakEffect::Save(const ParameterStore& store, const SqueakSettings& settings) {
    return WriteStoredValues(store, StoredValuesOf(settings));
}

SqueakSettings* SqueakEffect::Copy(const SqueakSettings& source) {
    auto* copy = new (std::nothrow) SqueakSettings(source);
    if (copy) {
        copy->streamCallback = nullptr;
        copy->callbackUser = nullptr;
        copy->streamBlock = nullptr;
    }
    return copy;
}

void SqueakEffect::Free(SqueakSettings* settings) {
    if (!settings) return;
    CloseStream(*settings);
    delete settings;
}

bool SqueakEffect::OpenStream(SqueakSettings& s, const StreamFormat& format) {
    CloseStream(s);
    s.periodLeft = PeriodOf(format.sampleRate, s.rateLeft);
    s.periodRight = PeriodOf(format.sampleRate, s.rateRight);
    s.streamBlock = MakeStreamBlock(format.channelCount == 2).release();
    return s.streamBlock != nullptr;
}

void SqueakEffect::Retune(SqueakSettings& s, const SqueakStoredValues& values,
                          uint32_t sampleRate) {
    ConvertStoredValues(values, s);
    s.periodLeft = PeriodOf(sampleRate, s.rateLeft);
    s.periodRight = PeriodOf(sampleRate, s.rateRight);
}

void SqueakEffect::CloseStream(SqueakSettings& s) {
    StreamBlock released(std::exchange(s.streamBlock, nullptr));
}

uint32_t SqueakEffect::ProcessStream(StreamBuffer& request, SqueakSettings& s) {
    return RunPullFrame<kChunkLimit>(&request, [&s](StreamBuffer* chunk) -> uint32_t {
        // Checked for every chunk: a callback that calls back into the
        // record may have closed the stream or removed itself, which ends
        // the request.
        if (!s.streamBlock || !s.streamCallback) return 0;
        // The callback must leave the record alone; work on what was asked.
        const StreamBuffer asked = *chunk;
        s.streamBlock->count = asked.count;
        const uint32_t delivered = PullInput(s.streamCallback, s.callbackUser, chunk);
        if (!s.streamBlock) return 0;
        if (delivered != 0) ProcessSqueak(asked, delivered, s);
        return delivered;
    });
}
