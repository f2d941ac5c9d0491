// Keeps a whole save into one store apart from every other save into it
// made through this code, in this or any other process, so that a preset
// lands whole: its values are never interleaved with another save's.
//
// On Windows a named mutex in the session's namespace ("Local\"), named
// after the profile file's full path (case folded) or after the registry
// key's full path; the system's profile and registry functions lock nothing
// of their own across calls. Elsewhere the write lock of the folder that
// holds the profile file, or of the registry root's folder; the single
// writes inside take the same kind of lock again, recursively.
#pragma once

#include "host/HostContract.h"

#ifdef _WIN32
#include <string>
#else
#include <memory>

class FileWriteLock;
#endif

class SaveLock {
  public:
    // A save into the profile file `profilePath`.
    explicit SaveLock(const char* profilePath);
    // A save into the subkey `section` of the registry root.
    SaveLock(RegistryRoot root, const char* section);
    ~SaveLock();
    SaveLock(const SaveLock&) = delete;
    SaveLock& operator=(const SaveLock&) = delete;

  private:
#ifdef _WIN32
    void Acquire(const char* kind, const std::string& path);
    void* mutex_ = nullptr;
#else
    std::unique_ptr<FileWriteLock> lock_;
#endif
};
