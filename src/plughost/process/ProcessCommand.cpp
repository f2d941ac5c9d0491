// plughost process: a plug-in over audio files, one file or a batch.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "plughost/Presets.h"
#include "plughost/Subcommands.h"
#include "plughost/process/BatchPlan.h"
#include "plughost/process/BatchRunner.h"

namespace {

struct ProcessCommand {
    std::string library;
    std::vector<std::string> files;
    PlanOptions plan;
    unsigned jobs = std::clamp(std::thread::hardware_concurrency(), 1u, 64u);
    bool quiet = false;
    RunOptions run;
    PresetOptions preset;
};

void Process(const ProcessCommand& command) {
    const std::vector<Job> jobs = PlanBatch(command.files, command.plan);
    PluginLibrary lib(command.library);
    const PresetSource preset(lib, command.preset);
    RunBatch(lib, preset, jobs,
             {command.jobs, !command.quiet && isatty(STDERR_FILENO), command.run});
}

}  // namespace

void AddProcessCommand(CLI::App& app) {
    // The options live as long as the command line that fills them.
    const auto shared = std::make_shared<ProcessCommand>();
    ProcessCommand& command = *shared;
    CLI::App* process = app.add_subcommand(
        "process", "Run a plug-in over audio files (IN OUT, or --out-dir DIR IN...)");
    process->add_option("LIB", command.library, "Plug-in library")->required();
    process->add_option("FILES", command.files, "IN OUT, or the inputs with --out-dir")->required();
    process->add_option("--out-dir", command.plan.outDir, "Write each output into this folder");
    process->add_flag("--overwrite", command.plan.overwrite, "Replace outputs that exist");
    process->add_option("--jobs,-j", command.jobs, "Files processed at once (default: the cores)")
        ->check(CLI::Range(1u, 64u));
    process->add_option("--format", command.run.sampleFormat, "Output sample format")
        ->check(CLI::IsMember({"pcm16", "pcm24", "pcm32", "float", "double"}));
    process
        ->add_option("--request", command.run.requestSize,
                     "Samples per channel per ProcessStream call")
        ->check(CLI::Range(1u, 1u << 24));
    process->add_flag("--quiet,-q", command.quiet, "No progress line");
    process->add_flag("--fail-on-clip", command.run.failOnClip,
                      "Treat clipping in an integer output as an error");
    AddPresetOptions(*process, command.preset);
    process->callback([shared] { Process(*shared); });
}
