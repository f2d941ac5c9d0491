// A plug-in that loads and opens its stream like any other, then breaks
// down: every sample it returns is not a number.
#include <cmath>

#include "host/HostContract.h"
#include "host/ParameterStore.h"

struct BrokenEffect {
    struct Settings {
        StreamCallback streamCallback = nullptr;
        void* callbackUser = nullptr;
    };
    static constexpr const char* kName = "Broken";
    static constexpr bool kSetsFlagWord = false;

    static Settings* Create(const ParameterStore&) { return new Settings; }
    static Settings* LoadPreset(const ParameterStore&, Settings*) { return new Settings; }
    static int32_t Save(const ParameterStore&, const Settings&) { return 1; }
    static Settings* Copy(const Settings& source) { return new Settings(source); }
    static void Free(Settings* settings) { delete settings; }
    static bool OpenStream(Settings&, const StreamFormat&) { return true; }
    static void CloseStream(Settings&) {}
    static uint32_t ProcessStream(StreamBuffer& buffer, Settings& settings) {
        const uint32_t ready = settings.streamCallback(settings.callbackUser, &buffer);
        for (uint32_t i = 0; i < ready; ++i) buffer.left[i] = NAN;
        return ready;
    }
};

using ExportedEffect = BrokenEffect;
#include "host/EntryPoints.h"
