#include "plughost/OutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "plughost/HostError.h"

namespace {

[[noreturn]] void Fail(const std::string& name, const std::string& what, int error) {
    throw HostError(ExitCode::kOutput, name + ": " + what + ": " + std::strerror(error));
}

}  // namespace

OutputFile::OutputFile(OutputTarget target) : target_(std::move(target)) {
    if (!Streams()) {
        temporary_ = std::make_unique<TemporaryFile>(target_.file);
        return;
    }
    streamFd_ = target_.file == "-" ? fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0)
                                    : open(target_.file.c_str(), O_WRONLY | O_CLOEXEC);
    if (streamFd_ < 0) Fail(target_.name, "cannot open", errno);
}

OutputFile::~OutputFile() {
    if (streamFd_ >= 0) close(streamFd_);
}

void OutputFile::Write(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = write(Fd(), bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) Fail(target_.name, "write failed", errno);
        bytes.remove_prefix(static_cast<size_t>(n));
    }
}

void OutputFile::Commit() {
    if (Streams()) {
        const int fd = std::exchange(streamFd_, -1);
        if (close(fd) != 0) Fail(target_.name, "write failed", errno);
        return;
    }
    const int fd = temporary_->Fd();
    struct stat own;
    if (fstat(fd, &own) != 0) Fail(target_.name, "cannot write", errno);
    if (target_.kind == OutputKind::kReplace &&
        (own.st_uid != target_.owner || own.st_gid != target_.group) &&
        fchown(fd, target_.owner, target_.group) != 0)
        Fail(target_.name, "cannot keep its owner and group, so it stays as it was", errno);
    if (fchmod(fd, target_.mode) != 0 || fsync(fd) != 0) Fail(target_.name, "cannot write", errno);
    if (const int error = temporary_->MoveTo(target_.file))
        Fail(target_.name, "cannot move into place", error);
}

void WriteOutputFile(const std::string& path, std::string_view bytes) {
    OutputFile file(ResolveOutput(path));
    file.Write(bytes);
    file.Commit();
}
