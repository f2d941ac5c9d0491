// The Plugin library gives the same samples on every platform: each render
// below is compared with the fingerprint of the native Linux library's
// output, which this test checks just the same in the native build. The
// pairs of rate and cutoff are ones where the C libraries' tan (glibc's,
// Wine's msvcrt) disagree in the last bit.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "host/PluginLibrary.h"
#include "support/ScratchStore.h"
#include "support/SignalHost.h"

namespace {

struct Render {
    uint32_t sampleRate;
    uint32_t cutOffFreq;
    uint64_t fingerprint;  // of the native library's output
};

constexpr Render kRenders[] = {
    {44100, 562, 0x4bbb367a1c8ccfff},  {44100, 563, 0x036918582af59c93},
    {44100, 613, 0xcc5a0a79921ffc8b},  {44100, 655, 0xf720da0fc923f77f},
    {48000, 8000, 0xd9b2c6e835a30134}, {96000, 40, 0xba6b5089d4ebd762},
};

// FNV-1a over the bytes of every sample, left channel first.
uint64_t Fingerprint(const std::vector<double>& left, const std::vector<double>& right) {
    uint64_t hash = 14695981039346656037u;
    for (const std::vector<double>* channel : {&left, &right}) {
        for (double sample : *channel) {
            unsigned char bytes[sizeof sample];
            std::memcpy(bytes, &sample, sizeof sample);
            for (unsigned char b : bytes) hash = (hash ^ b) * 1099511628211u;
        }
    }
    return hash;
}

// 200,000 stereo frames of noise through a record loaded from a profile
// file, pulled in requests of 65536 frames.
uint64_t RenderFingerprint(const PluginLibrary& lib, const Render& render) {
    ScratchStore store(StoreKind::kProfile);
    store.PutWord("DryOut", 8191);
    store.PutWord("Volume2", 32767);
    store.PutWord("CutOffFreq", render.cutOffFreq);
    SettingsHandle settings = store.Initialize(lib);

    constexpr size_t kFrames = 200000;
    SignalSource source(NoiseSignal(kFrames, 1), NoiseSignal(kFrames, 2));
    std::vector<double> left(kFrames), right(kFrames);
    EXPECT_EQ(lib.SetStreamCallBack(&SignalSource::Callback, &source, settings), 1);
    const StreamFormat format{0, 2, render.sampleRate};
    EXPECT_EQ(lib.OpenStream(settings, &format), 1);
    for (size_t at = 0; at < kFrames; at += 65536) {
        const auto count = static_cast<uint32_t>(std::min<size_t>(65536, kFrames - at));
        StreamBuffer buffer{count, left.data() + at, right.data() + at};
        EXPECT_EQ(lib.ProcessStream(&buffer, settings), count);
    }
    lib.CloseStream(settings);
    lib.Free(settings);
    return Fingerprint(left, right);
}

}  // namespace

TEST(SameSamples, RendersMatchTheNativeLibrary) {
    const PluginLibrary lib(HIGHPASS_LIBRARY);
    for (const Render& render : kRenders) {
        EXPECT_EQ(RenderFingerprint(lib, render), render.fingerprint)
            << render.sampleRate << " Hz, cutoff " << render.cutOffFreq << " Hz";
    }
}
