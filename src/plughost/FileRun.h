// One input file through a plug-in into one output file.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "plughost/Progress.h"
#include "plughost/SettingsRecord.h"

struct RunOptions {
    uint32_t requestSize = 65536;  // samples per channel per ProcessStream call
    std::string sampleFormat;      // empty: the input's own
    bool failOnClip = false;
};

struct RunSummary {
    std::string input;
    std::string output;
    int channels = 0;
    int sampleRate = 0;
    uint64_t frames = 0;
    double seconds = 0;        // time taken
    double pluginSeconds = 0;  // of which inside the plug-in, reading excluded
    double peakIn = 0;         // largest magnitude, linear
    double peakOut = 0;
    bool integerOutput = false;
    uint64_t clipped = 0;  // output samples beyond full scale (integer outputs)
};

// The samples between a file's stages. A thread that runs file after file
// keeps one, so that its pages are set up once, not per file; and they are
// huge pages, written in one call before use where the system allows. On
// the build machine (a virtual machine, where each page costs a trip to the
// hypervisor on first touch) the 4 MB of a stereo file's blocks took 12 ms
// to set up in 4 KiB pages on first touch, 6 ms populated in advance, and
// under half a millisecond in huge pages: a quarter of a one-minute file's
// time at first.
class SampleMemory {
  public:
    SampleMemory() = default;
    ~SampleMemory();
    SampleMemory(const SampleMemory&) = delete;
    SampleMemory& operator=(const SampleMemory&) = delete;

    // Room for at least `samples` doubles; what it held before is not kept.
    // Throws std::bad_alloc.
    double* Reserve(size_t samples);

  private:
    void* mapping_ = nullptr;
    size_t mappingBytes_ = 0;
    double* samples_ = nullptr;  // from the first huge page boundary on
    size_t bytes_ = 0;
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

// Runs `input` through a record made by `makeSettings` into a temporary
// beside `output`, to be committed when everything succeeded. Throws
// HostError.
ProcessedFile ProcessFile(const PluginLibrary& lib,
                          const std::function<SettingsRecord()>& makeSettings,
                          const std::string& input, const std::string& output,
                          const RunOptions& options, Progress& progress, SampleMemory& memory);

// "in.wav -> out.wav: 220500 frames (5.00 s) in 0.02 s (250x real time); ..."
std::string FormatSummary(const RunSummary& summary);
