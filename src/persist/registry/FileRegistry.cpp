// The Win32 registry functions over a tree of folders. The folder that the
// host names stands for its root key; a subkey is a folder below its parent
// key's folder, and a key's values live in the file ".values" in its folder
// (layout in RegistryValues.h), replaced as a whole on every change while
// holding the folder's write lock.
//
// Key names map to folder names as they are, except three bytes that a
// folder name cannot hold or that would clash with the value file: '%'
// becomes "%25", '/' becomes "%2F", and a leading '.' becomes "%2E". Lookups
// ignore ASCII case, so a key created as "section4" is found as "Section4";
// the folder keeps the case it was created with. A handle holds its folder's
// path; once the folder is gone, calls on the handle give ERROR_KEY_DELETED.
// Folder permissions play the part of key security: a key opened for
// reading needs a readable folder, one opened for writing a writable one.
#include <unistd.h>

#include <cerrno>
#include <new>
#include <string>
#include <vector>

#include "persist/common/AsciiCase.h"
#include "persist/common/FileBytes.h"
#include "persist/common/Platform.h"
#include "persist/registry/RegistryValues.h"

namespace platform {

struct RegistryKey {
    std::string folder;
    REGSAM access;
};

namespace {

constexpr const char* kValueFile = "/.values";

std::string FolderName(std::string_view keyName) {
    std::string name;
    for (char c : keyName) {
        if (c == '%') {
            name += "%25";
        } else if (c == '/') {
            name += "%2F";
        } else if (c == '.' && name.empty()) {
            name += "%2E";
        } else {
            name += c;
        }
    }
    return name;
}

// The key names of a subkey path; empty names (doubled or trailing '\')
// are skipped.
std::vector<std::string_view> SplitPath(const char* subKey) {
    std::vector<std::string_view> names;
    std::string_view path = subKey ? subKey : "";
    while (!path.empty()) {
        const size_t cut = std::min(path.find('\\'), path.size());
        if (cut > 0) names.push_back(path.substr(0, cut));
        path.remove_prefix(std::min(cut + 1, path.size()));
    }
    return names;
}

// The folder of the child key `name` of the key in `parent`, or "" when
// there is none. An exact match wins; among folders that differ only in
// case, the first in byte order.
std::string FindChild(const std::string& parent, std::string_view name) {
    const std::string folderName = FolderName(name);
    const std::string exact = parent + "/" + folderName;
    if (IsFolder(exact)) return exact;

    std::string found;
    std::vector<std::string> names;
    if (!ListFolder(parent, names)) return found;
    for (const std::string& entryName : names) {
        if (!EqualIgnoringAsciiCase(entryName, folderName)) continue;
        const std::string candidate = parent + "/" + entryName;
        if (IsFolder(candidate) && (found.empty() || candidate < found)) found = candidate;
    }
    return found;
}

LONG ErrorFromErrno(int error, LONG otherwise) {
    switch (error) {
        case 0:
            return ERROR_SUCCESS;
        case EACCES:
        case EPERM:
        case EROFS:
            return ERROR_ACCESS_DENIED;
        case ENOENT:
        case ENOTDIR:
            return ERROR_KEY_DELETED;
        default:
            return otherwise;
    }
}

LONG CheckAccess(const std::string& folder, REGSAM access) {
    int mode = 0;
    if (access & (KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS)) mode |= R_OK | X_OK;
    if (access & (KEY_SET_VALUE | KEY_CREATE_SUB_KEY)) mode |= W_OK | X_OK;
    return mode == 0 || FolderAllows(folder, mode) ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

LONG NewHandle(std::string folder, REGSAM access, PHKEY result) {
    *result = new (std::nothrow) RegistryKey{std::move(folder), access};
    return *result ? ERROR_SUCCESS : ERROR_OUTOFMEMORY;
}

// A key without a value file has no values yet; one whose folder is gone
// has been deleted. The folder is looked at only when the file is missing.
LONG LoadValues(const RegistryKey& key, RegistryValues& values) {
    std::string bytes;
    const int error = ReadFileBytes(key.folder + kValueFile, bytes);
    if (error == ENOENT) return IsFolder(key.folder) ? ERROR_SUCCESS : ERROR_KEY_DELETED;
    if (error != 0) return ErrorFromErrno(error, ERROR_CANTREAD);
    return values.Parse(bytes) ? ERROR_SUCCESS : ERROR_REGISTRY_CORRUPT;
}

}  // namespace

HKEY OpenFolderKey(const char* folder) {
    return new (std::nothrow) RegistryKey{folder, KEY_ALL_ACCESS};
}

LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, REGSAM access, PHKEY result) {
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    if (!key) return ERROR_INVALID_HANDLE;
    if (subKey && subKey[0] == '\\') return ERROR_BAD_PATHNAME;
    if (!IsFolder(key->folder)) return ERROR_KEY_DELETED;

    std::string folder = key->folder;
    for (std::string_view name : SplitPath(subKey)) {
        folder = FindChild(folder, name);
        if (folder.empty()) return ERROR_FILE_NOT_FOUND;
    }
    if (const LONG denied = CheckAccess(folder, access)) return denied;
    return NewHandle(std::move(folder), access, result);
}

LONG RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD, LPSTR, DWORD, REGSAM access,
                     LPSECURITY_ATTRIBUTES, PHKEY result, LPDWORD disposition) {
    if (!result) return ERROR_BADKEY;
    *result = nullptr;
    if (!key) return ERROR_INVALID_HANDLE;
    if (subKey && subKey[0] == '\\') return ERROR_BAD_PATHNAME;
    if (!IsFolder(key->folder)) return ERROR_KEY_DELETED;

    std::string folder = key->folder;
    bool created = false;
    for (std::string_view name : SplitPath(subKey)) {
        std::string child = FindChild(folder, name);
        if (child.empty()) {
            child = folder + "/" + FolderName(name);
            const int error = MakeFolder(child);
            if (error == 0) {
                created = true;
            } else if (error != EEXIST) {
                return ErrorFromErrno(error, ERROR_CANTWRITE);
            } else if (!IsFolder(child)) {
                return ERROR_CANTWRITE;
            }
        }
        folder = std::move(child);
    }
    if (const LONG denied = CheckAccess(folder, access)) return denied;
    if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return NewHandle(std::move(folder), access, result);
}

LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                      LPDWORD size) {
    if (!key) return ERROR_INVALID_HANDLE;
    if ((data && !size) || reserved) return ERROR_INVALID_PARAMETER;
    if (!(key->access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
    RegistryValues values;
    if (const LONG status = LoadValues(*key, values)) return status;

    return values.Query(valueName ? valueName : "", type, data, size);
}

LONG RegSetValueExA(HKEY key, LPCSTR valueName, DWORD, DWORD type, const BYTE* data, DWORD size) {
    if (!key) return ERROR_INVALID_HANDLE;
    if (!data && size != 0) return ERROR_NOACCESS;
    // A string whose size leaves out its terminator gets it counted: the
    // Win32 call looks at the byte just past the given size for this.
    if (size != 0 && RegistryValues::IsString(type) && data[size - 1] != 0 && data[size] == 0)
        ++size;
    if (!(key->access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
    const FileWriteLock lock(key->folder + kValueFile);
    RegistryValues values;
    if (const LONG status = LoadValues(*key, values)) return status;

    values.Set(valueName ? valueName : "", type,
               std::string_view(reinterpret_cast<const char*>(data), size));
    return ErrorFromErrno(ReplaceFileBytes(key->folder + kValueFile, values.Serialize()),
                          ERROR_CANTWRITE);
}

LONG RegCloseKey(HKEY key) {
    if (!key) return ERROR_INVALID_HANDLE;
    delete key;
    return ERROR_SUCCESS;
}

}  // namespace platform
