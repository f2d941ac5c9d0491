#include "plughost/Files.h"

#include <sys/stat.h>

#include <filesystem>

std::string AbsolutePath(const std::string& path) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.string();
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

std::string LibraryPath(const std::string& argument) {
    struct stat st;
    if (argument.find('/') == std::string::npos && stat(argument.c_str(), &st) == 0)
        return "./" + argument;
    return argument;
}

std::optional<FileIdentity> IdentityOf(const std::string& path) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return std::nullopt;
    return FileIdentity{st.st_dev, st.st_ino};
}
