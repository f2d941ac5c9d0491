// Temporary files beside outputs: their names, the ones this process has
// open, which an interrupt removes, and the ones killed runs left behind.
#pragma once

#include <string>

// From now on SIGINT, SIGTERM and SIGHUP go to a thread of their own instead
// of ending the process at once: it removes every temporary file still open,
// says "plughost: error: interrupted (SIGINT)" and ends the process with 128
// plus the signal's number. SIGPIPE is ignored, so that a closed pipe is a
// failed write. Call before any other thread starts: threads inherit the
// blocked signals.
void WatchInterrupts();

// A new file beside `target`, ".NAME.plughost-HOST-PID-N.tmp" with NAME
// shortened to fit the longest file name, empty, open for writing and
// readable by this user alone until it is moved into place. It is known to
// the interrupt watcher while it exists. The first in a folder also removes
// the temporaries that plughost runs on this machine left there when they
// were killed.
class TemporaryFile {
  public:
    // Throws HostError(kOutput).
    explicit TemporaryFile(const std::string& target);
    // Removes the file unless it was moved into place.
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    int Fd() const { return fd_; }
    const std::string& Path() const { return path_; }

    // Closes the file and renames it to `target`. Returns 0 or the errno of
    // the failure (the file is then removed).
    int MoveTo(const std::string& target);

  private:
    std::string path_;
    int fd_ = -1;
    bool moved_ = false;
};
