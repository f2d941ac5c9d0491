// A test host for the built LV2 and LADSPA libraries: loads one, finds a
// plug-in through its descriptor function and drives it as a host does,
// with every port connected by the test.
#pragma once

#include <dlfcn.h>
#include <ladspa.h>
#include <lv2/core/lv2.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/SignalHost.h"

namespace direct {

enum class Standard { kLv2, kLadspa };

// Port indices of the stereo plug-ins: inputs, outputs, then the controls.
constexpr uint32_t kInLeft = 0, kInRight = 1, kOutLeft = 2, kOutRight = 3;
constexpr uint32_t kDryOut = 4, kVolume2 = 5, kCutOffFreq = 6;
constexpr uint32_t kSqueakDryOut = 4, kSqueakDepth = 5, kFrequency = 6, kVolR = 7, kCutR = 8,
                   kInvertL = 10;
constexpr uint32_t kHighPassControls = 3, kSqueakControls = 9;

struct LibraryCloser {
    void operator()(void* library) const { dlclose(library); }
};

// One plug-in instance, driven through its descriptor as a host drives it.
class DirectPlugin {
  public:
    // `uri` for LV2; the LADSPA label is the same name with '_' for '-'.
    DirectPlugin(Standard standard, const std::string& uri, double sampleRate) {
        const char* path = standard == Standard::kLv2 ? LV2_LIBRARY : LADSPA_LIBRARY;
        library_.reset(dlopen(path, RTLD_NOW | RTLD_LOCAL));
        if (!library_) throw std::runtime_error(dlerror());
        if (standard == Standard::kLv2) {
            const auto entry =
                reinterpret_cast<LV2_Descriptor_Function>(dlsym(library_.get(), "lv2_descriptor"));
            const LV2_Descriptor* d = nullptr;
            for (uint32_t i = 0; (d = entry(i)) != nullptr && uri != d->URI;) ++i;
            if (!d) throw std::runtime_error("no LV2 plug-in " + uri);
            entry_ = reinterpret_cast<const void*>(entry);
            handle_ = d->instantiate(d, sampleRate, "", nullptr);
            connect_ = [d](void* h, uint32_t port, float* data) { d->connect_port(h, port, data); };
            activate_ = [d](void* h) { d->activate(h); };
            run_ = [d](void* h, uint32_t frames) { d->run(h, frames); };
            cleanup_ = [d](void* h) { d->cleanup(h); };
        } else {
            std::string label = uri.substr(uri.rfind(':') + 1);
            for (char& c : label) c = c == '-' ? '_' : c;
            const auto entry = reinterpret_cast<LADSPA_Descriptor_Function>(
                dlsym(library_.get(), "ladspa_descriptor"));
            const LADSPA_Descriptor* d = nullptr;
            for (unsigned long i = 0; (d = entry(i)) != nullptr && label != d->Label;) ++i;
            if (!d) throw std::runtime_error("no LADSPA plug-in " + label);
            entry_ = reinterpret_cast<const void*>(entry);
            handle_ = d->instantiate(d, static_cast<unsigned long>(sampleRate));
            connect_ = [d](void* h, uint32_t port, float* data) { d->connect_port(h, port, data); };
            activate_ = [d](void* h) { d->activate(h); };
            run_ = [d](void* h, uint32_t frames) { d->run(h, frames); };
            cleanup_ = [d](void* h) { d->cleanup(h); };
        }
        if (!handle_) throw std::runtime_error("instantiate failed");
    }
    ~DirectPlugin() { cleanup_(handle_); }

    void Connect(uint32_t port, float* data) { connect_(handle_, port, data); }
    void Activate() { activate_(handle_); }
    void Run(uint32_t frames) { run_(handle_, frames); }
    // An address inside the library.
    const void* Entry() const { return entry_; }

  private:
    std::unique_ptr<void, LibraryCloser> library_;
    void* handle_ = nullptr;
    const void* entry_ = nullptr;
    std::function<void(void*, uint32_t, float*)> connect_;
    std::function<void(void*)> activate_;
    std::function<void(void*, uint32_t)> run_;
    std::function<void(void*)> cleanup_;
};

// Stereo audio as the host holds it: float arrays per channel.
struct Stereo {
    std::vector<float> left, right;
};

inline Stereo Noise(size_t frames) {
    Stereo s;
    for (double x : NoiseSignal(frames, 7)) s.left.push_back(static_cast<float>(x * 0.5));
    for (double x : NoiseSignal(frames, 8)) s.right.push_back(static_cast<float>(x * 0.5));
    return s;
}

inline std::vector<double> Widen(const std::vector<float>& x) {
    return {x.begin(), x.end()};
}

// A stereo plug-in with all its ports connected, run over `in` in runs of
// the given lengths; `change(frame)` may set controls before each run.
class StereoRun {
  public:
    StereoRun(Standard standard, const std::string& uri, double rate, uint32_t controls)
        : plugin_(standard, uri, rate), controls_(controls, std::nanf("")) {
        for (uint32_t i = 0; i < controls; ++i) plugin_.Connect(kOutRight + 1 + i, &controls_[i]);
    }
    float& operator[](uint32_t port) { return controls_[port - kOutRight - 1]; }
    DirectPlugin& Plugin() { return plugin_; }

    Stereo Process(const Stereo& in, const std::vector<uint32_t>& runs,
                   const std::function<void(size_t)>& change = {}) {
        Stereo out{std::vector<float>(in.left.size(), -9.0f),
                   std::vector<float>(in.right.size(), -9.0f)};
        plugin_.Activate();
        size_t done = 0;
        for (uint32_t frames : runs) {
            if (change) change(done);
            plugin_.Connect(kInLeft, const_cast<float*>(in.left.data() + done));
            plugin_.Connect(kInRight, const_cast<float*>(in.right.data() + done));
            plugin_.Connect(kOutLeft, out.left.data() + done);
            plugin_.Connect(kOutRight, out.right.data() + done);
            plugin_.Run(frames);
            done += frames;
        }
        return out;
    }

  private:
    DirectPlugin plugin_;
    std::vector<float> controls_;
};

}  // namespace direct
