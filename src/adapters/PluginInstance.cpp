#include "adapters/PluginInstance.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>

void PluginInstance::ConnectPort(uint32_t port, float* data) noexcept {
    const uint32_t channels = plugin_.channels;
    if (port < channels) {
        inputs_[port] = data;
    } else if (port < 2 * channels) {
        outputs_[port - channels] = data;
    } else if (port < plugin_.PortCount()) {
        controls_[port - plugin_.FirstControl()] = data;
    }
}

void PluginInstance::ReadControls() {
    std::array<uint32_t, kMaxControls> stored{};
    for (size_t i = 0; i < plugin_.controls.size(); ++i) {
        const ControlPort& port = plugin_.controls[i];
        stored[i] = StoredValueOf(port, controls_[i] ? *controls_[i] : port.defaultValue);
    }
    if (tuned_ && stored == stored_) return;
    stored_ = stored;
    tuned_ = true;
    Retune(stored_.data());
}

void PluginInstance::Run(uint32_t frames) noexcept {
    ReadControls();
    const uint32_t channels = plugin_.channels;
    for (uint32_t done = 0; done < frames;) {
        const uint32_t count = std::min(frames - done, kBlockLength);
        // The whole block is read before any of it is written, so an output
        // may share its buffer with an input. An unconnected input is silent.
        for (uint32_t c = 0; c < channels; ++c) {
            const float* in = inputs_[c];
            for (uint32_t i = 0; i < count; ++i) samples_[c][i] = in ? in[done + i] : 0.0;
        }
        Process({count, samples_[0], channels == 2 ? samples_[1] : nullptr});
        for (uint32_t c = 0; c < channels; ++c) {
            float* out = outputs_[c];
            if (!out) continue;
            for (uint32_t i = 0; i < count; ++i) out[done + i] = static_cast<float>(samples_[c][i]);
        }
        done += count;
    }
}
