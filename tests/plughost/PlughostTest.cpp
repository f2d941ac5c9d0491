// plughost run as a user runs it: real files in, real files out, exit codes
// and messages checked, outputs compared with independently computed samples.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/DirectHighPass.h"
#include "support/SignalHost.h"

namespace {

namespace fs = std::filesystem;
using Samples = std::vector<double>;

struct Audio {
    Samples left;
    Samples right;  // empty for mono
    int format = SF_FORMAT_WAV | SF_FORMAT_DOUBLE;
    int sampleRate = 44100;
};

void WriteAudio(const fs::path& path, const Audio& audio, int channels) {
    SF_INFO info{};
    info.samplerate = audio.sampleRate;
    info.channels = channels;
    info.format = audio.format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    Samples frames;
    for (size_t i = 0; i < audio.left.size(); ++i)
        for (int c = 0; c < channels; ++c)
            frames.push_back(c == 0 ? audio.left[i] : c == 1 ? audio.right[i] : 0.5);
    sf_writef_double(file, frames.data(), static_cast<sf_count_t>(audio.left.size()));
    sf_close(file);
}

Audio ReadAudio(const fs::path& path) {
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

std::string ReadText(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class PlughostTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder = fs::temp_directory_path() /
                 ("plughost-test-" + std::to_string(getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
        input.left = NoiseSignal(50000, 1);
        input.right = NoiseSignal(50000, 2);
        WriteAudio(folder / "in.wav", input, 2);
    }
    void TearDown() override { fs::remove_all(folder); }

    // Runs plughost in the scratch folder; returns its exit code.
    int Run(const std::string& arguments) {
        const std::string command = "cd '" + folder.string() + "' && '" PLUGHOST_PATH "' " +
                                    arguments + " >out.txt 2>err.txt";
        const int status = std::system(command.c_str());
        out = ReadText(folder / "out.txt");
        err = ReadText(folder / "err.txt");
        fs::remove(folder / "out.txt");
        fs::remove(folder / "err.txt");
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
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
    void ExpectError(int code, const std::string& arguments, const std::string& mention) {
        EXPECT_EQ(Run(arguments), code) << arguments;
        EXPECT_EQ(err.rfind("plughost: error: ", 0), 0u) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_NE(err.find(mention), std::string::npos) << err;
    }

    fs::path folder;
    Audio input;
    std::string out, err;
};

std::string Numbered(std::string name, int k) {
    name += std::to_string(k);
    name += ".wav";
    return name;
}

const std::string kSqueak = "'" SQUEAK_LIBRARY "'";
const std::string kPlugin = "'" PLUGIN_LIBRARY "'";

TEST_F(PlughostTest, SqueakOutputIsTheSquarePattern) {
    ASSERT_EQ(Run("process " + kSqueak + " in.wav out.wav"), 0) << err;
    EXPECT_NE(out.find("in.wav -> out.wav: 50000 frames"), std::string::npos) << out;
    const Audio output = ReadAudio(folder / "out.wav");
    ASSERT_EQ(output.left.size(), input.left.size());
    // Defaults at 44100 Hz: 735 samples at 0.3, then 735 at 0.3 + 0.8.
    for (size_t n = 0; n < input.left.size(); ++n) {
        const double gain = (n / 735) % 2 == 0 ? 30 * 0.01 : 1.0 * (80 * 0.01) + 30 * 0.01;
        ASSERT_EQ(output.left[n], gain * input.left[n]) << n;
        ASSERT_EQ(output.right[n], gain * input.right[n]) << n;
    }
}

TEST_F(PlughostTest, HighPassOutputIsDryPlusWetFilteredInput) {
    ASSERT_EQ(
        Run("process " + kPlugin + " in.wav out.wav --set CutOffFreq=250 --set Volume2=16383"), 0)
        << err;
    const Audio output = ReadAudio(folder / "out.wav");
    const HighPassCoefficients c = DesignHighPass(250, 44100);
    const double dry = (32767 + 0.5) * 3.051850947599719e-05;
    const double wet = (16383 + 0.5) * 3.051850947599719e-05;
    EXPECT_EQ(output.left,
              DryWetMix(input.left, DirectHighPass(c, input.left, Grouping::kLeft), dry, wet));
    EXPECT_EQ(output.right,
              DryWetMix(input.right, DirectHighPass(c, input.right, Grouping::kRight), dry, wet));
}

TEST_F(PlughostTest, RequestSizeAndMonoDoNotChangeTheSamples) {
    ASSERT_EQ(Run("process " + kPlugin + " in.wav whole.wav"), 0) << err;
    ASSERT_EQ(Run("process " + kPlugin + " in.wav pieces.wav --request 1000"), 0) << err;
    EXPECT_EQ(ReadAudio(folder / "whole.wav").left, ReadAudio(folder / "pieces.wav").left);

    WriteAudio(folder / "mono.wav", input, 1);
    ASSERT_EQ(Run("process " + kPlugin + " mono.wav mono-out.wav --request 4097"), 0) << err;
    const Audio mono = ReadAudio(folder / "mono-out.wav");
    EXPECT_TRUE(mono.right.empty());
    EXPECT_EQ(mono.left, ReadAudio(folder / "whole.wav").left);
}

TEST_F(PlughostTest, KeepsTheInputFormatUnlessToldOtherwise) {
    input.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    for (double& x : input.left) x *= 0.5;  // no clipping with a gain of 1.1
    for (double& x : input.right) x *= 0.5;
    WriteAudio(folder / "in16.wav", input, 2);
    ASSERT_EQ(Run("process " + kSqueak + " in16.wav out16.wav"), 0) << err;
    EXPECT_EQ(ReadAudio(folder / "out16.wav").format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    EXPECT_NE(out.find("0 samples clipped"), std::string::npos) << out;
    ASSERT_EQ(Run("process " + kSqueak + " in16.wav out.flac --format pcm24"), 0) << err;
    EXPECT_EQ(ReadAudio(folder / "out.flac").format & SF_FORMAT_SUBMASK, SF_FORMAT_PCM_24);
}

TEST_F(PlughostTest, ClippingIsCountedAndCanBeAnError) {
    ASSERT_EQ(Run("process " + kSqueak + " in.wav out.wav --format pcm16 --set DryOut=300"), 0);
    EXPECT_EQ(out.find(" 0 samples clipped"), std::string::npos) << out;
    EXPECT_NE(out.find("samples clipped"), std::string::npos) << out;
    // Clipped, not wrapped around.
    for (double x : ReadAudio(folder / "out.wav").left) ASSERT_LE(std::fabs(x), 1.0);

    ExpectError(6,
                "process " + kSqueak +
                    " in.wav clipped.wav --format pcm16 --set DryOut=300 "
                    "--fail-on-clip",
                "clipped");
    ExpectOnlyFiles({"in.wav", "out.wav"});
}

TEST_F(PlughostTest, BatchRunsInParallelWithTheSameResults) {
    fs::create_directories(folder / "batch");
    for (int k = 0; k < 3; ++k) {
        input.left = NoiseSignal(20000 + k, 10 + k);
        input.right = NoiseSignal(20000 + k, 20 + k);
        WriteAudio(folder / Numbered("f", k), input, 2);
    }
    ASSERT_EQ(Run("process " + kPlugin + " --out-dir batch --jobs 2 f0.wav f1.wav f2.wav"), 0)
        << err;
    for (int k = 0; k < 3; ++k) {
        const std::string name = Numbered("f", k);
        ASSERT_EQ(Run("process " + kPlugin + " " + name + " single.wav"), 0) << err;
        EXPECT_EQ(ReadAudio(folder / "batch" / name).left, ReadAudio(folder / "single.wav").left);
    }
}

// A preset travels XML -> INI -> registry -> XML through the plug-in's own
// save, and comes back the same.
TEST_F(PlughostTest, PresetsConvertBetweenTheThreeStores) {
    std::ofstream(folder / "start.xml")
        << "<Preset plugin=\"Squeak\"><DryOut Value=\"50\"/><Squeak Value=\"30\"/>"
           "<Frequency Value=\"10\"/><InvertR Value=\"1\"/></Preset>";
    ASSERT_EQ(Run("preset " + kSqueak + " --xml start.xml --save-xml first.xml"), 0) << err;
    ASSERT_EQ(Run("preset " + kSqueak + " --xml first.xml --save-ini p.ini --section Squeak"), 0)
        << err;
    fs::create_directories(folder / "registry");
    ASSERT_EQ(
        Run("preset " + kSqueak +
            " --ini p.ini --section Squeak --save-registry registry --save-section 'My\\Key'"),
        0)
        << err;
    ASSERT_EQ(
        Run("preset " + kSqueak + " --registry registry --section 'My\\Key' --save-xml last.xml"),
        0)
        << err;
    const std::string first = ReadText(folder / "first.xml");
    EXPECT_EQ(ReadText(folder / "last.xml"), first);
    EXPECT_NE(first.find("<VolR Value=\"30\" />"), std::string::npos) << first;
    EXPECT_NE(first.find("<CutR Value=\"10\" />"), std::string::npos) << first;

    // The preset's sound: dry 0.5, left squeak 0.3 (a period of 4410 samples).
    ASSERT_EQ(
        Run("process " + kSqueak + " in.wav out.wav --ini p.ini --section Squeak --set DryOut=40"),
        0)
        << err;
    const Audio output = ReadAudio(folder / "out.wav");
    EXPECT_EQ(output.left[0], 40 * 0.01 * input.left[0]);
    EXPECT_EQ(output.left[4410], (1.0 * (30 * 0.01) + 40 * 0.01) * input.left[4410]);
    EXPECT_EQ(output.right[4410], (-1.0 * (30 * 0.01) + 40 * 0.01) * input.right[4410]);
}

TEST_F(PlughostTest, BadInputGetsAClearErrorAndLeavesNothingBehind) {
    std::ofstream(folder / "bad.xml") << "<Preset><DryOut Value=\"1\"></Preset>";
    std::ofstream(folder / "hp.xml") << "<Preset plugin=\"High Pass Filter\"/>";
    std::ofstream(folder / "not-a-library.so") << "text";
    std::string nested;
    for (int depth = 0; depth < 100; ++depth) nested = "<e>" + nested + "</e>";
    std::ofstream(folder / "deep.xml") << nested;
    Audio three = input;
    WriteAudio(folder / "three.wav", three, 3);
    const std::vector<std::string> before = {"in.wav",           "bad.xml",  "hp.xml",
                                             "not-a-library.so", "deep.xml", "three.wav"};

    ExpectError(3, "process " + kSqueak + " missing.wav out.wav", "missing.wav");
    ExpectError(3, "process " + kSqueak + " three.wav out.wav", "3 channels");
    ExpectError(2, "process " + kSqueak + " in.wav out.wav --set Bogus=1", "Bogus");
    ExpectError(2, "process " + kSqueak + " in.wav out.wav --set DryOut=1.5", "32-bit integer");
    ExpectError(2, "process " + kSqueak + " in.wav out.wav --set DryOut=4294967296",
                "32-bit integer");
    ExpectError(3, "process " + kSqueak + " in.wav out.wav --xml bad.xml", "line 1, column");
    ExpectError(3, "process " + kSqueak + " in.wav out.wav --xml hp.xml", "High Pass Filter");
    ExpectError(3, "process " + kSqueak + " in.wav out.wav --xml deep.xml", "nested");
    ExpectError(3, "process " + kSqueak + " in.wav out.wav --ini none.ini --section S", "none.ini");
    ExpectError(4, "process not-a-library.so in.wav out.wav", "not-a-library.so");
    ExpectError(4, "process '" PARTIAL_LIBRARY "' in.wav out.wav",
                "Initialize, InitializeXml, LoadPreset");
    ExpectError(5, "process " + kSqueak + " in.wav no/such/folder/out.wav", "out.wav");
    ExpectError(2, "process " + kSqueak + " in.wav in.wav", "overwrite the input");
    ExpectError(2, "process " + kSqueak + " in.wav", "IN OUT");
    EXPECT_EQ(ReadAudio(folder / "in.wav").left, input.left);
    ExpectOnlyFiles(before);
}

}  // namespace
