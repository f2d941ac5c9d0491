#include "plughost/process/SystemTuning.h"

#include <unistd.h>

#include <new>

#if defined(__linux__)
#include <pthread.h>
#include <sched.h>
#include <sys/mman.h>

#include <cstdint>

SampleMapping MapSamples(size_t bytes) {
    constexpr size_t kHugePage = size_t{2} << 20;
    // A huge page more than needed, so that the samples can start on a huge
    // page boundary. Without huge pages (switched off, or none free) both
    // advices fail and small pages come on first touch, as with new[].
    SampleMapping mapping;
    mapping.length = bytes + kHugePage;
    mapping.base =
        mmap(nullptr, mapping.length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping.base == MAP_FAILED) throw std::bad_alloc();
    const auto start = reinterpret_cast<uintptr_t>(mapping.base);
    const size_t skip = (kHugePage - start % kHugePage) % kHugePage;
    mapping.samples = reinterpret_cast<double*>(static_cast<char*>(mapping.base) + skip);
    mapping.bytes = mapping.length - skip;
    madvise(mapping.samples, mapping.bytes, MADV_HUGEPAGE);
#ifdef MADV_POPULATE_WRITE  // Linux 5.14
    madvise(mapping.samples, mapping.bytes, MADV_POPULATE_WRITE);
#endif
    return mapping;
}

void UnmapSamples(const SampleMapping& mapping) {
    if (mapping.base) munmap(mapping.base, mapping.length);
}

std::vector<int> AllowedProcessors() {
    cpu_set_t set;
    CPU_ZERO(&set);
    std::vector<int> processors;
    if (sched_getaffinity(0, sizeof set, &set) == 0)
        for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
            if (CPU_ISSET(cpu, &set)) processors.push_back(cpu);
    return processors;
}

void KeepToProcessor(int processor) {
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(processor, &one);
    pthread_setaffinity_np(pthread_self(), sizeof one, &one);
}

DiskFlush::DiskFlush(int fd)
    : fd_(fd), thread_([this](std::stop_token stop) {
          std::unique_lock lock(mutex_);
          while (wake_.wait(lock, stop, [&] { return requested_; })) {
              requested_ = false;
              lock.unlock();
              // A failure shows again in the flush before the rename.
              fdatasync(fd_);
              lock.lock();
          }
      }) {}

DiskFlush::~DiskFlush() {
    thread_.request_stop();
    thread_.join();
    close(fd_);
}

void DiskFlush::Request() {
    {
        std::lock_guard lock(mutex_);
        requested_ = true;
    }
    wake_.notify_one();
}

#else

SampleMapping MapSamples(size_t bytes) {
    SampleMapping mapping;
    mapping.base = ::operator new(bytes);
    mapping.length = mapping.bytes = bytes;
    mapping.samples = static_cast<double*>(mapping.base);
    return mapping;
}

void UnmapSamples(const SampleMapping& mapping) {
    ::operator delete(mapping.base);
}

std::vector<int> AllowedProcessors() {
    return {};
}

void KeepToProcessor(int) {}

// The one flush before the rename does it all.
DiskFlush::DiskFlush(int fd) : fd_(fd) {}

DiskFlush::~DiskFlush() {
    close(fd_);
}

void DiskFlush::Request() {}

#endif
