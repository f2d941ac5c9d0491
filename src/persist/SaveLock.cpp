#include "persist/SaveLock.h"

#include "persist/common/AsciiCase.h"
#include "persist/common/Platform.h"

#ifdef _WIN32

#include <cstdint>
#include <string>
#include <vector>

#include "persist/common/ValueText.h"

namespace {

// The registry's own name of a key: "\REGISTRY\..." from NtQueryKey (looked
// up at run time, so that nothing but KERNEL32 and ADVAPI32 is imported).
// A predefined root has a fixed handle, the same in every process; another
// handle whose name cannot be had only keeps saves of this process apart.
std::string KeyName(HKEY key) {
    const auto value = reinterpret_cast<uintptr_t>(key);
    const std::string handle = FormatHexNumber(value, 1).Text();
    if (value >= 0x80000000u && value <= 0x80000006u) return "root " + handle;

    using QueryKey = LONG(WINAPI*)(HANDLE, int, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<QueryKey>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryKey")));
    constexpr int kKeyNameInformation = 3;
    std::vector<ULONG> info(1024);  // its length in bytes, then the UTF-16 name
    ULONG needed = 0;
    if (query && query(key, kKeyNameInformation, info.data(),
                       static_cast<ULONG>(info.size() * sizeof(ULONG)), &needed) == 0) {
        const auto* name = reinterpret_cast<const wchar_t*>(&info[1]);
        std::string text;
        for (ULONG i = 0; i < info[0] / sizeof(wchar_t); ++i) {
            // Key names ignore case; other than ASCII is kept by code.
            if (name[i] < 0x80) {
                text += static_cast<char>(name[i]);
            } else {
                text += '%';
                text += FormatHexNumber(name[i], 4).Text();
            }
        }
        return text;
    }
    return std::string("process ") + FormatHexNumber(GetCurrentProcessId(), 1).Text() + " handle " +
           handle;
}

// The file a profile name stands for, as the profile functions find it: a
// name without a folder lives in the Windows folder.
std::string FullProfilePath(const char* fileName) {
    std::string name = fileName;
    if (name.find_first_of("\\/") == std::string::npos) {
        char folder[MAX_PATH];
        const UINT n = GetWindowsDirectoryA(folder, MAX_PATH);
        if (n > 0 && n < MAX_PATH) name = std::string(folder, n) + "\\" + name;
    }
    std::vector<char> full(MAX_PATH);
    for (;;) {
        const DWORD n =
            GetFullPathNameA(name.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (n == 0) return name;
        if (n < full.size()) return std::string(full.data(), n);
        full.resize(n);
    }
}

}  // namespace

SaveLock::SaveLock(const char* profilePath) {
    Acquire("profile", FullProfilePath(profilePath));
}

SaveLock::SaveLock(RegistryRoot root, const char* section) {
    Acquire("registry", KeyName(static_cast<HKEY>(root)) + "\\" + (section ? section : ""));
}

// The mutex lives in the session's namespace: the files and keys a user's
// presets go to are that user's, saved by the programs of that session, and
// a "Global\" object would need rights an ordinary user may lack. Its name
// is the path folded to lower case, with '\' (which a name may not hold)
// written '/'; a path too long for a name is replaced by its hash.
void SaveLock::Acquire(const char* kind, const std::string& path) {
    std::string folded;
    uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (char c : path) {
        c = c == '\\' ? '/' : FoldAsciiCase(c);
        folded += c;
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    }
    std::string name = std::string("Local\\plug-in save ") + kind + " ";
    if (name.size() + folded.size() < MAX_PATH) {
        name += folded;
    } else {
        name += FormatHexNumber(hash, 16).Text();
    }
    HANDLE mutex = CreateMutexA(nullptr, FALSE, name.c_str());
    // An abandoned mutex (its holder died) is ours all the same; the files
    // it guards are replaced whole, never left half-written.
    if (mutex && WaitForSingleObject(mutex, INFINITE) == WAIT_FAILED) {
        CloseHandle(mutex);
        mutex = nullptr;
    }
    mutex_ = mutex;
}

SaveLock::~SaveLock() {
    if (!mutex_) return;
    ReleaseMutex(static_cast<HANDLE>(mutex_));
    CloseHandle(static_cast<HANDLE>(mutex_));
}

#else

#include "persist/common/FileBytes.h"

SaveLock::SaveLock(const char* profilePath)
    : lock_(std::make_unique<FileWriteLock>(platform::ProfileFile(profilePath))) {}

// The root's folder: the subkey's folder may not exist yet.
SaveLock::SaveLock(RegistryRoot root, const char* /*section*/)
    : lock_(std::make_unique<FileWriteLock>(std::string(static_cast<const char*>(root)) +
                                            "/.values")) {}

SaveLock::~SaveLock() = default;

#endif
