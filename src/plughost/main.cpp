// plughost: runs plug-in libraries over audio files.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <new>
#include <system_error>

#include "host/PluginLibrary.h"
#include "plughost/HostError.h"
#include "plughost/Subcommands.h"
#include "plughost/TemporaryFiles.h"

namespace {

// Each subcommand's help names the exit codes it can give; only process
// has --fail-on-clip.
constexpr const char* kExitCodes =
    "Exit codes: 0 done, 2 usage, 3 input, 4 plug-in, 5 output, 7 out of memory; 128 + the "
    "signal when interrupted. More in plughost(1).";
constexpr const char* kProcessExitCodes =
    "Exit codes: 0 done, 2 usage, 3 input, 4 plug-in, 5 output, 6 clipped (--fail-on-clip), 7 "
    "out of memory; 128 + the signal when interrupted. More in plughost(1).";

}  // namespace

int main(int argc, char** argv) {
    WatchInterrupts();
    CLI::App app("Runs audio-effect plug-in libraries over audio files.", "plughost");
    app.set_version_flag("--version", "plughost " PLUGHOST_VERSION);
    app.require_subcommand(1);
    AddInfoCommand(app);
    AddProcessCommand(app);
    AddPresetCommand(app);
    AddPlotCommand(app);
    app.footer(kExitCodes);
    for (CLI::App* command : app.get_subcommands({}))
        command->footer(command->get_name() == "process" ? kProcessExitCodes : kExitCodes);

    try {
        app.parse(argc, argv);
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
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "plughost: error: out of memory\n");
        return static_cast<int>(ExitCode::kResources);
    } catch (const std::system_error& error) {
        // What the standard library throws when it cannot start a thread.
        std::fprintf(stderr, "plughost: error: cannot start a thread: %s\n", error.what());
        return static_cast<int>(ExitCode::kResources);
    }
    return 0;
}
