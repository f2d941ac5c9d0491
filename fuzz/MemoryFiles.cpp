// FileBytes.h in memory, in place of FileBytes.cpp, for the fuzz targets
// that store through the file-backed media: file contents live in a map, so
// a run costs no file writes and no flushes to disk. Folders stay real.
#include "MemoryFiles.h"

#include <cerrno>
#include <map>

// The lock's fields belong to the real implementation.
#pragma clang diagnostic ignored "-Wunused-private-field"
#include "persist/FileBytes.h"

namespace {

std::map<std::string, std::string>& Files() {
    static std::map<std::string, std::string> files;
    return files;
}

}  // namespace

void ForgetMemoryFiles() {
    Files().clear();
}

int ReadFileBytes(const std::string& path, std::string& bytes) {
    const auto file = Files().find(path);
    if (file == Files().end()) return ENOENT;
    bytes = file->second;
    return 0;
}

int ReplaceFileBytes(const std::string& path, std::string_view bytes) {
    Files()[path].assign(bytes);
    return 0;
}

// One process, one thread: nothing to keep apart.
FileWriteLock::FileWriteLock(const std::string&) {}
FileWriteLock::~FileWriteLock() = default;
