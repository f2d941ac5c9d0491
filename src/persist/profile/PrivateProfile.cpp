// The Win32 private-profile functions over files: ProfileCalls on the file's
// text. Every call reads the file afresh, so edits made by others are always
// seen; every change is written with ReplaceFileBytes while holding the
// folder's write lock, so that concurrent writers lose nothing.
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>

#include "persist/common/FileBytes.h"
#include "persist/profile/ProfileCalls.h"

namespace platform {

namespace {

// The file's text; nothing when it cannot be read, or neither it nor its
// folder exists. A missing file in an existing folder reads as empty.
std::optional<ProfileText> LoadProfile(const char* fileName) {
    if (!fileName || !*fileName) return std::nullopt;
    const std::string path = ProfileFile(fileName);
    std::string bytes;
    const int error = ReadFileBytes(path, bytes);
    std::error_code ignored;
    if (error == 0 || (error == ENOENT && std::filesystem::is_directory(
                                              std::filesystem::path(path).parent_path(), ignored)))
        return std::optional<ProfileText>(std::in_place, std::move(bytes));  // parsed once
    return std::nullopt;
}

}  // namespace

std::string ProfileDirectory() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && config[0] == '/') return config;
    const char* home = std::getenv("HOME");
    if (home && home[0] != '\0') return std::string(home) + "/.config";
    return ".";
}

std::string ProfileFile(const char* fileName) {
    if (std::strchr(fileName, '/')) return fileName;
    return ProfileDirectory() + "/" + fileName;
}

DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultText, LPSTR buffer,
                               DWORD size, LPCSTR fileName) {
    if (!buffer || size == 0) return 0;
    const auto text = LoadProfile(fileName);
    return ProfileString(text ? &*text : nullptr, section, key, defaultText, buffer, size);
}

UINT GetPrivateProfileIntA(LPCSTR section, LPCSTR key, INT defaultValue, LPCSTR fileName) {
    const auto text = LoadProfile(fileName);
    return ProfileInt(text ? &*text : nullptr, section, key, defaultValue);
}

BOOL GetPrivateProfileStructA(LPCSTR section, LPCSTR key, LPVOID bytes, UINT size,
                              LPCSTR fileName) {
    const auto text = LoadProfile(fileName);
    return ProfileStruct(text ? &*text : nullptr, section, key, bytes, size);
}

BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR text, LPCSTR fileName) {
    if (!section || !fileName || !*fileName) return FALSE;
    if (!std::strchr(fileName, '/')) {
        std::error_code ignored;
        std::filesystem::create_directories(ProfileDirectory(), ignored);
    }
    const std::string path = ProfileFile(fileName);
    const FileWriteLock lock(path);
    std::string bytes;
    const int error = ReadFileBytes(path, bytes);
    if (error != 0 && error != ENOENT) return FALSE;

    ProfileText profile(std::move(bytes));
    // A deletion from a missing file still leaves an empty file behind.
    if (!EditProfile(profile, section, key, text) && error == 0) return TRUE;
    return ReplaceFileBytes(path, profile.Bytes()) == 0 ? TRUE : FALSE;
}

BOOL WritePrivateProfileStructA(LPCSTR section, LPCSTR key, LPVOID bytes, UINT size,
                                LPCSTR fileName) {
    if (!bytes) return WritePrivateProfileStringA(section, key, nullptr, fileName);
    return WritePrivateProfileStringA(section, key, ProfileStructText(bytes, size).c_str(),
                                      fileName);
}

}  // namespace platform
