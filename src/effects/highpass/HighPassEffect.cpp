#include "effects/highpass/HighPassEffect.h"

#include <memory>
#include <new>
#include <utility>

#include "effects/highpass/FanOutNode.h"
#include "effects/highpass/GainNode.h"
#include "effects/highpass/HighPassNode.h"
#include "effects/highpass/HighPassPreset.h"
#include "effects/highpass/MixNode.h"
#include "host/PullFrame.h"

namespace {

constexpr double kGainPerStep = 3.051850947599719e-05;  // the double nearest 1/32767

template <typename Node>
std::unique_ptr<Node> MakeNode() {
    return std::unique_ptr<Node>(new (std::nothrow) Node);
}

template <typename Node>
void Destroy(Node*& node) {
    delete std::exchange(node, nullptr);
}

// The longest tile the graph runs on: the four stereo pairs of arrays its
// passes walk (the host's, the mixer's scratch and sums, the fan-out's cache)
// take 16 KiB, so every pass after the first finds its samples in the
// first-level data cache.
constexpr uint32_t kTileLimit = 256;

// Equal tiles of at most kTileLimit samples when the count splits so into at
// most twice the fewest tiles; otherwise the whole count as one tile. Equal
// tiles keep the nodes' arrays at one size, so nothing is re-made between
// tiles or between chunks of the same count.
uint32_t TileLength(uint32_t count) {
    if (count <= kTileLimit) return count;
    const uint32_t fewest = (count + kTileLimit - 1) / kTileLimit;
    for (uint32_t tiles = fewest; tiles <= 2 * fewest; ++tiles) {
        if (count % tiles == 0) return count / tiles;
    }
    return count;
}

// The graph is causal and its fan-out's period ends with every pass of the
// root, so passes over consecutive tiles of a chunk give exactly the samples
// of one pass over the whole chunk.
void RunGraph(MixNode& root, const StreamBuffer& chunk) {
    const uint32_t tile = TileLength(chunk.count);
    uint32_t done = 0;
    do {
        root.Process({tile, chunk.left ? chunk.left + done : nullptr,
                      chunk.right ? chunk.right + done : nullptr});
        done += tile;
    } while (done < chunk.count);
}

}  // namespace

double HighPassEffect::GainOf(uint32_t stored) {
    return (static_cast<double>(stored) + 0.5) * kGainPerStep;
}

HighPassSettings* HighPassEffect::Create(const ParameterStore& store) {
    HighPassStoredValues values = DefaultsOf(kHighPassParameters);
    ReadStoredValues(store, values);
    auto* settings = new (std::nothrow) HighPassSettings{};
    if (settings) {
        settings->dryGain = GainOf(values[HighPassParameter::kDryOut]);
        settings->wetGain = GainOf(values[HighPassParameter::kVolume2]);
        settings->cutoff = values[HighPassParameter::kCutOffFreq];
    }
    return settings;
}

HighPassSettings* HighPassEffect::LoadPreset(const ParameterStore& store, HighPassSettings*) {
    return Create(store);
}

int32_t HighPassEffect::Save(const ParameterStore& store, const HighPassSettings& settings) {
    return WriteStoredValues(store, StoredValuesOf(settings));
}

HighPassSettings* HighPassEffect::Copy(const HighPassSettings& source) {
    auto* copy = new (std::nothrow) HighPassSettings(source);
    if (copy) {
        copy->dryNode = nullptr;
        copy->wetNode = nullptr;
        copy->mixNode = nullptr;
        copy->sourceNode = nullptr;
        copy->filterNode = nullptr;
    }
    return copy;
}

void HighPassEffect::Free(HighPassSettings* settings) {
    if (!settings) return;
    CloseStream(*settings);
    delete settings;
}

// The graph:  sourceNode (fan-out, period 2) ─┬─ dryNode (gain) ────────────┬─ mixNode
//                                             └─ filterNode ─ wetNode (gain) ┘
// The mixer runs the dry branch first, which refreshes the fan-out with the
// chunk; the wet branch then replays it, so both branches see the same input
// and the fan-out's counter is back at 0 after every chunk.
bool HighPassEffect::OpenStream(HighPassSettings& s, const StreamFormat& format) {
    CloseStream(s);
    auto source = MakeNode<FanOutNode>();
    auto dry = MakeNode<GainNode>();
    auto wet = MakeNode<GainNode>();
    auto mix = MakeNode<MixNode>();
    auto filter = MakeNode<HighPassNode>();
    if (!source || !dry || !wet || !mix || !filter) return false;

    source->period = 2;
    dry->gain = s.dryGain;
    dry->Attach(source.get());
    filter->cutoff = static_cast<int32_t>(s.cutoff);
    filter->Attach(source.get());
    wet->gain = s.wetGain;
    wet->Attach(filter.get());
    mix->Attach(dry.get());
    mix->Attach(wet.get());

    dry->Reset();
    dry->SetFormat(format);
    filter->SetFormat(format);

    s.sourceNode = source.release();
    s.dryNode = dry.release();
    s.wetNode = wet.release();
    s.mixNode = mix.release();
    s.filterNode = filter.release();
    return true;
}

void HighPassEffect::CloseStream(HighPassSettings& s) {
    Destroy(s.dryNode);
    Destroy(s.wetNode);
    Destroy(s.mixNode);
    Destroy(s.sourceNode);
    Destroy(s.filterNode);
}

uint32_t HighPassEffect::ProcessStream(StreamBuffer& request, HighPassSettings& s) {
    return RunPullFrame<kChunkLimit>(&request, [&s](StreamBuffer* chunk) -> uint32_t {
        // Checked for every chunk: a callback that calls back into the
        // record may have closed the stream or removed itself, which ends
        // the request.
        if (!s.mixNode || !s.streamCallback) return 0;
        // The callback must leave the record alone; run what was asked.
        const StreamBuffer asked = *chunk;
        const uint32_t delivered = PullInput(s.streamCallback, s.callbackUser, chunk);
        if (!s.mixNode) return 0;
        RunGraph(*s.mixNode, asked);
        return delivered;
    });
}
