// Squeak's stored parameters, in names-table order: the one description
// from which its presets, its plug-in ports and the guides' parameter
// sections are made.
#pragma once

#include <array>

#include "effects/ParameterTable.h"

inline constexpr std::array<ParameterDescription, 9> kSqueakParameters{{
    {"DryOut", "Dry level", 30, DefaultRule::kFixed, nullptr, 0, 120, ParameterUnit::kPercent,
     ParameterRole::kGain, false, false,
     "Level of the dry phase, in percent of the input (30 is about -10 dB)."},
    {"Squeak", "Left depth", 80, DefaultRule::kMarked, nullptr, 0, 160, ParameterUnit::kPercent,
     ParameterRole::kGain, false, false,
     "Squeak depth of the left channel, in percent: added to the dry level in the squeak "
     "phase (30 + 80 = 110, slightly louder than the input), or subtracted from it when the "
     "channel is inverted."},
    {"Frequency", "Left rate", 60, DefaultRule::kMarked, nullptr, 0, 240,
     ParameterUnit::kPhaseChangesPerSecond, ParameterRole::kRate, false, false,
     "Switches per second on the left channel: each phase lasts sample rate / rate samples, "
     "so 60 makes 30 loud-and-quiet cycles a second. 0, or a rate above the sample rate, stops "
     "the switching at the squeak phase's level."},
    {"VolR", "Right depth", 80, DefaultRule::kFollows, "Squeak", 0, 160, ParameterUnit::kPercent,
     ParameterRole::kGain, false, true, "Squeak depth of the right channel, as the left one's."},
    {"CutR", "Right rate", 60, DefaultRule::kFollows, "Frequency", 0, 240,
     ParameterUnit::kPhaseChangesPerSecond, ParameterRole::kRate, false, true,
     "Switches per second on the right channel, as the left one's."},
    {"HoldCh", "HoldCh", 0, DefaultRule::kFixed, nullptr, 0, 1, ParameterUnit::kSwitch,
     ParameterRole::kStoredOnly, false, false,
     "Stored with the preset; does not change the sound."},
    {"InvertL", "Invert left", 0, DefaultRule::kFixed, nullptr, 0, 1, ParameterUnit::kSwitch,
     ParameterRole::kGain, false, false,
     "When on, the left channel's squeak phase subtracts the depth instead of adding it (30 - "
     "80 = -50: half level with inverted polarity)."},
    {"InvertR", "Invert right", 0, DefaultRule::kFixed, nullptr, 0, 1, ParameterUnit::kSwitch,
     ParameterRole::kGain, false, true, "The same for the right channel."},
    {"DisMain", "DisMain", 0, DefaultRule::kFixed, nullptr, 0, 1, ParameterUnit::kSwitch,
     ParameterRole::kStoredOnly, false, false,
     "Stored with the preset; does not change the sound."},
}};

struct SqueakParameter {
    static constexpr size_t kDryOut = IndexOf(kSqueakParameters, "DryOut");
    static constexpr size_t kSqueak = IndexOf(kSqueakParameters, "Squeak");
    static constexpr size_t kFrequency = IndexOf(kSqueakParameters, "Frequency");
    static constexpr size_t kVolR = IndexOf(kSqueakParameters, "VolR");
    static constexpr size_t kCutR = IndexOf(kSqueakParameters, "CutR");
    static constexpr size_t kHoldCh = IndexOf(kSqueakParameters, "HoldCh");
    static constexpr size_t kInvertL = IndexOf(kSqueakParameters, "InvertL");
    static constexpr size_t kInvertR = IndexOf(kSqueakParameters, "InvertR");
    static constexpr size_t kDisMain = IndexOf(kSqueakParameters, "DisMain");
};
