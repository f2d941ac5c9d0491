// FileBytes.h in memory, in place of FileBytes.cpp, for the fuzz targets
// that store through the file-backed media: files and folders live in
// containers, so a run costs no system calls, no file writes and no flushes
// to disk.
#include "MemoryFiles.h"

#include <cerrno>
#include <map>
#include <set>

// The lock's fields belong to the real implementation.
#pragma clang diagnostic ignored "-Wunused-private-field"
#include "persist/common/FileBytes.h"

namespace {

std::map<std::string, std::string>& Files() {
    static std::map<std::string, std::string> files;
    return files;
}

std::set<std::string, std::less<>>& Folders() {
    static std::set<std::string, std::less<>> folders;
    return folders;
}

std::string_view FolderOf(std::string_view path) {
    const size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? "." : path.substr(0, slash);
}

}  // namespace

void AddMemoryFolder(const std::string& path) {
    Folders().insert(path);
}

void ForgetMemoryFiles() {
    Files().clear();
    Folders().clear();
}

int ReadFileBytes(const std::string& path, std::string& bytes) {
    const auto file = Files().find(path);
    if (file == Files().end()) return ENOENT;
    bytes = file->second;
    return 0;
}

int ReplaceFileBytes(const std::string& path, std::string_view bytes) {
    if (!IsFolder(std::string(FolderOf(path)))) return ENOENT;
    Files()[path].assign(bytes);
    return 0;
}

bool IsFolder(const std::string& path) {
    return Folders().contains(path);
}

int MakeFolder(const std::string& path) {
    if (IsFolder(path) || Files().contains(path)) return EEXIST;
    if (!IsFolder(std::string(FolderOf(path)))) return ENOENT;
    Folders().insert(path);
    return 0;
}

bool ListFolder(const std::string& path, std::vector<std::string>& names) {
    if (!IsFolder(path)) return false;
    const std::string prefix = path + "/";
    const auto inFolder = [&](const std::string& name) {
        return name.starts_with(prefix) && name.find('/', prefix.size()) == std::string::npos;
    };
    for (const std::string& folder : Folders())
        if (inFolder(folder)) names.push_back(folder.substr(prefix.size()));
    for (const auto& [file, bytes] : Files())
        if (inFolder(file)) names.push_back(file.substr(prefix.size()));
    return true;
}

bool FolderAllows(const std::string& path, int) {
    return IsFolder(path);
}

// One process, one thread: nothing to keep apart.
FileWriteLock::FileWriteLock(const std::string&) {}
FileWriteLock::~FileWriteLock() = default;
