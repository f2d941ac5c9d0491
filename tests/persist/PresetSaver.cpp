// A process that saves presets for the save-safety tests:
//
//     preset_saver profile FILE SAVER COUNT GO
//     preset_saver registry ROOT SAVER COUNT GO
//
// waits until the file GO exists (so that all savers start together), then
// makes COUNT saves of SavedPreset::Of(SAVER, i), each under names of its
// own into the section (or subkey) "All", and under the plain names into
// "Shared". ROOT is a folder, or on Windows a subkey of
// HKEY_CURRENT_USER. The exit code is the number of saves that returned 0.
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

#include "SavedPreset.h"
#include "persist/common/Platform.h"

int main(int argc, char** argv) {
    if (argc != 6) return 100;
    const bool profile = std::strcmp(argv[1], "profile") == 0;
    const unsigned saver = static_cast<unsigned>(std::atoi(argv[3]));
    const unsigned count = static_cast<unsigned>(std::atoi(argv[4]));
    while (!std::filesystem::exists(argv[5]))
        std::this_thread::sleep_for(std::chrono::milliseconds(1));

    const char* path = profile ? argv[2] : nullptr;
    RegistryRoot root = nullptr;
#ifdef _WIN32
    platform::HKEY key = nullptr;
    if (!profile) {
        if (RegOpenKeyExA(HKEY_CURRENT_USER, argv[2], 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
            return 101;
        root = key;
    }
#else
    if (!profile) root = argv[2];
#endif
    int failed = 0;
    for (unsigned i = 0; i < count; ++i) {
        SavedPreset preset = SavedPreset::Of(saver, i);
        failed += preset.Save(path, "All", root, SavePrefix(saver, i)) == 0;
        failed += preset.Save(path, "Shared", root) == 0;
    }
#ifdef _WIN32
    if (key) RegCloseKey(key);
#endif
    return failed;
}
