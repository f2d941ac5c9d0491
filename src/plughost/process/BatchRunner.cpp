#include "plughost/process/BatchRunner.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <future>
#include <mutex>
#include <new>
#include <optional>
#include <system_error>
#include <thread>

#include "plughost/HostError.h"
#include "plughost/process/SystemTuning.h"

void RunBatch(const PluginLibrary& lib, const PresetSource& preset, std::vector<Job>& jobs,
              const BatchOptions& options) {
    const auto makeSettings = [&preset] { return preset.Create(); };
    uint64_t totalFrames = 0;
    bool toStandardOutput = false;
    size_t cutShort = 0;
    for (const Job& job : jobs) {
        totalFrames += static_cast<uint64_t>(std::max<int64_t>(job.frames, 0));
        toStandardOutput |= job.output.file == "-";
    }
    // Summaries go where the samples do not.
    FILE* summaries = toStandardOutput ? stderr : stdout;
    Progress progress(options.progress, totalFrames, static_cast<int>(jobs.size()));

    // With a file at once for every processor or more, each worker keeps its
    // files' threads (reader, plug-in, writer) to one processor: the blocks
    // then pass between them in that processor's cache instead of between
    // caches.
    const size_t workers = std::min<size_t>(options.workers, jobs.size());
    const std::vector<int> processors = AllowedProcessors();
    const bool pin = processors.size() > 1 && workers >= processors.size();
    std::atomic<size_t> next{0};
    std::mutex mutex;
    std::optional<HostError> failure;
    const auto fail = [&](const HostError& error) {
        std::lock_guard lock(mutex);
        if (!failure) failure = error;
        next = jobs.size();
    };
    // A file's output goes to disk and into place on a thread of its own
    // while its worker goes on with the next file: the wait for the disk
    // then overlaps with work. One file per worker waits at a time. True
    // when there was nothing to wait for or it succeeded.
    const auto finish = [&](std::future<void>& committing) {
        if (!committing.valid()) return true;
        try {
            committing.get();
            return true;
        } catch (const HostError& error) {
            fail(error);
            return false;
        }
    };
    const auto worker = [&](size_t slot) {
        if (pin) KeepToProcessor(processors[slot % processors.size()]);
        SampleMemory memory;
        std::future<void> committing;
        for (size_t k; (k = next++) < jobs.size();) {
            try {
                ProcessedFile file =
                    ProcessFile(lib, makeSettings, jobs[k], options.run, progress, memory);
                if (!finish(committing)) break;
                committing = std::async(std::launch::async, [&, file = std::move(file)]() mutable {
                    const RunSummary summary = file.Commit();
                    progress.FileDone();
                    std::lock_guard lock(mutex);
                    std::fprintf(summaries, "%s\n", FormatSummary(summary).c_str());
                    std::fflush(summaries);
                    if (summary.shortfall.empty()) return;
                    ++cutShort;
                    std::fprintf(stderr, "plughost: warning: %s: %s; %s holds those\n",
                                 summary.input.c_str(), summary.shortfall.c_str(),
                                 summary.output.c_str());
                });
            } catch (const HostError& error) {
                fail(error);
            } catch (const std::bad_alloc&) {
                fail(HostError(ExitCode::kResources, jobs[k].input + ": out of memory"));
            } catch (const std::system_error& error) {
                fail(HostError(ExitCode::kResources,
                               jobs[k].input + ": cannot start a thread: " + error.what()));
            }
        }
        finish(committing);
    };
    std::vector<std::thread> threads;
    // Where no more threads are to be had, fewer workers do the work.
    try {
        for (size_t slot = 1; slot < workers; ++slot) threads.emplace_back(worker, slot);
    } catch (const std::system_error&) {
    }
    worker(0);
    for (auto& thread : threads) thread.join();
    if (failure) throw *failure;
    if (cutShort > 0 && !options.allowTruncated)
        throw HostError(ExitCode::kInput, std::to_string(cutShort) + " of " +
                                              std::to_string(jobs.size()) +
                                              " inputs break off (--allow-truncated accepts them)");
}
