#include "support/PlatformFixture.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#ifdef _WIN32
#include <process.h>
#include <sddl.h>
#else
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#endif

namespace fs = std::filesystem;

std::string UniqueName(std::string_view prefix) {
    static std::atomic<unsigned> counter{0};
#ifdef _WIN32
    const long pid = _getpid();
#else
    const long pid = getpid();
#endif
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count() % 1000000;
    return std::string(prefix) + std::to_string(pid) + "-" + std::to_string(stamp) + "-" +
           std::to_string(counter++);
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return "<missing>";
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

bool Exists(const std::string& path) {
    std::error_code ignored;
    return fs::exists(path, ignored);
}

std::vector<std::string> FolderEntries(const std::string& path) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(path))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

ScratchFolder::ScratchFolder() {
    const fs::path root = fs::temp_directory_path() / UniqueName("platform-test-");
    fs::create_directories(root);
    root_ = root.string();
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
#ifndef _WIN32
    for (const std::string& path : readOnly_) chmod(path.c_str(), 0755);
#endif
    fs::remove_all(root_, ignored);
}

std::string ScratchFolder::Path(std::string_view name) const {
    return (fs::path(root_) / fs::path(name)).string();
}

bool ScratchFolder::MakeReadOnlyFolder(std::string_view name) {
    const std::string path = Path(name);
#ifdef _WIN32
    // Everyone may read and list, nobody may add.
    SECURITY_ATTRIBUTES attributes{sizeof attributes, nullptr, FALSE};
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(
            "D:PAI(A;;0x1200a9;;;WD)", SDDL_REVISION_1, &attributes.lpSecurityDescriptor, nullptr))
        return false;
    const BOOL made = CreateDirectoryA(path.c_str(), &attributes);
    LocalFree(attributes.lpSecurityDescriptor);
    if (!made) return false;
#else
    fs::create_directory(path);
    chmod(path.c_str(), 0555);
#endif
    readOnly_.push_back(path);
    const std::string probe = (fs::path(path) / "probe").string();
    std::ofstream(probe, std::ios::binary).put('x');
    if (!Exists(probe)) return true;
    std::error_code ignored;
    fs::remove(probe, ignored);
    return false;
}

#ifdef _WIN32

bool RunningUnderWine() {
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

namespace {
constexpr const char* kTestsKey = "Software\\PluginPlatformTests";
}

ScratchRegistry::ScratchRegistry() : path_(std::string(kTestsKey) + "\\" + UniqueName("root-")) {
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &root_, nullptr) != ERROR_SUCCESS)
        throw std::runtime_error("cannot create " + path_);
}

ScratchRegistry::~ScratchRegistry() {
    RegCloseKey(root_);
    DeleteRoot();
    RegDeleteKeyA(HKEY_CURRENT_USER, kTestsKey);  // only when no other run uses it
}

RegistryRoot ScratchRegistry::Root() const {
    return root_;
}

void ScratchRegistry::DeleteRoot() {
    RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, path_.c_str());
}

BareNameFolder::BareNameFolder() {
    char windows[MAX_PATH];
    const UINT length = GetWindowsDirectoryA(windows, MAX_PATH);
    windows_.assign(windows, length);
}

BareNameFolder::~BareNameFolder() = default;

std::string BareNameFolder::Path(std::string_view name) const {
    return (fs::path(windows_) / fs::path(name)).string();
}

#else

bool RunningUnderWine() {
    return false;
}

ScratchRegistry::ScratchRegistry() = default;
ScratchRegistry::~ScratchRegistry() = default;

RegistryRoot ScratchRegistry::Root() const {
    return const_cast<char*>(folder_.Root().c_str());
}

void ScratchRegistry::DeleteRoot() {
    fs::remove_all(folder_.Root());
}

BareNameFolder::BareNameFolder() {
    if (const char* saved = std::getenv("XDG_CONFIG_HOME")) {
        saved_ = saved;
        hadSaved_ = true;
    }
    setenv("XDG_CONFIG_HOME", folder_.Path("config").c_str(), 1);
}

BareNameFolder::~BareNameFolder() {
    if (hadSaved_) {
        setenv("XDG_CONFIG_HOME", saved_.c_str(), 1);
    } else {
        unsetenv("XDG_CONFIG_HOME");
    }
}

std::string BareNameFolder::Path(std::string_view name) const {
    return folder_.Path("config/" + std::string(name));
}

#endif
