#include "plughost/Files.h"

#include <unistd.h>

#include <atomic>
#include <cstring>
#include <filesystem>

#include "persist/common/FileBytes.h"
#include "plughost/HostError.h"

std::string TemporaryPathBeside(const std::string& path) {
    static std::atomic<unsigned> serial{0};
    const std::filesystem::path target(path);
    std::string name = ".";
    name += target.filename().string();
    name += ".plughost-" + std::to_string(getpid()) + "-" + std::to_string(serial++) + ".tmp";
    return (target.parent_path() / name).string();
}

void WriteFileAtomically(const std::string& path, const std::string& bytes) {
    if (const int error = ReplaceFileBytes(path, bytes))
        throw HostError(ExitCode::kOutput, path + ": cannot write: " + std::strerror(error));
}

std::string AbsolutePath(const std::string& path) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.string();
}
