// plughost run as a user runs it: real files in, real files out, exit codes
// and messages checked, outputs compared with independently computed samples.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "PlughostFixture.h"
#include "support/DirectHighPass.h"

namespace {

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

// Input and output cross threads in blocks of their own size: whatever the
// request size, stereo or mono, 16-bit or double, the output is the filter's
// computed directly, in 16 bits rounded to the nearest step.
TEST_F(PlughostTest, EveryRequestSizeGivesTheSamplesOfTheFilter) {
    const HighPassCoefficients c = DesignHighPass(250, 44100);
    const double dry = (32767 + 0.5) * 3.051850947599719e-05;
    const double wet = (16383 + 0.5) * 3.051850947599719e-05;
    const auto filtered = [&](const Samples& x, Grouping grouping) {
        return x.empty() ? x : DryWetMix(x, DirectHighPass(c, x, grouping), dry, wet);
    };
    Audio input16 = input;
    input16.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    WriteAudio(folder / "in16.wav", input16, 2);
    WriteAudio(folder / "mono16.wav", input16, 1);

    for (const std::string name : {"in.wav", "in16.wav", "mono16.wav"}) {
        const Audio source = ReadAudio(folder / name);
        // Stored in 16 bits, each the nearest step.
        const auto stored = [&](Samples x) {
            if ((source.format & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_16)
                for (double& y : x)
                    y = std::floor(std::clamp(y * 32768, -32768.0, 32767.0) + 0.5) / 32768;
            return x;
        };
        Audio expected = source;
        expected.left = stored(filtered(source.left, Grouping::kLeft));
        expected.right = stored(filtered(source.right, Grouping::kRight));
        for (const std::string request : {"1", "7", "4097", "16385", "65536", "100000"}) {
            ASSERT_EQ(
                Run("process " + kPlugin + " " + name +
                    " out.wav --overwrite --set CutOffFreq=250 --set Volume2=16383 --request " +
                    request),
                0)
                << err;
            const Audio output = ReadAudio(folder / "out.wav");
            EXPECT_EQ(output.format, source.format);
            EXPECT_EQ(output.left, expected.left) << name << " --request " << request;
            EXPECT_EQ(output.right, expected.right) << name << " --request " << request;
        }
    }
}

// The container follows the output's name, the sample format the input
// where the container holds it.
TEST_F(PlughostTest, KeepsTheInputFormatUnlessToldOtherwise) {
    input.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    for (double& x : input.left) x *= 0.5;  // no clipping with a gain of 1.1
    for (double& x : input.right) x *= 0.5;
    WriteAudio(folder / "in16.wav", input, 2);
    ASSERT_EQ(Run("process " + kSqueak + " in16.wav out16.wav"), 0) << err;
    EXPECT_EQ(ReadAudio(folder / "out16.wav").format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    EXPECT_NE(out.find("0 samples clipped"), std::string::npos) << out;
    ASSERT_EQ(Run("process " + kSqueak + " in16.wav out.flac --format pcm24"), 0) << err;
    EXPECT_EQ(ReadAudio(folder / "out.flac").format, SF_FORMAT_FLAC | SF_FORMAT_PCM_24);
    ASSERT_EQ(Run("process " + kSqueak + " out.flac back.WAV"), 0) << err;
    EXPECT_EQ(ReadAudio(folder / "back.WAV").format, SF_FORMAT_WAV | SF_FORMAT_PCM_24);
    input.format = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
    WriteAudio(folder / "in.mp3", input, 2);
    ASSERT_EQ(Run("process " + kSqueak + " in.mp3 mp3.wav"), 0) << err;
    EXPECT_EQ(ReadAudio(folder / "mp3.wav").format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    ASSERT_EQ(Run("process " + kSqueak + " in16.wav out.data"), 0) << err;
    EXPECT_EQ(ReadAudio(folder / "out.data").format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
}

// Squeak at a gain of exactly 1 changes nothing: its 16-bit output is sox's
// conversion without dither, sample for sample.
TEST_F(PlughostTest, SixteenBitOutputRoundsAsSoxDoes) {
    input.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    WriteAudio(folder / "float.wav", input, 2);
    ASSERT_EQ(Run("process " + kSqueak +
                  " float.wav ours.wav --format pcm16 --set DryOut=100 --set Squeak=0 -q"),
              0)
        << err;
    ASSERT_EQ(RunLine("sox float.wav -b 16 -D sox.wav"), 0) << err;
    EXPECT_EQ(ReadAudio(folder / "ours.wav").left, ReadAudio(folder / "sox.wav").left);
    EXPECT_EQ(ReadAudio(folder / "ours.wav").right, ReadAudio(folder / "sox.wav").right);
}

TEST_F(PlughostTest, ClippingIsCountedAndCanBeAnError) {
    ASSERT_EQ(Run("process " + kSqueak + " in.wav out.wav --format pcm16 --set DryOut=300"), 0);
    // The levels of the samples before they are stored: a gain of 3, and
    // 3 + 0.8 in every second stretch of 735 samples.
    double peakIn = 0, peakOut = 0;
    unsigned long long clipped = 0;
    for (const Samples* channel : {&input.left, &input.right})
        for (size_t n = 0; n < channel->size(); ++n) {
            const double gain = (n / 735) % 2 == 0 ? 300 * 0.01 : 1.0 * (80 * 0.01) + 300 * 0.01;
            const double x = std::fabs((*channel)[n]), y = std::fabs(gain * (*channel)[n]);
            peakIn = std::max(peakIn, x);
            peakOut = std::max(peakOut, y);
            clipped += y > 1.0;
        }
    char summary[128];
    std::snprintf(summary, sizeof summary, "peak %.2f dBFS in, %.2f dBFS out; %llu samples clipped",
                  20 * std::log10(peakIn), 20 * std::log10(peakOut), clipped);
    EXPECT_NE(out.find(summary), std::string::npos) << out << "\nexpected: " << summary;
    EXPECT_GT(clipped, 0u);
    // Clipped, not wrapped around.
    for (double x : ReadAudio(folder / "out.wav").left) ASSERT_LE(std::fabs(x), 1.0);

    ExpectError(6,
                "process " + kSqueak +
                    " in.wav clipped.wav --format pcm16 --set DryOut=300 "
                    "--fail-on-clip",
                "clipped");
    ExpectOnlyFiles({"in.wav", "out.wav"});
}

// One not-a-number in the input spreads through the filter: an error naming
// where it starts, unless asked for. A cutoff the filter cannot run with is
// refused before anything runs.
TEST_F(PlughostTest, NonFiniteOutputAndUnusableParametersAreRefused) {
    input.left[1000] = std::nan("");
    input.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    WriteAudio(folder / "nan.wav", input, 2);
    ExpectError(4, "process " + kPlugin + " nan.wav out.wav",
                "not finite from frame 1000 (0.023 s, left channel), where the input");
    ExpectOnlyFiles({"in.wav", "nan.wav"});
    ASSERT_EQ(Run("process " + kPlugin + " nan.wav out.wav --allow-nonfinite"), 0) << err;
    EXPECT_NE(out.find("samples not finite"), std::string::npos) << out;
    ExpectError(2, "process " + kPlugin + " in.wav o.wav --set CutOffFreq=-1", "at least 1 Hz");
    ExpectError(2, "plot " + kPlugin + " --response r.png --set CutOffFreq=0", "at least 1 Hz");
}

// A failure while reader, plug-in and writer are all busy stops every thread
// and leaves no output behind.
TEST_F(PlughostTest, FailureInTheMiddleLeavesNoOutput) {
    // The file-size limit (in 512-byte blocks) takes the first 100 KiB of the
    // output's 800 KiB; the writes beyond it fail.
    ExpectError(5, "process " + kSqueak + " in.wav out.wav", "write failed",
                "ulimit -f 200; trap '' XFSZ; ");
    ExpectError(5, "process " + kSqueak + " in.wav out.wav --request 1", "write failed",
                "ulimit -f 200; trap '' XFSZ; ");
    ExpectError(4, "process '" SHORT_LIBRARY "' in.wav out.wav --request 10000",
                "stopped after 30000 frames");
    ExpectOnlyFiles({"in.wav"});

    // In a batch, the file before the failure still lands whole (it goes to
    // disk while the next one runs); the failing one and those after it
    // leave nothing.
    input.left.resize(20000);
    input.right.resize(20000);
    WriteAudio(folder / "a.wav", input, 2);
    WriteAudio(folder / "b.wav", input, 2);
    fs::create_directories(folder / "batch");
    ExpectError(4,
                "process '" SHORT_LIBRARY
                "' --out-dir batch --jobs 1 --request 10000 "
                "a.wav in.wav b.wav",
                "stopped after 30000 frames");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder / "batch"), fs::directory_iterator()), 1);
    EXPECT_EQ(ReadAudio(folder / "batch" / "a.wav").right, input.right);
}

// One worker runs file after file in the same sample memory, stereo after
// mono and back; two run side by side.
TEST_F(PlughostTest, BatchRunsInParallelWithTheSameResults) {
    fs::create_directories(folder / "batch");
    for (int k = 0; k < 3; ++k) {
        input.left = NoiseSignal(20000 + k, 10 + k);
        input.right = NoiseSignal(20000 + k, 20 + k);
        WriteAudio(folder / Numbered("f", k), input, k == 1 ? 1 : 2);
    }
    for (const char* jobs : {"1", "2"}) {
        ASSERT_EQ(Run("process " + kPlugin + " --out-dir batch --overwrite --jobs " + jobs +
                      " f0.wav f1.wav f2.wav"),
                  0)
            << err;
        for (int k = 0; k < 3; ++k) {
            const std::string name = Numbered("f", k);
            ASSERT_EQ(Run("process " + kPlugin + " " + name + " single.wav --overwrite"), 0) << err;
            const auto batch = ReadAudio(folder / "batch" / name);
            const auto single = ReadAudio(folder / "single.wav");
            EXPECT_EQ(batch.left, single.left) << name << ", --jobs " << jobs;
            EXPECT_EQ(batch.right, single.right) << name << ", --jobs " << jobs;
        }
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

// A bare library name is a file in the current folder when there is one; a
// section that would break its line is refused before anything is written.
TEST_F(PlughostTest, LibraryNamesAndSectionsAreTakenAsGiven) {
    fs::copy_file(SQUEAK_LIBRARY, folder / "squeak.so");
    ASSERT_EQ(Run("info squeak.so"), 0) << err;
    EXPECT_NE(out.find("name:             Squeak"), std::string::npos) << out;
    ExpectError(
        2, "preset squeak.so --save-ini p.ini --section \"$(printf 'HP]\\r\\nDryOut=9\\r\\n[X')\"",
        "--section: no line breaks");
    ExpectError(2, "process squeak.so in.wav out.wav --section Squeak", "--ini or --registry");
    ExpectOnlyFiles({"in.wav", "squeak.so"});
}

TEST_F(PlughostTest, BadInputGetsAClearErrorAndLeavesNothingBehind) {
    std::ofstream(folder / "bad.xml") << "<Preset><DryOut Value=\"1\"></Preset>";
    std::ofstream(folder / "hp.xml") << "<Preset plugin=\"High Pass Filter\"/>";
    std::ofstream(folder / "not-a-library.so") << "text";
    std::string nested;
    for (int depth = 0; depth < 100; ++depth) nested = "<e>" + nested + "</e>";
    std::ofstream(folder / "deep.xml") << nested;
    std::string wide = "<Preset";
    for (int k = 0; k < 300; ++k) wide += " a" + std::to_string(k) + "=\"1\"";
    std::ofstream(folder / "wide.xml") << wide << "/>";
    std::ofstream(folder / "long.xml") << "<Preset>" << std::string(1 << 20, ' ') << "</Preset>";
    Audio three = input;
    WriteAudio(folder / "three.wav", three, 3);
    const std::vector<std::string> before = {"in.wav",           "bad.xml",  "hp.xml",
                                             "not-a-library.so", "deep.xml", "three.wav",
                                             "wide.xml",         "long.xml"};

    ExpectError(3, "process " + kSqueak + " missing.wav out.wav", "missing.wav");
    ExpectError(3, "process " + kSqueak + " three.wav out.wav", "3 channels");
    ExpectError(2, "process " + kSqueak + " in.wav out.wav --set Bogus=1", "Bogus");
    ExpectError(2, "process " + kSqueak + " in.wav out.wav --set DryOut=1.5", "32-bit integer");
    ExpectError(2, "process " + kSqueak + " in.wav out.wav --set DryOut=4294967296",
                "32-bit integer");
    ExpectError(3, "process " + kSqueak + " in.wav out.wav --xml bad.xml", "line 1, column");
    ExpectError(3, "process " + kSqueak + " in.wav out.wav --xml hp.xml", "High Pass Filter");
    ExpectError(3, "process " + kSqueak + " in.wav out.wav --xml deep.xml", "nested");
    ExpectError(3, "process " + kSqueak + " in.wav out.wav --xml wide.xml", "256 attributes");
    ExpectError(3, "process " + kSqueak + " in.wav out.wav --xml long.xml", "1048576 bytes");
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
