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

void RunBatch(const PluginLibrary& lib, const PresetSource& preset, Plan& plan,
              const BatchOptions& options) {
    std::vector<Job>& jobs = plan.jobs;
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
    for (const SkippedFile& file : plan.skipped) {
        std::fprintf(summaries, "%s -> %s: skipped, the output is there\n", file.input.c_str(),
                     file.output.c_str());
        if (options.summary) options.summary->Skipped(file.input, file.output);
    }
    Progress progress(options.progress, totalFrames, static_cast<int>(jobs.size()));
    std::optional<HostError> failure;
    size_t failed = 0;
    for (const FailedFile& file : plan.failed) {
        std::fprintf(stderr, "plughost: error: %s\n", file.error.what());
        if (options.summary) options.summary->Failed(file.input, file.output, file.error);
        if (!failure) failure = file.error;
        ++failed;
    }

    // With a file at once for every processor or more, each worker keeps its
    // files' threads (reader, plug-in, writer) to one processor: the blocks
    // then pass between them in that processor's cache instead of between
    // caches.
    const size_t workers = std::min<size_t>(options.workers, jobs.size());
    const std::vector<int> processors = AllowedProcessors();
    const bool pin = processors.size() > 1 && workers >= processors.size();
    std::atomic<size_t> next{0};
    std::mutex mutex;
    // A file that failed: recorded, and the run stopped, or the error said
    // at once when the others go on.
    const auto fail = [&](const Job& job, const HostError& error) {
        std::lock_guard lock(mutex);
        ++failed;
        if (!failure) failure = error;
        if (options.keepGoing)
            std::fprintf(stderr, "plughost: error: %s\n", error.what());
        else
            next = jobs.size();
        if (options.summary) options.summary->Failed(job.input, job.output.name, error);
    };
    // A file's output goes to disk and into place on a thread of its own
    // while its worker goes on with the next file: the wait for the disk
    // then overlaps with work. One file per worker waits at a time. True
    // when there was nothing to wait for or it succeeded.
    const auto finish = [&](std::future<void>& committing, const Job* job) {
        if (!committing.valid()) return true;
        try {
            committing.get();
            return true;
        } catch (const HostError& error) {
            fail(*job, error);
            return false;
        }
    };
    const auto worker = [&](size_t slot) {
        if (pin) KeepToProcessor(processors[slot % processors.size()]);
        SampleMemory memory;
        std::future<void> committing;
        const Job* committingJob = nullptr;
        for (size_t k; (k = next++) < jobs.size();) {
            try {
                ProcessedFile file =
                    ProcessFile(lib, makeSettings, jobs[k], options.run, progress, memory);
                if (!finish(committing, committingJob) && !options.keepGoing) break;
                committingJob = &jobs[k];
                committing = std::async(std::launch::async, [&, file = std::move(file)]() mutable {
                    const RunSummary summary = file.Commit();
                    progress.FileDone();
                    std::lock_guard lock(mutex);
                    std::fprintf(summaries, "%s\n", FormatSummary(summary).c_str());
                    std::fflush(summaries);
                    if (options.summary) options.summary->Done(summary);
                    if (summary.shortfall.empty()) return;
                    ++cutShort;
                    std::fprintf(stderr, "plughost: warning: %s: %s; %s holds those\n",
                                 summary.input.c_str(), summary.shortfall.c_str(),
                                 summary.output.c_str());
                });
            } catch (const HostError& error) {
                fail(jobs[k], error);
            } catch (const std::bad_alloc&) {
                fail(jobs[k], HostError(ExitCode::kResources, jobs[k].input + ": out of memory"));
            } catch (const std::system_error& error) {
                fail(jobs[k],
                     HostError(ExitCode::kResources,
                               jobs[k].input + ": cannot start a thread: " + error.what()));
            }
        }
        finish(committing, committingJob);
    };
    std::vector<std::thread> threads;
    // Where no more threads are to be had, fewer workers do the work.
    try {
        for (size_t slot = 1; slot < workers; ++slot) threads.emplace_back(worker, slot);
    } catch (const std::system_error&) {
    }
    worker(0);
    for (auto& thread : threads) thread.join();
    if (failure && options.keepGoing)
        throw HostError(failure->Code(), std::to_string(failed) + " of " +
                                             std::to_string(jobs.size() + plan.failed.size()) +
                                             " files failed; the first: " + failure->what());
    if (failure) throw *failure;
    if (options.summary) options.summary->Check();
    if (cutShort > 0 && !options.allowTruncated)
        throw HostError(ExitCode::kInput, std::to_string(cutShort) + " of " +
                                              std::to_string(jobs.size()) +
                                              " inputs break off (--allow-truncated accepts them)");
}
