// The preset that the save-safety tests and their saver processes write: nine
// words under the Squeak names, each word telling which save wrote it, so
// that a reader can tell a whole preset from a mix of two.
#pragma once

#include <cstdint>
#include <string>

#include "host/HostContract.h"
#include "persist/ParameterDriver.h"

constexpr int kPresetWords = 9;
constexpr const char* kPresetNames[kPresetWords] = {
    "DryOut", "Squeak", "Frequency", "VolR", "CutR", "HoldCh", "InvertL", "InvertR", "DisMain"};
constexpr const char* kPresetSignature = "DWORD DWORD DWORD DWORD DWORD DWORD DWORD DWORD DWORD";
constexpr uint32_t kNotStored = 0xFFFFFFFF;

struct SavedPreset {
    uint32_t words[kPresetWords];

    // Save `save` of saver `saver`.
    static SavedPreset Of(uint32_t saver, uint32_t save) {
        SavedPreset p;
        for (int i = 0; i < kPresetWords; ++i) p.words[i] = saver * 100000 + save * 10 + i;
        return p;
    }

    // The save that wrote every word, or -1 when a word is missing or the
    // words come from different saves.
    long WholeSave() const {
        if (words[0] == kNotStored || words[0] % 10 != 0) return -1;
        for (int i = 1; i < kPresetWords; ++i) {
            if (words[i] != words[0] + i) return -1;
        }
        return static_cast<long>(words[0] / 10);
    }

    // Saves under the names with `prefix` in front, into `section`.
    int32_t Save(const char* profilePath, const char* section, RegistryRoot root,
                 const std::string& prefix = "") {
        const Names names(prefix);
        uint32_t* w = words;
        return SaveParameters(profilePath, section, root, nullptr, names.table, kPresetSignature,
                              &w[0], &w[1], &w[2], &w[3], &w[4], &w[5], &w[6], &w[7], &w[8]);
    }

    static SavedPreset Load(const char* profilePath, const char* section, RegistryRoot root,
                            const std::string& prefix = "") {
        const Names names(prefix);
        SavedPreset p;
        uint32_t* w = p.words;
        for (int i = 0; i < kPresetWords; ++i) w[i] = kNotStored;
        LoadParameters(profilePath, section, root, nullptr, names.table, kPresetSignature, &w[0],
                       &w[1], &w[2], &w[3], &w[4], &w[5], &w[6], &w[7], &w[8]);
        return p;
    }

  private:
    struct Names {
        std::string texts[kPresetWords];
        const char* table[kPresetWords];
        explicit Names(const std::string& prefix) {
            for (int i = 0; i < kPresetWords; ++i) {
                texts[i] = prefix + kPresetNames[i];
                table[i] = texts[i].c_str();
            }
        }
    };
};

// The names' prefix of save `save` of saver `saver`, which keeps the save
// apart from all others in one section or key.
inline std::string SavePrefix(unsigned saver, unsigned save) {
    return std::to_string(saver) + "-" + std::to_string(save) + "-";
}
