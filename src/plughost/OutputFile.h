// An output being written: into a temporary file beside its target, moved
// into place by Commit() with the mode, owner and group of the file it
// replaces, so that a failed run leaves no partial file; or, for a stream,
// straight into it.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "plughost/OutputTarget.h"
#include "plughost/TemporaryFiles.h"

class OutputFile {
  public:
    // Throws HostError(kOutput).
    explicit OutputFile(OutputTarget target);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    const OutputTarget& Target() const { return target_; }
    const std::string& Name() const { return target_.name; }
    bool Streams() const { return target_.kind == OutputKind::kStream; }
    int Fd() const { return temporary_ ? temporary_->Fd() : streamFd_; }

    // Throws HostError(kOutput).
    void Write(std::string_view bytes);
    // Takes the output to disk and into place (a stream is only closed).
    // Throws HostError(kOutput); a file replaced stays as it was then.
    void Commit();

  private:
    OutputTarget target_;
    std::unique_ptr<TemporaryFile> temporary_;
    int streamFd_ = -1;
};

// Writes `bytes` as the output `path`, whole or not at all. Throws
// HostError(kOutput).
void WriteOutputFile(const std::string& path, std::string_view bytes);
