#include "plughost/plot/PlotCommand.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>

#include "plughost/CommandLine.h"
#include "plughost/Files.h"
#include "plughost/HostError.h"
#include "plughost/OutputFile.h"
#include "plughost/ParameterLimits.h"
#include "plughost/Subcommands.h"
#include "plughost/plot/Chart.h"
#include "plughost/plot/Measure.h"

namespace {

constexpr Colour kLeftColour{0.12, 0.37, 0.75};
constexpr Colour kRightColour{0.85, 0.33, 0.1};
constexpr double kLowestFrequency = 10;
// Labels beyond these would cover the curve; the summary lists them all.
constexpr size_t kMostMarkers = 6;

std::string HertzText(double hertz) {
    return hertz < 1000 ? NumberText("%.1f Hz", hertz) : NumberText("%.3f kHz", hertz / 1000);
}

// One file the run writes, and what it shows.
struct Output {
    std::string path;
    std::string bytes;
    std::string description;
};

struct Picture {
    int width = 1200, height = 700;
};

Picture ParseSize(const std::string& text) {
    Picture picture;
    char x = 0, rest = 0;
    if (std::sscanf(text.c_str(), "%d%c%d%c", &picture.width, &x, &picture.height, &rest) != 3 ||
        x != 'x' || picture.width < 200 || picture.height < 150 || picture.width > 10000 ||
        picture.height > 10000)
        throw HostError(ExitCode::kUsage,
                        "--size " + text + ": expected WIDTHxHEIGHT, 200x150 to 10000x10000");
    return picture;
}

// Names and stored words of the record, and the rate: the chart's subtitle.
std::string Subtitle(const PluginLibrary& lib, const PresetSource& preset, uint32_t sampleRate) {
    std::string text;
    for (const Parameter& parameter : StoredParameters(lib, preset.Create()))
        text += parameter.name + " " + std::to_string(parameter.word) + "  \u00b7  ";
    return text + std::to_string(sampleRate) + " Hz";
}

// A logarithmic grid, 100 points an octave, from 10 Hz to half the rate.
std::vector<double> FrequencyGrid(uint32_t sampleRate) {
    const double nyquist = sampleRate / 2.0;
    std::vector<double> grid;
    for (double f = kLowestFrequency; f < nyquist; f *= std::pow(2.0, 1.0 / 100)) grid.push_back(f);
    grid.push_back(nyquist);
    return grid;
}

double Decibels(std::complex<double> value) {
    return 20 * std::log10(std::abs(value));
}

double Degrees(std::complex<double> value) {
    return std::arg(value) * 180 / M_PI;
}

// Left solid, right dashed, so that the two show where they coincide.
Series Curve(std::string label, const std::vector<double>& x, std::vector<double> y, bool right) {
    return {std::move(label), x, std::move(y), right ? kRightColour : kLeftColour, right};
}

// A phase curve broken where it wraps from +180° to −180°.
Series PhaseCurve(std::string label, const std::vector<double>& grid, const Samples& degrees,
                  bool right) {
    Series series = Curve(std::move(label), {}, {}, right);
    for (size_t i = 0; i < grid.size(); ++i) {
        if (i > 0 && std::fabs(degrees[i] - degrees[i - 1]) > 180) {
            series.x.push_back(grid[i]);
            series.y.push_back(NAN);
        }
        series.x.push_back(grid[i]);
        series.y.push_back(degrees[i]);
    }
    return series;
}

std::pair<double, double> Extent(const std::vector<Series>& series) {
    double low = INFINITY, high = -INFINITY;
    for (const Series& s : series)
        for (double y : s.y)
            if (std::isfinite(y)) low = std::min(low, y), high = std::max(high, y);
    return std::isfinite(low) ? std::pair{low, high} : std::pair{-1.0, 1.0};
}

struct Plotted {
    Chart chart;
    std::string csv = "";
    std::string summary = "";
};

// A chart over log frequency from 10 Hz to half the rate.
Chart FrequencyChart(std::string title, std::string subtitle, uint32_t sampleRate) {
    Chart chart;
    chart.title = std::move(title);
    chart.subtitle = std::move(subtitle);
    chart.xLabel = "frequency (Hz)";
    chart.xScale = Scale::kLogFrequency;
    chart.xMin = kLowestFrequency;
    chart.xMax = sampleRate / 2.0;
    return chart;
}

Plotted ResponsePlot(const PluginLibrary& lib, const PresetSource& preset,
                     const PlotOptions& options, const std::string& name) {
    const FrequencyResponse response = MeasureResponse(lib, preset, options.sampleRate);
    const std::vector<double> grid = FrequencyGrid(options.sampleRate);
    Samples level[2], phase[2];
    bool channelsDiffer = false;
    for (double f : grid)
        for (int c = 0; c < 2; ++c) {
            level[c].push_back(Decibels(response.At(f, c == 1)));
            phase[c].push_back(Degrees(response.At(f, c == 1)));
            channelsDiffer |= c == 1 && !(std::fabs(level[1].back() - level[0].back()) <= 0.01);
        }

    Plotted plot{FrequencyChart(name + ": frequency response",
                                Subtitle(lib, preset, options.sampleRate), options.sampleRate)};
    Chart& chart = plot.chart;

    Panel magnitude;
    magnitude.yLabel = "magnitude (dB)";
    magnitude.weight = 1.6;
    magnitude.series.push_back(Curve(channelsDiffer ? "left" : "", grid, level[0], false));
    if (channelsDiffer) magnitude.series.push_back(Curve("right", grid, level[1], true));
    const auto [low, high] = Extent(magnitude.series);
    magnitude.FitY(std::max(low, high - 96), high + 1);
    std::string points;
    for (int c = 0; c < (channelsDiffer ? 2 : 1); ++c)
        for (double f : HalfPowerFrequencies(response, kLowestFrequency, c == 1)) {
            const std::string where = HertzText(f);
            if (magnitude.markers.size() < kMostMarkers)
                magnitude.markers.push_back(
                    {f, Decibels(response.At(f, c == 1)), "\u22123 dB at " + where});
            points += (points.empty() ? "" : ", ") + where;
        }
    magnitude.notes.push_back(points.empty()
                                  ? "no \u22123 dB point between 10 Hz and " + HertzText(chart.xMax)
                                  : "\u22123 dB points: 3.01 dB below the peak (" +
                                        NumberText("%.2f dB)", high));
    chart.panels.push_back(magnitude);
    if (options.phase) {
        Panel panel;
        panel.yLabel = "phase (degrees)";
        panel.yMin = -180;
        panel.yMax = 180;
        panel.yStep = 90;
        panel.series.push_back(PhaseCurve(channelsDiffer ? "left" : "", grid, phase[0], false));
        if (channelsDiffer) panel.series.push_back(PhaseCurve("right", grid, phase[1], true));
        chart.panels.push_back(panel);
    }

    plot.csv = "frequency_hz,left_db,left_phase_deg,right_db,right_phase_deg\n";
    for (size_t i = 0; i < grid.size(); ++i) {
        char row[160];
        std::snprintf(row, sizeof row, "%.6f,%.6f,%.4f,%.6f,%.4f\n", grid[i], level[0][i],
                      phase[0][i], level[1][i], phase[1][i]);
        plot.csv += row;
    }
    plot.summary = "frequency response of " + name + ", 10 Hz to " + HertzText(chart.xMax) +
                   (points.empty() ? "; no -3 dB point" : "; -3 dB at " + points);
    return plot;
}

// A long curve thinned to the lowest and the highest point of each of about
// 3000 slices, in their order: every step and peak stays in the picture.
Series Thinned(const Samples& gain, uint32_t sampleRate, std::string label, bool right) {
    Series series = Curve(std::move(label), {}, {}, right);
    const size_t slice = std::max<size_t>(1, gain.size() / 3000);
    for (size_t start = 0; start < gain.size(); start += slice) {
        const auto end = gain.begin() + std::min(gain.size(), start + slice);
        const auto [low, high] = std::minmax_element(gain.begin() + start, end);
        for (auto n : {std::min(low, high), std::max(low, high)}) {
            series.x.push_back(static_cast<double>(n - gain.begin()) / sampleRate);
            series.y.push_back(*n);
            if (low == high) break;
        }
    }
    return series;
}

std::string PatternText(const SquarePattern& pattern, uint32_t sampleRate) {
    if (pattern.phaseSamples == 0) return "no square pattern";
    char text[200];
    const double period = pattern.PeriodSeconds(sampleRate);
    std::snprintf(text, sizeof text,
                  "period %.2f ms (%.2f Hz): gain %.3g and %.3g in turn, %.0f samples each",
                  period * 1000, 1 / period, pattern.low, pattern.high, pattern.phaseSamples);
    return text;
}

Plotted GainPlot(const PluginLibrary& lib, const PresetSource& preset, const PlotOptions& options,
                 const std::string& name) {
    const GainOverTime gain = MeasureGain(lib, preset, options.sampleRate, options.seconds);
    Plotted plot;
    Chart& chart = plot.chart;
    chart.title = name + ": gain over time for a constant input";
    chart.subtitle = Subtitle(lib, preset, options.sampleRate);
    chart.xLabel = "time (s)";
    chart.xMax = options.seconds;
    Panel panel;
    panel.yLabel = "gain (output / input)";
    panel.series.push_back(Thinned(gain.left, gain.sampleRate, "left", false));
    panel.series.push_back(Thinned(gain.right, gain.sampleRate, "right", true));
    const auto [low, high] = Extent(panel.series);
    const double margin = std::max(0.05, (high - low) * 0.15);
    panel.FitY(std::min(0.0, low - margin), high + margin);
    const std::string left = PatternText(FindSquarePattern(gain.left), gain.sampleRate);
    const std::string right = PatternText(FindSquarePattern(gain.right), gain.sampleRate);
    if (left == right)
        panel.notes.push_back("left and right: " + left);
    else
        panel.notes = {"left: " + left, "right: " + right};
    chart.panels.push_back(panel);

    plot.csv = "time_s,left_gain,right_gain\n";
    plot.csv.reserve(64 * gain.left.size());
    for (size_t n = 0; n < gain.left.size(); ++n) {
        char row[100];
        std::snprintf(row, sizeof row, "%.9f,%.17g,%.17g\n",
                      static_cast<double>(n) / gain.sampleRate, gain.left[n], gain.right[n]);
        plot.csv += row;
    }
    plot.summary = "gain of " + name + " over " + NumberText("%.2f s", options.seconds) + "; " +
                   panel.notes.front() + (panel.notes.size() > 1 ? "; " + panel.notes.back() : "");
    return plot;
}

Plotted SpectrumPlot(const PluginLibrary& lib, const PresetSource& preset, const std::string& input,
                     const std::string& name) {
    const SpectrumPair spectra = MeasureSpectrum(lib, preset, input);
    const std::string file = std::filesystem::path(input).filename().string();
    Plotted plot{FrequencyChart(name + ": average spectrum of " + file,
                                Subtitle(lib, preset, spectra.sampleRate), spectra.sampleRate)};
    Chart& chart = plot.chart;
    Panel panel;
    panel.yLabel = "level (dB re full-scale sine)";
    std::vector<double> frequencies;
    for (size_t k = 0; k < spectra.before.size(); ++k) frequencies.push_back(k * spectra.binWidth);
    panel.series.push_back(Curve("before", frequencies, spectra.before, false));
    panel.series.push_back({"after", frequencies, spectra.after, kRightColour});
    const auto [low, high] = Extent(panel.series);
    panel.FitY(std::max(low, high - 120), high + 3);
    chart.panels.push_back(panel);

    plot.csv = "frequency_hz,input_db,output_db\n";
    for (size_t k = 0; k < frequencies.size(); ++k) {
        char row[100];
        std::snprintf(row, sizeof row, "%.6f,%.6f,%.6f\n", frequencies[k], spectra.before[k],
                      spectra.after[k]);
        plot.csv += row;
    }
    plot.summary = "average spectrum of " + input + " before and after " + name;
    return plot;
}

// Writes every output, first each into its temporary file, then each into
// place; when one fails, the ones already in place go again.
void WriteAll(const std::vector<Output>& outputs, const std::map<std::string, OutputTarget>& to) {
    std::vector<std::unique_ptr<OutputFile>> files;
    for (const Output& output : outputs) {
        files.push_back(std::make_unique<OutputFile>(to.at(output.path)));
        files.back()->Write(output.bytes);
    }
    for (size_t i = 0; i < files.size(); ++i) {
        try {
            files[i]->Commit();
        } catch (const HostError&) {
            for (size_t k = 0; k < i; ++k)
                if (!files[k]->Streams()) std::remove(files[k]->Target().file.c_str());
            throw;
        }
    }
}

}  // namespace

void AddPlotCommand(CLI::App& app) {
    // The options live as long as the command line that fills them.
    const auto shared = std::make_shared<PlotOptions>();
    PlotOptions& options = *shared;
    CLI::App* plot = app.add_subcommand(
        "plot",
        "Draw a plug-in's frequency response, gain over time or effect on a file's "
        "spectrum (PNG or SVG)");
    plot->add_option("LIB", options.library, "Plug-in library")->required();
    AddPresetOptions(*plot, options.preset);
    plot->add_option("--rate", options.sampleRate,
                     "Sample rate of the measurements in Hz (default 44100)")
        ->check(WholeNumber(1000, kHighestRate));
    plot->add_option("--response", options.responseFile,
                     "Draw the magnitude response (dB over log frequency) into FILE")
        ->type_name("FILE");
    plot->add_flag("--phase", options.phase, "Add the phase to --response");
    plot->add_option("--gain", options.gainFile,
                     "Draw the per-channel gain over time for a constant input into FILE")
        ->type_name("FILE");
    plot->add_option("--seconds", options.seconds, "Length of the --gain measurement (default 3)")
        ->check(FiniteNumber(0.01, 600));
    plot->add_option("--spectrum", options.spectrum,
                     "Draw the average spectrum of IN before and after the plug-in into FILE")
        ->expected(2)
        ->type_name("IN FILE");
    plot->add_option("--csv", options.csvFile, "Write the numbers behind the plot into FILE")
        ->type_name("FILE");
    plot->add_option("--size", options.size, "Image size in pixels (default 1200x700)")
        ->type_name("WIDTHxHEIGHT");
    plot->callback([shared] { Plot(*shared); });
}

int Plot(const PlotOptions& options) {
    const std::string spectrumFile = options.spectrum.empty() ? "" : options.spectrum[1];
    std::vector<std::string> images;
    for (const std::string* file : {&options.responseFile, &options.gainFile, &spectrumFile})
        if (!file->empty()) images.push_back(*file);
    if (images.empty())
        throw HostError(ExitCode::kUsage, "plot needs --response, --gain or --spectrum");
    if (!options.csvFile.empty() && images.size() > 1)
        throw HostError(ExitCode::kUsage, "--csv writes the numbers of one plot; ask for one");
    if (options.phase && options.responseFile.empty())
        throw HostError(ExitCode::kUsage, "--phase goes with --response");
    const Picture picture = ParseSize(options.size);
    if (!options.gainFile.empty() && options.seconds * options.sampleRate > kMostGainFrames)
        throw HostError(ExitCode::kUsage, "--seconds " + NumberText("%g", options.seconds) +
                                              " at " + std::to_string(options.sampleRate) +
                                              " Hz: the gain plot measures up to " +
                                              std::to_string(kMostGainFrames) + " frames");
    for (const std::string& image : images) ImageFormatOf(image);
    std::vector<std::string> written = images;
    if (!options.csvFile.empty()) written.push_back(options.csvFile);
    std::map<std::string, OutputTarget> targets;
    std::set<std::string> named;
    const auto input = spectrumFile.empty() ? std::nullopt : IdentityOf(options.spectrum[0]);
    for (const std::string& path : written) {
        OutputTarget target = ResolveOutput(path);
        if (!named.insert(OutputKey(target)).second)
            throw HostError(ExitCode::kUsage, path + ": named for two outputs");
        if (input && target.identity == input)
            throw HostError(ExitCode::kUsage, path + ": the output would overwrite the input");
        targets.emplace(path, std::move(target));
    }

    PluginLibrary lib(LibraryPath(options.library));
    const PresetSource preset(lib, options.preset);
    CheckUsable(lib, preset);
    const std::string name = PluginName(lib);
    std::vector<Output> outputs;
    const auto add = [&](const std::string& path, Plotted plot) {
        outputs.push_back(
            {path, RenderChart(plot.chart, picture.width, picture.height, ImageFormatOf(path)),
             plot.summary});
        if (!options.csvFile.empty())
            outputs.push_back({options.csvFile, std::move(plot.csv), "the numbers behind " + path});
    };
    if (!options.responseFile.empty())
        add(options.responseFile, ResponsePlot(lib, preset, options, name));
    if (!options.gainFile.empty()) add(options.gainFile, GainPlot(lib, preset, options, name));
    if (!spectrumFile.empty())
        add(spectrumFile, SpectrumPlot(lib, preset, options.spectrum[0], name));
    WriteAll(outputs, targets);
    for (const Output& output : outputs)
        std::printf("%s: %s\n", output.path.c_str(), output.description.c_str());
    return 0;
}
