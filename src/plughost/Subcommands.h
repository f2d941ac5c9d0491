// Subcommands that live in folders of their own below plughost/ and build on
// it; main adds them to the command line. Each runs as its subcommand's
// callback, inside the parse, and throws HostError or PluginLoadError out of
// it.
#pragma once

#include <CLI/App.hpp>

// plughost plot (plot/PlotCommand.cpp).
void AddPlotCommand(CLI::App& app);
