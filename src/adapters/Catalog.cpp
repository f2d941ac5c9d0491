#include "adapters/Catalog.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "effects/highpass/HighPassEffect.h"
#include "effects/squeak/SqueakEffect.h"

namespace {

// Hosts show each plug-in under the name its effect gives itself.
constexpr bool NamedAfterItsEffect(const PluginDescription& plugin) {
    const std::string_view effect =
        plugin.effect == Effect::kHighPass ? HighPassEffect::kName : SqueakEffect::kName;
    const std::string_view name = plugin.name;
    return plugin.channels == 2
               ? name == effect
               : name.starts_with(effect) && name.substr(effect.size()) == " (Mono)";
}
static_assert(std::all_of(kPlugins.begin(), kPlugins.end(), NamedAfterItsEffect));

struct AudioPort {
    const char* symbol;
    const char* name;
};
constexpr AudioPort kStereoAudio[] = {{"in_l", "Left input"},
                                      {"in_r", "Right input"},
                                      {"out_l", "Left output"},
                                      {"out_r", "Right output"}};
constexpr AudioPort kMonoAudio[] = {{"in", "Input"}, {"out", "Output"}};

const AudioPort& AudioPortOf(const PluginDescription& plugin, uint32_t index) {
    return plugin.channels == 2 ? kStereoAudio[index] : kMonoAudio[index];
}

}  // namespace

const char* AudioPortSymbol(const PluginDescription& plugin, uint32_t index) {
    return AudioPortOf(plugin, index).symbol;
}

const char* AudioPortName(const PluginDescription& plugin, uint32_t index) {
    return AudioPortOf(plugin, index).name;
}

bool IsAudioInput(const PluginDescription& plugin, uint32_t index) {
    return index < plugin.channels;
}

bool IsAudible(const PluginDescription& plugin, const ParameterDescription& port) {
    return port.role != ParameterRole::kStoredOnly && (!port.rightChannel || plugin.channels == 2);
}

uint32_t StoredValueOf(const ParameterDescription& port, float value) {
    if (std::isnan(value)) return port.defaultValue;
    value = std::fmin(std::fmax(value, static_cast<float>(port.minimum)),
                      static_cast<float>(port.maximum));
    if (IsToggle(port)) return value > 0.0f ? 1 : 0;
    return static_cast<uint32_t>(std::lround(value));
}
