// The private-profile calls on a profile file's text in memory: all that
// PrivateProfile.cpp does between reading a file and writing it back, so
// that the reading and editing rules can be exercised without files. A
// null `text` stands for a file that is missing or cannot be read. Arguments
// and results are those of the Win32 function of the same name.
#pragma once

#include <string>

#include "persist/common/Platform.h"
#include "persist/profile/ProfileText.h"

namespace platform {

DWORD ProfileString(const ProfileText* text, LPCSTR section, LPCSTR key, LPCSTR defaultText,
                    LPSTR buffer, DWORD size);
UINT ProfileInt(const ProfileText* text, LPCSTR section, LPCSTR key, INT defaultValue);
BOOL ProfileStruct(const ProfileText* text, LPCSTR section, LPCSTR key, LPVOID bytes, UINT size);

// The edit WritePrivateProfileStringA makes (`section` not null): sets the
// key, or with a null `value` deletes it, or with a null `key` deletes the
// section. Returns whether the text changed.
bool EditProfile(ProfileText& text, LPCSTR section, LPCSTR key, LPCSTR value);

// The text WritePrivateProfileStructA stores for `size` bytes: two
// upper-case hexadecimal digits per byte, then the checksum byte, the sum of
// the bytes modulo 256.
std::string ProfileStructText(const void* bytes, UINT size);

}  // namespace platform
