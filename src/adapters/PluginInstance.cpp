#include "adapters/PluginInstance.h"

#include <algorithm>
#include <cmath>

#include "host/FlushToZero.h"

PluginInstance::PluginInstance(const PluginDescription& plugin, uint32_t sampleRate)
    : plugin_(plugin), sampleRate_(sampleRate), rampLength_(std::max(sampleRate / 64, 1u)) {
    processed_.Set(1.0);
}

void PluginInstance::ConnectPort(uint32_t port, float* data) noexcept {
    const uint32_t channels = plugin_.channels;
    if (port < channels) {
        inputs_[port] = data;
    } else if (port < 2 * channels) {
        outputs_[port - channels] = data;
    } else if (port < plugin_.PortCount()) {
        controls_[port - plugin_.FirstControl()] = data;
    } else if (port == plugin_.EnabledPort()) {
        enabled_ = data;
    }
}

void PluginInstance::Activate() noexcept {
    fresh_ = true;
    Restart();
}

void PluginInstance::ReadControls() {
    const bool atOnce = fresh_;
    fresh_ = false;
    std::array<uint32_t, kMaxControls> stored{};
    for (size_t i = 0; i < plugin_.controls.size(); ++i) {
        const ParameterDescription& port = plugin_.controls[i];
        stored[i] = controls_[i] ? StoredValueOf(port, *controls_[i]) : port.defaultValue;
    }
    if (atOnce || stored != stored_) {
        stored_ = stored;
        Retune(stored_.data(), atOnce);
    }
    // Enabled unless the switch is connected and off.
    const double processed = !enabled_ || !(*enabled_ <= 0.0f) ? 1.0 : 0.0;
    if (atOnce) {
        processed_.Set(processed);
    } else {
        processed_.Head(processed, rampLength_);
    }
}

void PluginInstance::Run(uint32_t frames) noexcept {
    const FlushToZero flush;
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
        WriteOutputs(done, count);
        done += count;
    }
}

void PluginInstance::WriteOutputs(uint32_t done, uint32_t count) {
    const bool fading = processed_.Moving();
    if (fading) {
        for (uint32_t i = 0; i < count; ++i) fade_[i] = processed_.Next();
    }
    for (uint32_t c = 0; c < plugin_.channels; ++c) {
        const float* in = inputs_[c];
        float* out = outputs_[c];
        if (!out) continue;
        const double* y = samples_[c];
        if (fading) {
            // Each input sample is read before its output is written.
            for (uint32_t i = 0; i < count; ++i) {
                const double x = in ? in[done + i] : 0.0;
                out[done + i] = static_cast<float>(fade_[i] * y[i] + (1.0 - fade_[i]) * x);
            }
        } else if (processed_.Target() == 1.0) {
            for (uint32_t i = 0; i < count; ++i) out[done + i] = static_cast<float>(y[i]);
        } else {
            for (uint32_t i = 0; i < count; ++i) out[done + i] = in ? in[done + i] : 0.0f;
        }
    }
}
