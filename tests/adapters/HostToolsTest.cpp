// The plug-ins in hosts that nobody here wrote: lilv's tools read the LV2
// bundle and run it, sox and the LADSPA SDK's tools run the LADSPA library,
// and what they give is compared with plughost running the Windows plug-ins'
// code over the same files with the same stored values.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "support/SignalHost.h"

namespace {

namespace fs = std::filesystem;
using Values = std::vector<std::pair<std::string, int>>;

struct Plugin {
    const char* uri;
    const char* label;
    const char* library;  // the same effect behind the thirteen entry points
    int channels;
    Values values;  // in port order, none at its default
};

const Values kHighPassValues{{"DryOut", 8191}, {"Volume2", 30000}, {"CutOffFreq", 250}};
const Values kSqueakValues{{"DryOut", 40}, {"Squeak", 60}, {"Frequency", 8},
                           {"VolR", 100},  {"CutR", 13},   {"HoldCh", 1},
                           {"InvertL", 1}, {"InvertR", 0}, {"DisMain", 1}};
const std::vector<Plugin> kPlugins{
    {"urn:kelvora:high-pass", "high_pass", HIGHPASS_LIBRARY, 2, kHighPassValues},
    {"urn:kelvora:high-pass-mono", "high_pass_mono", HIGHPASS_LIBRARY, 1, kHighPassValues},
    {"urn:kelvora:squeak", "squeak", SQUEAK_LIBRARY, 2, kSqueakValues},
    {"urn:kelvora:squeak-mono", "squeak_mono", SQUEAK_LIBRARY, 1, kSqueakValues},
};

struct Result {
    int status;
    std::string output;
};

// Runs a shell command, its standard error with its output.
Result Shell(const std::string& command) {
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return {-1, "popen failed"};
    std::string output;
    char chunk[4096];
    for (size_t n; (n = fread(chunk, 1, sizeof chunk, pipe)) > 0;) output.append(chunk, n);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

std::string Quoted(const fs::path& path) {
    std::string quoted(1, '\'');
    quoted += path.string();
    quoted += '\'';
    return quoted;
}

// Every sample of the file, interleaved, as libsndfile reads it: exact for
// float files, integers divided by 2^15 or 2^31.
std::vector<double> Samples(const fs::path& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) return {};
    std::vector<double> samples(static_cast<size_t>(info.frames * info.channels));
    sf_readf_double(file, samples.data(), info.frames);
    sf_close(file);
    return samples;
}

// One second of tones and noise, on the 24-bit grid so that sox's 32-bit
// integers carry every input sample exactly.
void WriteInput(const fs::path& path, int channels) {
    const int rate = 44100;
    const auto noise = NoiseSignal(rate * channels, 3);
    std::vector<float> frames(noise.size());
    for (size_t i = 0; i < frames.size(); ++i) {
        const double t = static_cast<double>(i / channels) / rate;
        const double x = 0.2 * std::sin(2 * M_PI * 60 * t) +
                         0.15 * std::sin(2 * M_PI * (i % channels ? 3000 : 440) * t) +
                         0.05 * noise[i];
        frames[i] = static_cast<float>(std::round(x * 8388608.0) / 8388608.0);
    }
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    sf_writef_float(file, frames.data(), rate);
    sf_close(file);
}

// How far a host's output lies from plughost's.
struct Difference {
    size_t samples = 0;
    size_t differing = 0;
    double largest = 0;
};

Difference Compare(const std::vector<double>& expected, const std::vector<double>& actual) {
    Difference d;
    d.samples = expected.size();
    EXPECT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < std::min(expected.size(), actual.size()); ++i) {
        const double gap = std::fabs(actual[i] - expected[i]);
        if (gap != 0) ++d.differing;
        d.largest = std::max(d.largest, gap);
    }
    return d;
}

// The stored parameters plughost's `info` lists for a library: names and
// the values a new record stores.
Values DefaultRecord(const char* library) {
    const Result info = Shell(std::string(PLUGHOST_PATH) + " info " + library);
    EXPECT_EQ(info.status, 0) << info.output;
    Values parameters;
    std::istringstream lines(info.output.substr(info.output.find("parameters")));
    std::string line, name;
    std::getline(lines, line);
    for (long long value; lines >> name >> value;) parameters.emplace_back(name, value);
    return parameters;
}

class HostTools : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir_ = fs::temp_directory_path() / ("adapters-hosts-" + std::to_string(getpid()));
        fs::create_directories(dir_);
        // The build tree's plug-ins, and the installed LV2 specifications.
        setenv("LV2_PATH", LV2_DIR ":/usr/lib/lv2", 1);
        setenv("LADSPA_PATH", LADSPA_DIR, 1);
        WriteInput(dir_ / "in1.wav", 1);
        WriteInput(dir_ / "in2.wav", 2);
    }
    static void TearDownTestSuite() { fs::remove_all(dir_); }

    static fs::path Input(const Plugin& plugin) {
        return dir_ / ("in" + std::to_string(plugin.channels) + ".wav");
    }

    // plughost's float output for the plug-in's values: the reference.
    static std::vector<double> Reference(const Plugin& plugin) {
        const fs::path out = dir_ / (std::string(plugin.label) + "-plughost.wav");
        std::string command = std::string(PLUGHOST_PATH) + " process " + plugin.library + " " +
                              Quoted(Input(plugin)) + " " + Quoted(out) + " --format float --quiet";
        for (const auto& [name, value] : plugin.values)
            command += " --set " + name + "=" + std::to_string(value);
        const Result run = Shell(command);
        EXPECT_EQ(run.status, 0) << run.output;
        return Samples(out);
    }

    // Runs a host's command line, "IN" and "OUT" standing for the files.
    static std::vector<double> HostOutput(const Plugin& plugin, const std::string& host,
                                          std::string command) {
        const fs::path out = dir_ / (std::string(plugin.label) + "-" + host + ".wav");
        command = std::regex_replace(command, std::regex("IN"), Quoted(Input(plugin)));
        command = std::regex_replace(command, std::regex("OUT"), Quoted(out));
        const Result run = Shell(command);
        EXPECT_EQ(run.status, 0) << command << "\n" << run.output;
        return Samples(out);
    }

    static std::string PortValues(const Plugin& plugin) {
        std::string values;
        for (const auto& [name, value] : plugin.values) {
            values += ' ';
            values += std::to_string(value);
        }
        return values;
    }

    // Compares a host whose own quantization is `step` with plughost, for
    // every stereo plug-in, and says how many samples differ at all.
    static void ExpectWithinOneStep(const std::string& host, double step,
                                    const std::string& command) {
        for (const Plugin& plugin : kPlugins) {
            if (plugin.channels != 2) continue;
            const std::string line =
                std::regex_replace(std::regex_replace(command, std::regex("LABEL"), plugin.label),
                                   std::regex("VALUES"), PortValues(plugin));
            const Difference d = Compare(Reference(plugin), HostOutput(plugin, host, line));
            std::printf("%s %s: %zu of %zu samples differ from plughost's, largest %.3g step\n",
                        host.c_str(), plugin.label, d.differing, d.samples, d.largest / step);
            EXPECT_LE(d.largest, step) << plugin.label;
        }
    }

    static fs::path dir_;
};

fs::path HostTools::dir_;

TEST_F(HostTools, Lv2applyGivesPlughostsSamplesBitForBit) {
    for (const Plugin& plugin : kPlugins) {
        std::string command = "lv2apply -i IN -o OUT";
        for (const auto& [name, value] : plugin.values)
            command += " -c " + name + " " + std::to_string(value);
        const Difference d =
            Compare(Reference(plugin), HostOutput(plugin, "lv2apply", command + " " + plugin.uri));
        EXPECT_EQ(d.differing, 0u) << plugin.uri << ", largest difference " << d.largest;
    }
}

// sox carries samples between effects as 32-bit integers, and turns them
// into 32-bit floats (for the plug-in, for the float file) on a grid of
// 2^-24: its float format's step.
TEST_F(HostTools, SoxLadspaIsWithinOneStepOfItsFloatConversion) {
    ExpectWithinOneStep("sox", std::ldexp(1.0, -24),
                        "sox -D -q IN OUT ladspa " LADSPA_LIBRARY " LABEL VALUES");
}

// applyplugin writes 16-bit files.
TEST_F(HostTools, ApplypluginIsWithinOneStepOf16Bit) {
    ExpectWithinOneStep("applyplugin", std::ldexp(1.0, -15),
                        "applyplugin IN OUT " LADSPA_LIBRARY " LABEL VALUES");
}

// Reads lv2info's port listing: per port its symbol and, for controls, the
// default, minimum and maximum.
struct Lv2Port {
    std::string symbol;
    bool control = false;
    double defaultValue = NAN, minimum = NAN, maximum = NAN;
};

std::vector<Lv2Port> Lv2Ports(const std::string& listing) {
    std::vector<Lv2Port> ports;
    std::istringstream lines(listing);
    for (std::string line; std::getline(lines, line);) {
        std::smatch m;
        if (std::regex_search(line, std::regex("^\\s*Port \\d+:"))) ports.emplace_back();
        if (ports.empty()) continue;
        Lv2Port& port = ports.back();
        if (line.find("#ControlPort") != std::string::npos) port.control = true;
        if (std::regex_search(line, m, std::regex("Symbol:\\s+(\\S+)"))) port.symbol = m[1];
        if (std::regex_search(line, m, std::regex("Default:\\s+(\\S+)")))
            port.defaultValue = std::stod(m[1]);
        if (std::regex_search(line, m, std::regex("Minimum:\\s+(\\S+)")))
            port.minimum = std::stod(m[1]);
        if (std::regex_search(line, m, std::regex("Maximum:\\s+(\\S+)")))
            port.maximum = std::stod(m[1]);
    }
    return ports;
}

TEST_F(HostTools, Lv2infoShowsEveryStoredParameterWithTheEffectsDefault) {
    for (const Plugin& plugin : kPlugins) {
        const Result info = Shell(std::string("lv2info ") + plugin.uri);
        ASSERT_EQ(info.status, 0) << info.output;
        const std::vector<Lv2Port> ports = Lv2Ports(info.output);
        Values controls;
        for (const Lv2Port& port : ports) {
            if (!port.control || port.symbol == "enabled") continue;
            controls.emplace_back(port.symbol, static_cast<int>(port.defaultValue));
            EXPECT_EQ(port.defaultValue, std::round(port.defaultValue)) << port.symbol;
            EXPECT_LE(port.minimum, port.defaultValue) << port.symbol;
            EXPECT_LE(port.defaultValue, port.maximum) << port.symbol;
        }
        // The audio ports and the bypass switch.
        EXPECT_EQ(ports.size() - controls.size(), 2u * plugin.channels + 1) << plugin.uri;
        EXPECT_EQ(controls, DefaultRecord(plugin.library)) << plugin.uri;
    }
}

TEST_F(HostTools, AnalysepluginShowsEveryPlugInWithTheEffectsDefaults) {
    const Result listing = Shell("analyseplugin " LADSPA_LIBRARY);
    ASSERT_EQ(listing.status, 0) << listing.output;
    std::map<std::string, std::vector<int>> defaults;  // per label
    std::set<std::string> ids;
    std::string label;
    std::istringstream lines(listing.output);
    for (std::string line; std::getline(lines, line);) {
        std::smatch m;
        if (std::regex_search(line, m, std::regex("Plugin Label: \"(.*)\""))) label = m[1];
        if (std::regex_search(line, m, std::regex("Plugin Unique ID: (\\d+)"))) ids.insert(m[1]);
        if (std::regex_search(line, m, std::regex("input, control, .*default (-?[0-9.]+)")))
            defaults[label].push_back(std::stoi(m[1]));
    }
    EXPECT_EQ(ids.size(), kPlugins.size());
    EXPECT_EQ(defaults.size(), kPlugins.size());
    for (const Plugin& plugin : kPlugins) {
        std::vector<int> expected;
        for (const auto& [name, value] : DefaultRecord(plugin.library)) expected.push_back(value);
        EXPECT_EQ(defaults[plugin.label], expected) << plugin.label;
    }
}

// The LADSPA SDK's own check of every descriptor, and names that tell the
// two formats of one effect apart where a host lists both.
TEST_F(HostTools, AnalysepluginFindsNoErrorAndTheFormatsHaveTheirOwnNames) {
    const Result listing = Shell("analyseplugin " LADSPA_LIBRARY);
    ASSERT_EQ(listing.status, 0) << listing.output;
    EXPECT_EQ(listing.output.find("ERROR"), std::string::npos) << listing.output;
    for (const Plugin& plugin : kPlugins) {
        const Result info = Shell(std::string("lv2info ") + plugin.uri);
        std::smatch m;
        ASSERT_TRUE(std::regex_search(info.output, m, std::regex("\\n\\s*Name:\\s+(.*)\\n")));
        const std::string lv2Name = m[1];
        EXPECT_EQ(listing.output.find("Plugin Name: \"" + lv2Name + "\""), std::string::npos)
            << lv2Name;
        EXPECT_NE(listing.output.find("Plugin Name: \"" + lv2Name + " (LADSPA)\""),
                  std::string::npos)
            << lv2Name;
    }
}

}  // namespace
