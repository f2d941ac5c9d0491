#include "plughost/Files.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>

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
    const std::string temporary = TemporaryPathBeside(path);
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            std::remove(temporary.c_str());
            throw HostError(ExitCode::kOutput, path + ": cannot write");
        }
    }
    std::error_code error;
    std::filesystem::rename(temporary, path, error);
    if (error) {
        std::remove(temporary.c_str());
        throw HostError(ExitCode::kOutput, path + ": cannot write: " + error.message());
    }
}

std::string AbsolutePath(const std::string& path) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.string();
}
