#include "plughost/TemporaryFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <set>
#include <string_view>
#include <system_error>
#include <thread>

#include "persist/common/FileBytes.h"
#include "plughost/Files.h"
#include "plughost/HostError.h"

namespace {

constexpr std::string_view kMark = ".plughost-";

std::mutex registryMutex;
std::set<std::string> openTemporaries;  // and the folders swept so far, below
std::set<std::string> sweptFolders;

// This machine, as 8 hexadecimal digits (FNV-1a of its name): folders may be
// shared with other machines, whose process numbers say nothing here.
const std::string& MachineTag() {
    static const std::string tag = [] {
        char name[256] = {};
        gethostname(name, sizeof name - 1);
        uint32_t hash = 2166136261u;
        for (const char* c = name; *c; ++c) hash = (hash ^ static_cast<uint8_t>(*c)) * 16777619u;
        char text[9];
        std::snprintf(text, sizeof text, "%08x", hash);
        return std::string(text);
    }();
    return tag;
}

// Removes ".NAME.plughost-HOST-PID-N.tmp" files of this machine whose
// process is gone.
void SweepFolder(const std::string& folder) {
    DIR* dir = opendir(folder.c_str());
    if (!dir) return;
    const std::string ours = std::string(kMark) + MachineTag() + "-";
    while (const dirent* entry = readdir(dir)) {
        const std::string_view name = entry->d_name;
        const size_t mark = name.rfind(ours);
        if (name[0] != '.' || !name.ends_with(".tmp") || mark == std::string_view::npos) continue;
        if (LeftByEndedProcess(
                name.substr(mark + ours.size(), name.size() - 4 - mark - ours.size())))
            unlinkat(dirfd(dir), entry->d_name, 0);
    }
    closedir(dir);
}

// `name` cut to at most `bytes`, not inside a UTF-8 sequence.
std::string_view Shortened(std::string_view name, size_t bytes) {
    if (name.size() <= bytes) return name;
    while (bytes > 0 && (static_cast<uint8_t>(name[bytes]) & 0xC0) == 0x80) --bytes;
    return name.substr(0, bytes);
}

const char* SignalName(int signal) {
    switch (signal) {
        case SIGINT:
            return "SIGINT";
        case SIGTERM:
            return "SIGTERM";
        default:
            return "SIGHUP";
    }
}

}  // namespace

void WatchInterrupts() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    try {
        std::thread([set] {
            int signal = 0;
            while (sigwait(&set, &signal) != 0) {
            }
            std::lock_guard lock(registryMutex);
            for (const std::string& path : openTemporaries) unlink(path.c_str());
            std::fprintf(stderr, "%splughost: error: interrupted (%s)\n",
                         isatty(STDERR_FILENO) ? "\r\033[K" : "", SignalName(signal));
            _exit(128 + signal);
        }).detach();
    } catch (const std::system_error&) {
        // No thread to be had: the signals end the process as they would.
        pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    }
}

TemporaryFile::TemporaryFile(const std::string& target) {
    static std::atomic<unsigned> serial{0};
    const std::string folder = FolderOf(target);
    const std::string suffix = std::string(kMark) + MachineTag() + "-" + std::to_string(getpid()) +
                               "-" + std::to_string(serial++) + ".tmp";
    const size_t start = target.rfind('/') + 1;  // of the name; 0 without a folder
    const std::string_view name = std::string_view(target).substr(start);
    path_ = target.substr(0, start) + "." +
            std::string(Shortened(name, NAME_MAX - 1 - suffix.size())) + suffix;
    {
        std::lock_guard lock(registryMutex);
        if (sweptFolders.insert(folder).second) SweepFolder(folder);
        // Known before it exists, so that an interrupt never misses it.
        openTemporaries.insert(path_);
    }
    fd_ = open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd_ < 0) {
        const int error = errno;
        std::lock_guard lock(registryMutex);
        openTemporaries.erase(path_);
        throw HostError(ExitCode::kOutput,
                        target + ": cannot write into its folder: " + std::strerror(error));
    }
}

TemporaryFile::~TemporaryFile() {
    if (fd_ >= 0) close(fd_);
    if (moved_) return;
    unlink(path_.c_str());
    std::lock_guard lock(registryMutex);
    openTemporaries.erase(path_);
}

int TemporaryFile::MoveTo(const std::string& target) {
    int error = close(fd_) == 0 ? 0 : errno;
    fd_ = -1;
    if (error == 0 && rename(path_.c_str(), target.c_str()) != 0) error = errno;
    if (error != 0) return error;
    moved_ = true;
    std::lock_guard lock(registryMutex);
    openTemporaries.erase(path_);
    return 0;
}
