// One input file through a plug-in into one output file.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "plughost/Progress.h"
#include "plughost/SettingsRecord.h"
#include "plughost/process/BatchPlan.h"
#include "plughost/process/RunSummary.h"
#include "plughost/process/SampleMemory.h"

// The longest request: the output blocks take at least two of them, so each
// job holds at most about 36 MB of samples (34 MB of stereo blocks, and
// chunks of a fixed size on either side).
constexpr uint32_t kLongestRequest = 1 << 20;

struct RunOptions {
    uint32_t requestSize = 65536;  // samples per channel per ProcessStream call
    std::string sampleFormat;      // empty: the input's own
    bool failOnClip = false;
    bool allowNonFinite = false;  // in the plug-in's output; an error otherwise
};

class AudioWriter;

// A file that has been through the plug-in, its output written beside the
// output's path. Dropped without Commit(), it leaves no output.
class ProcessedFile {
  public:
    ProcessedFile(RunSummary summary, std::unique_ptr<AudioWriter> writer,
                  std::chrono::steady_clock::time_point start);
    ProcessedFile(ProcessedFile&&) noexcept;
    ~ProcessedFile();

    // Flushes the output to disk and moves it into place, and gives the
    // summary, timed to the end of that. Throws HostError. Most of its time
    // is spent waiting for the disk, so a thread that runs file after file
    // can go on with the next file meanwhile.
    RunSummary Commit();

  private:
    RunSummary summary_;
    std::unique_ptr<AudioWriter> writer_;
    std::chrono::steady_clock::time_point start_;
};

// Runs the job's input (taking the reader it holds, if any) through a record made by `makeSettings`
// into its output (into a temporary beside a file, to be committed when everything succeeded).
// Throws HostError.
ProcessedFile ProcessFile(const PluginLibrary& lib,
                          const std::function<SettingsRecord()>& makeSettings, Job& job,
                          const RunOptions& options, Progress& progress, SampleMemory& memory);
