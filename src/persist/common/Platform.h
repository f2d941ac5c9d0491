// The Win32 private-profile and registry calls that the profile-file and
// registry stores make, under their Win32 names in namespace `platform`.
//
// On Windows these are the real functions, types and constants of
// <windows.h>. Elsewhere they are this project's own re-implementation with
// the same names, argument lists, results and observable behaviour: profile
// files in the Win32 syntax (profile/PrivateProfile.cpp) and a registry kept
// as folders and value files below the folder that stands for the host's
// root key (registry/FileRegistry.cpp). Code written against this header is
// the same on both:
//
//     using namespace platform;              // once, in a source file
//     RootKey root(store.registryRoot);      // the host's RegistryRoot as an HKEY
//     HKEY key;
//     if (RegOpenKeyExA(root, section, 0, KEY_READ, &key) == ERROR_SUCCESS) ...
//
// Write the constants (ERROR_SUCCESS, KEY_READ, REG_NONE, ...) unqualified:
// on Windows they are macros, so `platform::ERROR_SUCCESS` does not compile
// there. Functions and types may be qualified or not.
#pragma once

#include "host/HostContract.h"

#ifdef _WIN32

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <winreg.h>

namespace platform {

using ::BOOL;
using ::BYTE;
using ::DWORD;
using ::HKEY;
using ::INT;
using ::LONG;
using ::LPBYTE;
using ::LPCSTR;
using ::LPDWORD;
using ::LPSECURITY_ATTRIBUTES;
using ::LPSTR;
using ::LPVOID;
using ::PHKEY;
using ::REGSAM;
using ::UINT;

using ::GetPrivateProfileIntA;
using ::GetPrivateProfileStringA;
using ::GetPrivateProfileStructA;
using ::WritePrivateProfileStringA;
using ::WritePrivateProfileStructA;

using ::RegCloseKey;
using ::RegCreateKeyExA;
using ::RegOpenKeyExA;
using ::RegQueryValueExA;
using ::RegSetValueExA;

}  // namespace platform

#else

#include <cstdint>
#include <string>

namespace platform {

// The Win32 names, as the system spells them.
// NOLINTBEGIN(readability-identifier-naming)

using BOOL = int;
using BYTE = uint8_t;
using DWORD = uint32_t;
using INT = int;
using LONG = int32_t;
using UINT = unsigned int;
using REGSAM = DWORD;
using LPBYTE = BYTE*;
using LPCSTR = const char*;
using LPSTR = char*;
using LPVOID = void*;
using LPDWORD = DWORD*;
using LPSECURITY_ATTRIBUTES = void*;

// An open key: the folder that holds it and the access it was opened with.
struct RegistryKey;
using HKEY = RegistryKey*;
using PHKEY = HKEY*;

constexpr BOOL FALSE = 0;
constexpr BOOL TRUE = 1;

constexpr LONG ERROR_SUCCESS = 0;
constexpr LONG ERROR_FILE_NOT_FOUND = 2;
constexpr LONG ERROR_ACCESS_DENIED = 5;
constexpr LONG ERROR_INVALID_HANDLE = 6;
constexpr LONG ERROR_OUTOFMEMORY = 14;
constexpr LONG ERROR_INVALID_PARAMETER = 87;
constexpr LONG ERROR_BAD_PATHNAME = 161;
constexpr LONG ERROR_MORE_DATA = 234;
constexpr LONG ERROR_NOACCESS = 998;
constexpr LONG ERROR_BADKEY = 1010;
constexpr LONG ERROR_CANTREAD = 1012;
constexpr LONG ERROR_CANTWRITE = 1013;
constexpr LONG ERROR_REGISTRY_CORRUPT = 1015;
constexpr LONG ERROR_KEY_DELETED = 1018;

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_MULTI_SZ = 7;

constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_READ = 0x20019;
constexpr REGSAM KEY_WRITE = 0x20006;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// The folder for profile files named without a folder (no '/'), standing in
// for the Windows directory: $XDG_CONFIG_HOME when it is an absolute path,
// else $HOME/.config, else the current folder. Created on the first write.
std::string ProfileDirectory();
// The file a profile name stands for: the name itself when it holds a '/',
// else the name in ProfileDirectory().
std::string ProfileFile(const char* fileName);

// Profile files. A name without '/' is looked up in ProfileDirectory().
UINT GetPrivateProfileIntA(LPCSTR section, LPCSTR key, INT defaultValue, LPCSTR fileName);
DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultText, LPSTR buffer,
                               DWORD size, LPCSTR fileName);
BOOL GetPrivateProfileStructA(LPCSTR section, LPCSTR key, LPVOID bytes, UINT size, LPCSTR fileName);
BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR text, LPCSTR fileName);
BOOL WritePrivateProfileStructA(LPCSTR section, LPCSTR key, LPVOID bytes, UINT size,
                                LPCSTR fileName);

// Registry. Handles come from RootKey, RegOpenKeyExA and RegCreateKeyExA.
LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result);
LONG RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR keyClass, DWORD options,
                     REGSAM access, LPSECURITY_ATTRIBUTES security, PHKEY result,
                     LPDWORD disposition);
LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                      LPDWORD size);
LONG RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type, const BYTE* data,
                    DWORD size);
LONG RegCloseKey(HKEY key);

// A new handle with full access to the key stored in `folder`; RegCloseKey
// releases it. Nothing is checked or created until the handle is used.
HKEY OpenFolderKey(const char* folder);

// NOLINTEND(readability-identifier-naming)

}  // namespace platform

#endif

namespace platform {

// The host's registry root as a key handle, for the duration of one load or
// save. On Windows it is the host's own HKEY, neither opened nor closed here;
// elsewhere a handle on the folder whose NUL-terminated path the host passed,
// released with this object. A null root gives a null HKEY.
class RootKey {
  public:
#ifdef _WIN32
    explicit RootKey(RegistryRoot root) : key_(static_cast<HKEY>(root)) {}
#else
    explicit RootKey(RegistryRoot root)
        : key_(root ? OpenFolderKey(static_cast<const char*>(root)) : nullptr) {}
    ~RootKey() {
        if (key_) RegCloseKey(key_);
    }
#endif
    RootKey(const RootKey&) = delete;
    RootKey& operator=(const RootKey&) = delete;

    operator HKEY() const {
        return key_;
    }

  private:
    HKEY key_;
};

}  // namespace platform
