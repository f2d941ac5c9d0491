// Failures of the command-line host, each with the exit code of its kind.
#pragma once

#include <stdexcept>
#include <string>

enum class ExitCode : int {
    kSuccess = 0,
    kUsage = 2,      // bad command line, unknown or unusable parameter, an output onto an input
    kInput = 3,      // missing, unreadable, unsupported or cut-short input or preset file
    kPlugin = 4,     // not a plug-in library, missing entry points, plug-in failure
    kOutput = 5,     // output cannot be written, or may not be replaced
    kClipped = 6,    // --fail-on-clip and the output clipped
    kResources = 7,  // out of memory, or no thread to be had
};

class HostError : public std::runtime_error {
  public:
    HostError(ExitCode code, const std::string& message)
        : std::runtime_error(message), code_(code) {}
    ExitCode Code() const { return code_; }

  private:
    ExitCode code_;
};
