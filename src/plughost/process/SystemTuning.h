// What makes a batch faster where Linux allows it, each with a plain
// fallback elsewhere: sample memory in huge pages written before use, a
// worker's threads kept to one processor, and an output taken to disk as it
// grows.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <stop_token>
#include <thread>
#include <vector>

// Memory for samples: huge pages, written in advance, where the system has
// them; small pages on first touch otherwise.
struct SampleMapping {
    void* base = nullptr;  // what to release
    size_t length = 0;
    double* samples = nullptr;  // from the first huge page boundary on
    size_t bytes = 0;           // usable from `samples`
};

// Throws std::bad_alloc.
SampleMapping MapSamples(size_t bytes);
void UnmapSamples(const SampleMapping& mapping);

// The processors this process may run on, in order; empty where that
// cannot be told.
std::vector<int> AllowedProcessors();

// Keeps the calling thread, and the threads it starts from now on, to one
// processor; nothing where that cannot be done.
void KeepToProcessor(int processor);

// Takes a file to disk on a thread of its own, on request, while the file is
// still being written (through a descriptor of its own). A disk with a write
// cache holds what it has been given until it is told to flush, so a single
// flush at the end waits for the whole file; flushed as it grows, the file's
// last flush waits only for what came since.
class DiskFlush {
  public:
    // Takes the descriptor, and closes it once a flush under way is done.
    explicit DiskFlush(int fd);
    ~DiskFlush();
    DiskFlush(const DiskFlush&) = delete;
    DiskFlush& operator=(const DiskFlush&) = delete;

    // A flush soon: now, or after the one under way.
    void Request();

  private:
    int fd_;
    std::mutex mutex_;
    std::condition_variable_any wake_;
    bool requested_ = false;
    std::jthread thread_;  // last: it uses the members above
};
