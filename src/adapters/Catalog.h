// What LV2 and LADSPA hosts are told about the plug-ins: each effect in a
// stereo and a mono version, with one control input port per stored
// parameter whose value is the stored 32-bit word itself. The LV2 Turtle
// files and the LADSPA descriptors are both made from these tables.
#pragma once

#include <array>
#include <cstdint>
#include <span>

enum class ControlKind { kInteger, kToggle };
enum class ControlUnit { kNone, kHertz, kPhaseChangesPerSecond };
// Whether a control changes the sound: some parameters are only stored, and
// a right-channel parameter does nothing in a mono plug-in.
enum class Audible { kAlways, kStereoOnly, kNever };

struct ControlPort {
    const char* symbol;  // the stored parameter's name
    const char* name;    // what hosts show
    const char* comment;
    ControlKind kind;
    ControlUnit unit;
    float minimum;
    float maximum;
    float defaultValue;
    bool logarithmic;
    Audible audible;
};

enum class Effect { kHighPass, kSqueak };

// Port indices: the audio inputs, the audio outputs, then the controls in
// names-table order.
struct PluginDescription {
    Effect effect;
    uint32_t channels;  // 1 or 2
    const char* uri;
    const char* name;
    const char* lv2Class;    // a class of the lv2: namespace
    const char* turtleFile;  // its description in the bundle
    const char* ladspaLabel;
    unsigned long ladspaId;
    const char* comment;
    std::span<const ControlPort> controls;

    uint32_t FirstControl() const { return 2 * channels; }
    uint32_t PortCount() const { return FirstControl() + static_cast<uint32_t>(controls.size()); }
};

// The longest control list.
constexpr uint32_t kMaxControls = 9;

inline constexpr std::array<ControlPort, 3> kHighPassControls{{
    {"DryOut", "Dry level",
     "Gain of the unfiltered signal in steps of 1/32767: (value + 0.5) / 32767, so 32767 is "
     "unity and 65534 about +6 dB.",
     ControlKind::kInteger, ControlUnit::kNone, 0, 65534, 32767, false, Audible::kAlways},
    {"Volume2", "Filtered level", "Gain of the high-passed signal, in the steps of the dry level.",
     ControlKind::kInteger, ControlUnit::kNone, 0, 65534, 32767, false, Audible::kAlways},
    {"CutOffFreq", "Cutoff",
     "Cutoff frequency of the second-order Butterworth high-pass (its -3 dB point). A cutoff "
     "above 5/11 of the sample rate silences the filtered signal.",
     ControlKind::kInteger, ControlUnit::kHertz, 1, 20000, 100, true, Audible::kAlways},
}};

inline constexpr std::array<ControlPort, 9> kSqueakControls{{
    {"DryOut", "Dry level", "Gain of both channels in their dry phase, in percent.",
     ControlKind::kInteger, ControlUnit::kNone, 0, 120, 30, false, Audible::kAlways},
    {"Squeak", "Left depth",
     "Added to the dry level in the left channel's squeak phase (subtracted when inverted), in "
     "percent.",
     ControlKind::kInteger, ControlUnit::kNone, 0, 160, 80, false, Audible::kAlways},
    {"Frequency", "Left rate",
     "Phase changes per second of the left channel: its gain switches between the dry and the "
     "squeak phase every (sample rate / rate) samples, so 60 makes a 30 Hz square wave. 0 keeps "
     "the squeak phase.",
     ControlKind::kInteger, ControlUnit::kPhaseChangesPerSecond, 0, 240, 60, false,
     Audible::kAlways},
    {"VolR", "Right depth", "The right channel's squeak depth, as the left one's.",
     ControlKind::kInteger, ControlUnit::kNone, 0, 160, 80, false, Audible::kStereoOnly},
    {"CutR", "Right rate", "Phase changes per second of the right channel, as the left one's.",
     ControlKind::kInteger, ControlUnit::kPhaseChangesPerSecond, 0, 240, 60, false,
     Audible::kStereoOnly},
    {"HoldCh", "HoldCh", "Kept with presets; does not change the sound.", ControlKind::kToggle,
     ControlUnit::kNone, 0, 1, 0, false, Audible::kNever},
    {"InvertL", "Invert left", "Subtracts the depth from the dry level on the left channel.",
     ControlKind::kToggle, ControlUnit::kNone, 0, 1, 0, false, Audible::kAlways},
    {"InvertR", "Invert right", "Subtracts the depth from the dry level on the right channel.",
     ControlKind::kToggle, ControlUnit::kNone, 0, 1, 0, false, Audible::kStereoOnly},
    {"DisMain", "DisMain", "Kept with presets; does not change the sound.", ControlKind::kToggle,
     ControlUnit::kNone, 0, 1, 0, false, Audible::kNever},
}};

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
     "high-pass.ttl", "high_pass", 0x4B4C01, kHighPassComment, kHighPassControls},
    {Effect::kHighPass, 1, "urn:kelvora:high-pass-mono", "High Pass Filter (Mono)",
     "HighpassPlugin", "high-pass-mono.ttl", "high_pass_mono", 0x4B4C02, kHighPassComment,
     kHighPassControls},
    {Effect::kSqueak, 2, "urn:kelvora:squeak", "Squeak", "ModulatorPlugin", "squeak.ttl", "squeak",
     0x4B4C03, kSqueakComment, kSqueakControls},
    {Effect::kSqueak, 1, "urn:kelvora:squeak-mono", "Squeak (Mono)", "ModulatorPlugin",
     "squeak-mono.ttl", "squeak_mono", 0x4B4C04, kSqueakComment, kSqueakControls},
}};

// Symbol and name of audio port `index` (below FirstControl()).
const char* AudioPortSymbol(const PluginDescription& plugin, uint32_t index);
const char* AudioPortName(const PluginDescription& plugin, uint32_t index);
bool IsAudioInput(const PluginDescription& plugin, uint32_t index);

// Whether the control changes the sound of this plug-in.
bool IsAudible(const PluginDescription& plugin, const ControlPort& port);

// The stored word a control value stands for: NaN gives the default, any
// other value is clamped to the port's range; a toggle is 1 above 0 and 0
// otherwise, an integer is rounded to the nearest (halves away from zero).
uint32_t StoredValueOf(const ControlPort& port, float value);
