#include "plughost/Progress.h"

#include <cstdio>

Progress::Progress(bool enabled, uint64_t totalFrames, int totalFiles)
    : enabled_(enabled), totalFrames_(totalFrames), totalFiles_(totalFiles) {}

Progress::~Progress() {
    if (enabled_) std::fprintf(stderr, "\r\033[K");
}

void Progress::AddFrames(uint64_t frames) {
    if (!enabled_) return;
    std::lock_guard lock(mutex_);
    frames_ += frames;
    Draw(false);
}

void Progress::FileDone() {
    if (!enabled_) return;
    std::lock_guard lock(mutex_);
    ++files_;
    Draw(true);
}

void Progress::Draw(bool force) {
    const auto now = std::chrono::steady_clock::now();
    if (!force && now - lastDraw_ < std::chrono::milliseconds(100)) return;
    lastDraw_ = now;
    const double percent =
        totalFrames_ ? 100.0 * static_cast<double>(frames_) / totalFrames_ : 100.0;
    std::fprintf(stderr, "\r\033[Kprocessing: %.0f%%, %d of %d files done", percent, files_,
                 totalFiles_);
    std::fflush(stderr);
}
