// The machine-readable record of a batch: one JSON object a line per file,
// appended to a file that several processes may share.
#pragma once

#include <string>

#include "plughost/HostError.h"
#include "plughost/process/RunSummary.h"

class SummaryLog {
  public:
    // Appends to `path`, creating it. Throws HostError(kOutput).
    explicit SummaryLog(const std::string& path);
    ~SummaryLog();
    SummaryLog(const SummaryLog&) = delete;
    SummaryLog& operator=(const SummaryLog&) = delete;

    // {"input", "output", "status": "done", "frames", "rate", "channels",
    //  "peak_in", "peak_out" (linear, 1 is full scale), "clipped",
    //  "not_finite", "seconds", and "shortfall" for an input that breaks off}
    void Done(const RunSummary& summary);
    // {"input", "output", "status": "skipped"}: the output was there.
    void Skipped(const std::string& input, const std::string& output);
    // {"input", "output", "status": "failed", "error", "exit_code"}
    void Failed(const std::string& input, const std::string& output, const HostError& error);

    // Throws HostError(kOutput) when a line could not be written.
    void Check() const;

  private:
    // Writes one line in one write() under an exclusive lock of the file, so
    // that lines from several processes never interleave; a failure is kept
    // for Check(), so that a file's own outcome stays what it was.
    void Append(const std::string& line);

    std::string path_;
    int descriptor_ = -1;
    int error_ = 0;  // of the first line that could not be written
};
