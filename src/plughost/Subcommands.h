// plughost's subcommands. Each adds itself to the command line with its
// options and runs as its subcommand's callback, inside the parse, throwing
// HostError or PluginLoadError out of it; main maps those to exit codes.
#pragma once

#include <CLI/App.hpp>

// plughost info (InfoCommand.cpp).
void AddInfoCommand(CLI::App& app);
// plughost process (process/ProcessCommand.cpp).
void AddProcessCommand(CLI::App& app);
// plughost preset (PresetCommand.cpp).
void AddPresetCommand(CLI::App& app);
// plughost plot (plot/PlotCommand.cpp).
void AddPlotCommand(CLI::App& app);
