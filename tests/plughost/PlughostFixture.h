// plughost run as a user runs it, in a scratch folder of its own: real
// files in and out, exit codes and messages checked.
#pragma once

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/ScratchFolder.h"
#include "support/SignalHost.h"

namespace fs = std::filesystem;
using Samples = std::vector<double>;

struct Audio {
    Samples left;
    Samples right;  // empty for mono
    int format = SF_FORMAT_WAV | SF_FORMAT_DOUBLE;
    int sampleRate = 44100;
};

inline void WriteAudio(const fs::path& path, const Audio& audio, int channels) {
    SF_INFO info{};
    info.samplerate = audio.sampleRate;
    info.channels = channels;
    info.format = audio.format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    Samples frames;
    for (size_t i = 0; i < audio.left.size(); ++i)
        for (int c = 0; c < channels; ++c)
            frames.push_back(c == 0 ? audio.left[i] : c == 1 ? audio.right[i] : 0.5);
    sf_writef_double(file, frames.data(), static_cast<sf_count_t>(audio.left.size()));
    sf_close(file);
}

inline Audio ReadAudio(const fs::path& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    Audio audio;
    if (!file) return audio;
    Samples frames(static_cast<size_t>(info.frames * info.channels));
    sf_readf_double(file, frames.data(), info.frames);
    sf_close(file);
    for (sf_count_t i = 0; i < info.frames; ++i) {
        audio.left.push_back(frames[i * info.channels]);
        if (info.channels == 2) audio.right.push_back(frames[i * info.channels + 1]);
    }
    audio.format = info.format;
    audio.sampleRate = info.samplerate;
    return audio;
}

class PlughostTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder = FreshTestFolder("plughost-test-");
        input.left = NoiseSignal(50000, 1);
        input.right = NoiseSignal(50000, 2);
        WriteAudio(folder / "in.wav", input, 2);
    }
    void TearDown() override { fs::remove_all(folder); }

    // Runs plughost in the scratch folder, after the shell commands
    // `before`; returns its exit code.
    int Run(const std::string& arguments, const std::string& before = "") {
        ToolRun run = RunInFolder(folder, "'" PLUGHOST_PATH "' " + arguments, before);
        out = std::move(run.out);
        err = std::move(run.err);
        return run.exitCode;
    }

    // Runs the shell `line` in the scratch folder, with plughost as the
    // command `ph` (which gives up after 20 seconds: a run that should stream
    // into a FIFO might not) and as "$bin"; returns its exit code.
    int RunLine(const std::string& line) {
        ToolRun run =
            RunInFolder(folder, "{ " + line + "; }",
                        "bin='" PLUGHOST_PATH "'; ph() { timeout 20 \"$bin\" \"$@\"; }; ");
        out = std::move(run.out);
        err = std::move(run.err);
        return run.exitCode;
    }

    // Nothing but the named files in the folder: no partial or temporary
    // outputs.
    void ExpectOnlyFiles(std::vector<std::string> names) {
        std::vector<std::string> found;
        for (const auto& entry : fs::directory_iterator(folder))
            found.push_back(entry.path().filename().string());
        std::sort(found.begin(), found.end());
        std::sort(names.begin(), names.end());
        EXPECT_EQ(found, names);
    }

    // A failure: the exit code, and one line naming what went wrong.
    void ExpectError(int code, const std::string& arguments, const std::string& mention,
                     const std::string& before = "") {
        EXPECT_EQ(Run(arguments, before), code) << arguments;
        EXPECT_EQ(err.rfind("plughost: error: ", 0), 0u) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_NE(err.find(mention), std::string::npos) << err;
    }

    fs::path folder;
    Audio input;
    std::string out, err;
};

inline std::string Numbered(std::string name, int k) {
    name += std::to_string(k);
    name += ".wav";
    return name;
}

inline const std::string kSqueak = "'" SQUEAK_LIBRARY "'";
inline const std::string kPlugin = "'" HIGHPASS_LIBRARY "'";
