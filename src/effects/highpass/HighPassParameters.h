// The high-pass effect's stored parameters, in names-table order: the one
// description from which its presets, its plug-in ports and the guides'
// parameter sections are made.
#pragma once

#include <array>

#include "effects/ParameterTable.h"

inline constexpr std::array<ParameterDescription, 3> kHighPassParameters{{
    {"DryOut", "Dry level", 32767, DefaultRule::kFixed, nullptr, 0, 65534,
     ParameterUnit::kLevelStep, ParameterRole::kGain, false, false,
     "Level of the unfiltered (dry) sound: (value + 0.5) / 32767, so 32767 is full volume "
     "(0 dB), 16384 half (-6 dB), 3277 a tenth (-20 dB) and 0 practically silent (about "
     "-96 dB, never exactly zero). Values above 32767 amplify: 65534 is about +6 dB. Nothing "
     "limits the output: high levels can clip."},
    {"Volume2", "Filtered level", 32767, DefaultRule::kFixed, nullptr, 0, 65534,
     ParameterUnit::kLevelStep, ParameterRole::kGain, false, false,
     "Level of the filtered (wet) sound, on the same scale as the dry level."},
    {"CutOffFreq", "Cutoff", 100, DefaultRule::kFixed, nullptr, 1, 20000, ParameterUnit::kHertz,
     ParameterRole::kCutoff, true, false,
     "Cutoff frequency in Hz: where the filter has taken the sound down by 3 dB; below it "
     "the sound falls by 12 dB per octave. Typical: 40-80 for rumble and handling noise, "
     "100-150 for hum, 200-500 to thin out a voice. Above 5/11 of the sample rate (20045 Hz "
     "at 44.1 kHz) the filtered sound is silent and only the dry sound is heard."},
}};

struct HighPassParameter {
    static constexpr size_t kDryOut = IndexOf(kHighPassParameters, "DryOut");
    static constexpr size_t kVolume2 = IndexOf(kHighPassParameters, "Volume2");
    static constexpr size_t kCutOffFreq = IndexOf(kHighPassParameters, "CutOffFreq");
};
