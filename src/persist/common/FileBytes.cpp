#include "persist/common/FileBytes.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

namespace {

// The file a write must replace: the target of a symbolic link, so that the
// link survives the rename.
std::string WriteTarget(const std::string& path) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::unique_ptr<char, decltype(&free)> resolved(realpath(path.c_str(), nullptr), &free);
    return resolved ? std::string(resolved.get()) : path;
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Removes "<name>.<pid>-<n>.tmp" files beside `target` whose process is gone:
// what a writer killed between creating its temporary file and renaming it
// leaves behind.
void RemoveStaleTemporaries(const std::string& target) {
    const std::string folder = FolderOf(target);
    const std::string prefix = target.substr(target.rfind('/') + 1) + ".";
    DIR* dir = opendir(folder.c_str());
    if (!dir) return;
    while (const dirent* entry = readdir(dir)) {
        std::string_view name = entry->d_name;
        if (!name.starts_with(prefix) || !name.ends_with(".tmp")) continue;
        if (LeftByEndedProcess(name.substr(prefix.size(), name.size() - prefix.size() - 4)))
            unlinkat(dirfd(dir), entry->d_name, 0);
    }
    closedir(dir);
}

// The folders this process holds the write lock of, by device and inode,
// with the thread that holds each and how many locks it has taken on it.
struct LockHolder {
    std::thread::id thread;
    int depth;
};
std::mutex holdersMutex;
std::map<std::pair<unsigned long long, unsigned long long>, LockHolder> holders;

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

bool LeftByEndedProcess(std::string_view stamp) {
    const size_t dash = stamp.find('-');
    if (dash == 0 || dash == std::string_view::npos || dash > 9 ||
        stamp.find_first_not_of("0123456789-") != std::string_view::npos)
        return false;
    const auto pid = static_cast<pid_t>(std::stol(std::string(stamp.substr(0, dash))));
    return pid != getpid() && kill(pid, 0) != 0 && errno == ESRCH;
}

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
    RemoveStaleTemporaries(target);

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

FileWriteLock::FileWriteLock(const std::string& path) {
    const int fd = open(FolderOf(WriteTarget(path)).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    struct stat st;
    if (fd < 0) return;
    if (fstat(fd, &st) != 0) {
        close(fd);
        return;
    }
    device_ = st.st_dev;
    inode_ = st.st_ino;
    const auto key = std::make_pair(device_, inode_);
    {
        const std::lock_guard guard(holdersMutex);
        const auto held = holders.find(key);
        if (held != holders.end() && held->second.thread == std::this_thread::get_id()) {
            ++held->second.depth;
            nested_ = true;
            close(fd);
            return;
        }
    }
    // Another thread of this process holds its own descriptor of the folder,
    // so flock waits for it as for another process.
    while (flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            close(fd);
            return;
        }
    }
    const std::lock_guard guard(holdersMutex);
    holders[key] = {std::this_thread::get_id(), 1};
    fd_ = fd;
}

FileWriteLock::~FileWriteLock() {
    if (fd_ < 0 && !nested_) return;
    const std::lock_guard guard(holdersMutex);
    const auto held = holders.find(std::make_pair(device_, inode_));
    if (held != holders.end() && --held->second.depth == 0) holders.erase(held);
    if (fd_ >= 0) close(fd_);
}

bool IsFolder(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int MakeFolder(const std::string& path) {
    return mkdir(path.c_str(), 0777) == 0 ? 0 : errno;
}

bool ListFolder(const std::string& path, std::vector<std::string>& names) {
    DIR* dir = opendir(path.c_str());
    if (!dir) return false;
    while (const dirent* entry = readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") names.emplace_back(name);
    }
    closedir(dir);
    return true;
}

bool FolderAllows(const std::string& path, int mode) {
    return access(path.c_str(), mode) == 0;
}
