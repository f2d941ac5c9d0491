// What LV2 and LADSPA hosts are told about the plug-ins: each effect in a
// stereo and a mono version, with one control input port per stored
// parameter (its effect's parameter table) whose value is the stored 32-bit
// word itself. The LV2 Turtle files, the LADSPA descriptors and their RDF
// metadata are all made from these tables.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>

#include "effects/highpass/HighPassParameters.h"
#include "effects/squeak/SqueakParameters.h"

enum class Effect { kHighPass, kSqueak };

// Port indices: the audio inputs, the audio outputs, the controls in
// names-table order, and, in the LV2 plug-ins only, the bypass switch.
struct PluginDescription {
    Effect effect;
    uint32_t channels;  // 1 or 2
    const char* uri;
    const char* name;  // the LV2 plug-in's; the LADSPA one's adds kLadspaSuffix
    // A class that LV2 and the LADSPA RDF schema both name so.
    const char* pluginClass;
    const char* turtleFile;  // its description in the bundle
    const char* ladspaLabel;
    unsigned long ladspaId;
    const char* comment;
    std::span<const ParameterDescription> controls;

    uint32_t FirstControl() const { return 2 * channels; }
    // The LADSPA plug-in's ports, and the LV2 one's but for the last.
    uint32_t PortCount() const { return FirstControl() + static_cast<uint32_t>(controls.size()); }
    uint32_t EnabledPort() const { return PortCount(); }
};

// A host that lists both formats shows the two versions of an effect under
// different names.
inline constexpr char kLadspaSuffix[] = " (LADSPA)";

// The longest control list.
constexpr uint32_t kMaxControls =
    static_cast<uint32_t>(std::max(kHighPassParameters.size(), kSqueakParameters.size()));

inline constexpr char kHighPassComment[] =
    "Dry gain x input + filtered gain x second-order Butterworth high-pass(input).";
inline constexpr char kSqueakComment[] =
    "Square-wave amplitude modulation: each channel's gain switches between a dry level and the "
    "dry level plus a squeak depth.";

// LADSPA IDs: no registry hands out ranges any more; this block, from the
// vendor's initials (0x4B4C, "KL"), lies far above the ranges it once gave
// out and below the 0x1000000 hosts may assume.
inline constexpr std::array<PluginDescription, 4> kPlugins{{
    {Effect::kHighPass, 2, "urn:kelvora:high-pass", "High Pass Filter", "HighpassPlugin",
     "high-pass.ttl", "high_pass", 0x4B4C01, kHighPassComment, kHighPassParameters},
    {Effect::kHighPass, 1, "urn:kelvora:high-pass-mono", "High Pass Filter (Mono)",
     "HighpassPlugin", "high-pass-mono.ttl", "high_pass_mono", 0x4B4C02, kHighPassComment,
     kHighPassParameters},
    {Effect::kSqueak, 2, "urn:kelvora:squeak", "Squeak", "ModulatorPlugin", "squeak.ttl", "squeak",
     0x4B4C03, kSqueakComment, kSqueakParameters},
    {Effect::kSqueak, 1, "urn:kelvora:squeak-mono", "Squeak (Mono)", "ModulatorPlugin",
     "squeak-mono.ttl", "squeak_mono", 0x4B4C04, kSqueakComment, kSqueakParameters},
}};

// Symbol and name of audio port `index` (below FirstControl()).
const char* AudioPortSymbol(const PluginDescription& plugin, uint32_t index);
const char* AudioPortName(const PluginDescription& plugin, uint32_t index);
bool IsAudioInput(const PluginDescription& plugin, uint32_t index);

// Whether the control changes the sound of this plug-in: some parameters
// are only stored, and a right-channel one does nothing in a mono plug-in.
bool IsAudible(const PluginDescription& plugin, const ParameterDescription& port);

constexpr bool IsToggle(const ParameterDescription& port) {
    return port.unit == ParameterUnit::kSwitch;
}

// The stored word a control value stands for: NaN gives the default, any
// other value is clamped to the port's range; a toggle is 1 above 0 and 0
// otherwise, an integer is rounded to the nearest (halves away from zero).
uint32_t StoredValueOf(const ParameterDescription& port, float value);
