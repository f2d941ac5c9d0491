#include "plughost/OutputTarget.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

#include "plughost/Files.h"
#include "plughost/HostError.h"

namespace {

[[noreturn]] void Refuse(const std::string& path, const std::string& reason) {
    throw HostError(ExitCode::kOutput, path + ": " + reason);
}

}  // namespace

OutputTarget ResolveOutput(const std::string& path) {
    OutputTarget target;
    target.name = target.file = path;
    if (path == "-") {
        target.kind = OutputKind::kStream;
        return target;
    }
    if (path.empty()) Refuse("''", "an empty output name");
    struct stat link, st;
    const bool named = lstat(path.c_str(), &link) == 0;
    if (!named && errno != ENOENT) Refuse(path, std::strerror(errno));
    const bool exists = named && stat(path.c_str(), &st) == 0;
    if (named && !exists)
        Refuse(path, errno == ENOENT ? "a symbolic link to a file that does not exist"
                                     : std::strerror(errno));

    if (exists) {
        target.identity = FileIdentity{st.st_dev, st.st_ino};
        if (S_ISDIR(st.st_mode)) Refuse(path, "a folder");
        if (S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode)) {
            target.kind = OutputKind::kStream;
            return target;
        }
        if (!S_ISREG(st.st_mode)) Refuse(path, "neither a file, a FIFO nor a character device");
        if (S_ISLNK(link.st_mode)) {
            const std::unique_ptr<char, decltype(&free)> resolved(realpath(path.c_str(), nullptr),
                                                                  &free);
            if (!resolved) Refuse(path, std::strerror(errno));
            target.file = resolved.get();
        }
        target.kind = OutputKind::kReplace;
        target.mode = st.st_mode & 07777;
        target.owner = st.st_uid;
        target.group = st.st_gid;
        if ((st.st_mode & 0222) == 0 || access(target.file.c_str(), W_OK) != 0)
            Refuse(path, "write-protected; plughost does not replace it");
        if (st.st_uid != geteuid() && geteuid() != 0)
            Refuse(path, "belongs to another user; plughost could not give it back");
    }
    if (!exists) {
        const mode_t mask = umask(0);
        umask(mask);
        target.mode = 0666 & ~mask;
    }
    const std::string folder = FolderOf(target.file);
    struct stat folderStat;
    if (stat(folder.c_str(), &folderStat) != 0)
        Refuse(path, "no folder " + folder + ": " + std::strerror(errno));
    if (!S_ISDIR(folderStat.st_mode)) Refuse(path, folder + " is not a folder");
    if (access(folder.c_str(), W_OK | X_OK) != 0)
        Refuse(path, "cannot write into " + folder + ": " + std::strerror(errno));
    return target;
}

std::string OutputKey(const OutputTarget& target) {
    if (target.identity)
        return std::to_string(target.identity->device) + ":" +
               std::to_string(target.identity->inode);
    std::error_code error;
    const std::filesystem::path real =
        std::filesystem::weakly_canonical(std::filesystem::absolute(target.file, error), error);
    return error ? target.file : real.string();
}
