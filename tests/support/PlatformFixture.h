// Scratch places for the profile and registry tests, the same on both
// targets: on Windows the real Win32 functions run against them, elsewhere
// our own.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "persist/common/Platform.h"

// True when the Win32 functions are Wine's. A few assertions pin what
// Windows does where Wine is known to differ; they are skipped there.
bool RunningUnderWine();

// A fresh empty folder, removed with everything in it afterwards.
class ScratchFolder {
  public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& Root() const { return root_; }
    // `name` inside the folder, in the platform's path syntax.
    std::string Path(std::string_view name) const;
    // Creates the subfolder `name` so that no file can be added to it.
    // False when this process can write there all the same (an
    // administrator, or root on Linux); the caller should skip then.
    bool MakeReadOnlyFolder(std::string_view name);

  private:
    std::string root_;
    std::vector<std::string> readOnly_;
};

// A fresh registry root as a host would pass it: a new subkey of
// HKEY_CURRENT_USER\Software on Windows, a scratch folder elsewhere.
// Removed afterwards.
class ScratchRegistry {
  public:
    ScratchRegistry();
    ~ScratchRegistry();
    ScratchRegistry(const ScratchRegistry&) = delete;
    ScratchRegistry& operator=(const ScratchRegistry&) = delete;

    RegistryRoot Root() const;
    // Deletes the root key itself, with all below it, while handles to it
    // may still be open.
    void DeleteRoot();
#ifdef _WIN32
    // The root's path below HKEY_CURRENT_USER.
    const std::string& KeyPath() const {
        return path_;
    }
#else
    const std::string& Folder() const {
        return folder_.Root();
    }
#endif

  private:
#ifdef _WIN32
    std::string path_;
    platform::HKEY root_ = nullptr;
#else
    ScratchFolder folder_;
#endif
};

// Where profile files named without a folder go. Natively the profile
// directory is pointed at a scratch folder for the object's lifetime.
class BareNameFolder {
  public:
    BareNameFolder();
    ~BareNameFolder();
    BareNameFolder(const BareNameFolder&) = delete;
    BareNameFolder& operator=(const BareNameFolder&) = delete;

    std::string Path(std::string_view name) const;

  private:
#ifdef _WIN32
    std::string windows_;
#else
    ScratchFolder folder_;
    std::string saved_;
    bool hadSaved_ = false;
#endif
};

// A name no other test run uses at the same time.
std::string UniqueName(std::string_view prefix);

// Whole-file helpers that bypass the functions under test. ReadBytes gives
// "<missing>" for a file that does not exist.
std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, std::string_view bytes);
bool Exists(const std::string& path);
std::vector<std::string> FolderEntries(const std::string& path);
