// The progress line on stderr: only for a terminal, at most ten refreshes a
// second, shared by all the files of a run (and their threads).
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>

class Progress {
  public:
    Progress(bool enabled, uint64_t totalFrames, int totalFiles);
    ~Progress();

    void AddFrames(uint64_t frames);
    void FileDone();

  private:
    void Draw(bool force);

    bool enabled_;
    uint64_t totalFrames_;
    int totalFiles_;
    uint64_t frames_ = 0;
    int files_ = 0;
    std::chrono::steady_clock::time_point lastDraw_{};
    std::mutex mutex_;
};
