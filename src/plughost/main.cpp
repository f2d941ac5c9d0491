// plughost: runs plug-in libraries over audio files.
#include <pthread.h>
#include <sched.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <future>
#include <mutex>
#include <optional>
#include <thread>

#include "plughost/AudioFiles.h"
#include "plughost/FileRun.h"
#include "plughost/HostError.h"
#include "plughost/Presets.h"
#include "plughost/Subcommands.h"

namespace {

constexpr const char* kExitCodes =
    "Exit codes: 0 done, 2 usage, 3 input, 4 plug-in, 5 output, 6 clipped (--fail-on-clip).";

int Info(const std::string& libraryPath) {
    PluginLibrary lib(libraryPath);
    PlugInInfoRecord info{};
    info.size = sizeof info;
    if (lib.PlugInInfo(&info) != 1)
        throw HostError(ExitCode::kPlugin, libraryPath + ": PlugInInfo refused the record");
    std::printf("name:             %s\n", info.name ? info.name : "");
    std::printf("vendor:           %s\n", info.vendor ? info.vendor : "");
    std::printf("information word: 0x%08X\n", info.informationWord);
    std::printf("parameters (stored words of a default record):\n");
    for (const Parameter& parameter : DiscoverParameters(lib))
        std::printf("  %-16s %u\n", parameter.name.c_str(), parameter.defaultWord);
    return 0;
}

struct PresetCommand {
    std::string library;
    PresetOptions preset;
    PresetTargets targets;
};

int WritePreset(PresetCommand command) {
    if (command.targets.xmlFile.empty() && command.targets.iniFile.empty() &&
        command.targets.registryFolder.empty())
        throw HostError(ExitCode::kUsage, "preset needs --save-xml, --save-ini or --save-registry");
    if (command.targets.section.empty()) command.targets.section = command.preset.section;
    if ((!command.targets.iniFile.empty() || !command.targets.registryFolder.empty()) &&
        command.targets.section.empty())
        throw HostError(ExitCode::kUsage, "--save-ini and --save-registry need --section");
    PluginLibrary lib(command.library);
    const PresetSource source(lib, command.preset);
    SavePresetTo(lib, source.Create(), command.targets);
    return 0;
}

// The processors this process may run on, in order.
std::vector<int> AllowedCpus() {
    cpu_set_t set;
    CPU_ZERO(&set);
    std::vector<int> cpus;
    if (sched_getaffinity(0, sizeof set, &set) == 0)
        for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
            if (CPU_ISSET(cpu, &set)) cpus.push_back(cpu);
    return cpus;
}

// Keeps the calling thread, and the threads it starts from now on, to one
// processor.
void KeepToCpu(int cpu) {
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(cpu, &one);
    pthread_setaffinity_np(pthread_self(), sizeof one, &one);
}

struct ProcessCommand {
    std::string library;
    std::vector<std::string> files;
    std::string outDir;
    unsigned jobs = std::clamp(std::thread::hardware_concurrency(), 1u, 64u);
    bool quiet = false;
    RunOptions run;
    PresetOptions preset;
};

int Process(const ProcessCommand& command) {
    std::vector<std::pair<std::string, std::string>> work;  // input, output
    if (command.outDir.empty()) {
        if (command.files.size() != 2)
            throw HostError(ExitCode::kUsage, "process takes IN OUT, or --out-dir DIR IN...");
        work.emplace_back(command.files[0], command.files[1]);
    } else {
        if (!std::filesystem::is_directory(command.outDir))
            throw HostError(ExitCode::kOutput, command.outDir + ": not a folder");
        for (const auto& in : command.files)
            work.emplace_back(
                in, (std::filesystem::path(command.outDir) / std::filesystem::path(in).filename())
                        .string());
    }

    PluginLibrary lib(command.library);
    const PresetSource preset(lib, command.preset);
    const auto makeSettings = [&preset] { return preset.Create(); };

    uint64_t totalFrames = 0;
    for (const auto& [in, out] : work) totalFrames += AudioReader(in).Frames();
    Progress progress(!command.quiet && isatty(STDERR_FILENO), totalFrames,
                      static_cast<int>(work.size()));

    // Each file gets its own settings record, so files may run on their own
    // threads. The first failure stops the run; files already written stay.
    // With a file at once for every processor or more, each worker keeps its
    // files' threads (reader, plug-in, writer) to one processor: the blocks
    // then pass between them in that processor's cache instead of between
    // caches (8 one-minute files on 2 cores: about 8% less time than with
    // the threads spread by the scheduler).
    const size_t workers = std::min<size_t>(command.jobs, work.size());
    const std::vector<int> cpus = AllowedCpus();
    const bool pin = cpus.size() > 1 && workers >= cpus.size();
    std::atomic<size_t> next{0};
    std::mutex mutex;
    std::optional<HostError> failure;
    const auto fail = [&](const HostError& error) {
        std::lock_guard lock(mutex);
        if (!failure) failure = error;
        next = work.size();
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
        if (pin) KeepToCpu(cpus[slot % cpus.size()]);
        SampleMemory memory;
        std::future<void> committing;
        for (size_t k; (k = next++) < work.size();) {
            try {
                ProcessedFile file = ProcessFile(lib, makeSettings, work[k].first, work[k].second,
                                                 command.run, progress, memory);
                if (!finish(committing)) break;
                committing = std::async(std::launch::async, [&, file = std::move(file)]() mutable {
                    const RunSummary summary = file.Commit();
                    progress.FileDone();
                    std::lock_guard lock(mutex);
                    std::printf("%s\n", FormatSummary(summary).c_str());
                    std::fflush(stdout);
                });
            } catch (const HostError& error) {
                fail(error);
            }
        }
        finish(committing);
    };
    std::vector<std::thread> threads;
    for (size_t slot = 1; slot < workers; ++slot) threads.emplace_back(worker, slot);
    worker(0);
    for (auto& thread : threads) thread.join();
    if (failure) throw *failure;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app("Runs audio-effect plug-in libraries over audio files.", "plughost");
    app.footer(kExitCodes);
    app.set_version_flag("--version", "plughost " PLUGHOST_VERSION);
    app.require_subcommand(1);

    std::string infoLibrary;
    CLI::App* info = app.add_subcommand("info", "Show a plug-in's name, vendor and parameters");
    info->add_option("LIB", infoLibrary, "Plug-in library")->required();

    ProcessCommand process;
    CLI::App* processApp = app.add_subcommand(
        "process", "Run a plug-in over audio files (IN OUT, or --out-dir DIR IN...)");
    processApp->add_option("LIB", process.library, "Plug-in library")->required();
    processApp->add_option("FILES", process.files, "IN OUT, or the inputs with --out-dir")
        ->required();
    processApp->add_option("--out-dir", process.outDir, "Write each output into this folder");
    processApp
        ->add_option("--jobs,-j", process.jobs, "Files processed at once (default: the cores)")
        ->check(CLI::Range(1u, 64u));
    processApp->add_option("--format", process.run.sampleFormat, "Output sample format")
        ->check(CLI::IsMember({"pcm16", "pcm24", "pcm32", "float", "double"}));
    processApp
        ->add_option("--request", process.run.requestSize,
                     "Samples per channel per ProcessStream call")
        ->check(CLI::Range(1u, 1u << 24));
    processApp->add_flag("--quiet,-q", process.quiet, "No progress line");
    processApp->add_flag("--fail-on-clip", process.run.failOnClip,
                         "Treat clipping in an integer output as an error");
    AddPresetOptions(*processApp, process.preset);

    PresetCommand preset;
    CLI::App* presetApp = app.add_subcommand(
        "preset", "Write a preset from the given sources through the plug-in's own save");
    presetApp->add_option("LIB", preset.library, "Plug-in library")->required();
    AddPresetOptions(*presetApp, preset.preset);
    presetApp->add_option("--save-xml", preset.targets.xmlFile, "Write an XML preset file");
    presetApp->add_option("--save-ini", preset.targets.iniFile,
                          "Write the preset into this profile (INI) file");
    presetApp->add_option("--save-registry", preset.targets.registryFolder,
                          "Write the preset below this registry folder");
    presetApp->add_option("--save-section", preset.targets.section,
                          "Section or key path to write (default: --section)");

    AddPlotCommand(app);

    try {
        app.parse(argc, argv);
        if (info->parsed()) return Info(infoLibrary);
        if (processApp->parsed()) return Process(process);
        if (presetApp->parsed()) return WritePreset(preset);
    } catch (const CLI::ParseError& error) {
        if (error.get_exit_code() == 0) return app.exit(error);
        std::fprintf(stderr, "plughost: error: %s\n", error.what());
        return static_cast<int>(ExitCode::kUsage);
    } catch (const HostError& error) {
        std::fprintf(stderr, "plughost: error: %s\n", error.what());
        return static_cast<int>(error.Code());
    } catch (const PluginLoadError& error) {
        std::fprintf(stderr, "plughost: error: %s\n", error.what());
        return static_cast<int>(ExitCode::kPlugin);
    }
    return 0;
}
