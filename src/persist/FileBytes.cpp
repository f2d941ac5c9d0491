#include "persist/FileBytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <memory>

namespace {

// The file a write must replace: the target of a symbolic link, so that the
// link survives the rename.
std::string WriteTarget(const std::string& path) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::unique_ptr<char, decltype(&free)> resolved(realpath(path.c_str(), nullptr), &free);
    return resolved ? std::string(resolved.get()) : path;
}

int WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return 0;
}

}  // namespace

int ReadFileBytes(const std::string& path, std::string& bytes) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno;
    bytes.clear();
    char chunk[16384];
    int error = 0;
    for (;;) {
        const ssize_t n = read(fd, chunk, sizeof chunk);
        if (n > 0) {
            bytes.append(chunk, static_cast<size_t>(n));
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            error = errno;
            break;
        }
    }
    close(fd);
    return error;
}

int ReplaceFileBytes(const std::string& path, std::string_view bytes) {
    const std::string target = WriteTarget(path);

    // A fresh name beside the target; O_EXCL makes a clash with another
    // writer's temporary file (or a stale one) a retry, never a clobber.
    std::string temporary;
    int fd = -1;
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    for (int attempt = 0; fd < 0; ++attempt) {
        temporary = target + "." + std::to_string(getpid()) + "-" +
                    std::to_string(static_cast<unsigned long long>(stamp) + attempt) + ".tmp";
        fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && (errno != EEXIST || attempt == 100)) return errno;
    }

    struct stat original;
    int error = 0;
    if (stat(target.c_str(), &original) == 0 && fchmod(fd, original.st_mode & 07777) != 0)
        error = errno;
    if (error == 0) error = WriteAll(fd, bytes);
    if (error == 0 && fsync(fd) != 0) error = errno;
    if (close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && rename(temporary.c_str(), target.c_str()) != 0) error = errno;
    if (error != 0) unlink(temporary.c_str());
    return error;
}
