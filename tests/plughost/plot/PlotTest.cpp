// plughost plot: what it measures through the exports against the plug-ins'
// own equations, and the real binary writing real pictures.
#include <cairo.h>
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/wait.h>

#include <cmath>
#include <complex>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <pugixml.hpp>
#include <sstream>

#include "effects/highpass/HighPassDesign.h"
#include "effects/highpass/HighPassEffect.h"
#include "plughost/SettingsDocument.h"
#include "plughost/plot/Measure.h"
#include "support/ScratchFolder.h"
#include "support/SignalHost.h"

namespace {

namespace fs = std::filesystem;

double Decibels(std::complex<double> value) {
    return 20 * std::log10(std::abs(value));
}

// dry + wet × H(e^jω), H the transfer function of
// y[n] = b0·x[n] + b1·x[n−1] + b2·x[n−2] − a1·y[n−1] − a2·y[n−2].
std::complex<double> Analytic(const HighPassCoefficients& c, double dry, double wet,
                              double frequency, double sampleRate) {
    const std::complex<double> z1 = std::polar(1.0, -2 * M_PI * frequency / sampleRate);
    const std::complex<double> h =
        (c.b0 + c.b1 * z1 + c.b2 * z1 * z1) / (1.0 + c.a1 * z1 + c.a2 * z1 * z1);
    return dry + wet * h;
}

TEST(PlotMeasureTest, HighPassResponseIsItsDifferenceEquation) {
    const PluginLibrary lib(HIGHPASS_LIBRARY);
    PresetOptions options;
    options.overrides = {"CutOffFreq=250", "DryOut=0", "Volume2=32767"};
    const PresetSource preset(lib, options);
    const FrequencyResponse response = MeasureResponse(lib, preset, 44100);

    // The gains the effect loads from those words, and the filter it designs.
    SettingsDocument stored;
    stored.Root().SetDwordValue("DryOut", 0);
    stored.Root().SetDwordValue("Volume2", 32767);
    stored.Root().SetDwordValue("CutOffFreq", 250);
    HighPassSettings* loaded = HighPassEffect::Create({nullptr, nullptr, nullptr, &stored.Root()});
    ASSERT_NE(loaded, nullptr);
    const double dry = loaded->dryGain, wet = loaded->wetGain;
    HighPassEffect::Free(loaded);
    EXPECT_NE(dry, 0.0);
    EXPECT_NE(wet, 1.0);
    const HighPassCoefficients c = DesignHighPass(250, 44100);

    // On the transform's own bins, and between them as the plots read it.
    double worstOnBins = 0, worstLevel = 0, worstPhase = 0;
    for (size_t k = 0; k < response.left.size(); ++k) {
        const double f = k * response.binWidth;
        if (f < 20 || f > 20000) continue;
        const double expected = Decibels(Analytic(c, dry, wet, f, 44100));
        for (const auto* bins : {&response.left, &response.right})
            worstOnBins = std::max(worstOnBins, std::fabs(Decibels((*bins)[k]) - expected));
    }
    for (double f = 20; f <= 20000; f *= std::pow(2.0, 1.0 / 200)) {
        const auto expected = Analytic(c, dry, wet, f, 44100);
        for (bool right : {false, true}) {
            worstLevel = std::max(worstLevel,
                                  std::fabs(Decibels(response.At(f, right)) - Decibels(expected)));
            worstPhase =
                std::max(worstPhase, std::fabs(std::arg(response.At(f, right) / expected)));
        }
    }
    std::printf(
        "largest deviation from the analytic response, 20 Hz to 20 kHz: %.3g dB on the "
        "bins; %.3g dB and %.3g degrees between them\n",
        worstOnBins, worstLevel, worstPhase * 180 / M_PI);
    EXPECT_LT(worstOnBins, 1e-9);
    EXPECT_LT(worstLevel, 0.01);
    EXPECT_LT(worstPhase * 180 / M_PI, 0.01);

    // Half the power at the cutoff: the one −3 dB point.
    const double atCutoff = Decibels(response.At(250));
    std::printf("measured at 250 Hz: %.6f dB\n", atCutoff);
    EXPECT_NEAR(atCutoff, -3.01, 0.005);
    const std::vector<double> points = HalfPowerFrequencies(response, 10);
    ASSERT_EQ(points.size(), 1u);
    std::printf("-3 dB point: %.6f Hz\n", points[0]);
    // A hair above the cutoff: the dry branch adds to the peak, in phase at
    // half the rate, and at the cutoff at a right angle.
    EXPECT_NEAR(points[0], 250, 0.01);
}

TEST(PlotMeasureTest, SquarePeriodFollowsTheStoredFrequencyAtEachRate) {
    const PluginLibrary lib(SQUEAK_LIBRARY);
    PresetOptions options;
    options.overrides = {"Frequency=8", "CutR=5"};
    const PresetSource preset(lib, options);
    for (uint32_t rate : {44100u, 48000u}) {
        const GainOverTime gain = MeasureGain(lib, preset, rate, 3);
        ASSERT_EQ(gain.left.size(), 3u * rate);
        const SquarePattern left = FindSquarePattern(gain.left);
        const SquarePattern right = FindSquarePattern(gain.right);
        // A phase is the rate over the stored frequency, in whole samples.
        EXPECT_EQ(left.phaseSamples, std::trunc(rate / 8.0)) << rate;
        EXPECT_EQ(right.phaseSamples, std::trunc(rate / 5.0)) << rate;
        std::printf("%u Hz: periods %.3f ms (Frequency 8) and %.3f ms (CutR 5)\n", rate,
                    left.PeriodSeconds(rate) * 1000, right.PeriodSeconds(rate) * 1000);
        EXPECT_NEAR(left.PeriodSeconds(rate), 2 / 8.0, 2.0 / rate);
        EXPECT_NEAR(right.PeriodSeconds(rate), 2 / 5.0, 2.0 / rate);
        EXPECT_DOUBLE_EQ(left.low, 0.3);
        EXPECT_DOUBLE_EQ(left.high, 1.1);
    }
    // Anything but two levels is no square pattern.
    EXPECT_EQ(FindSquarePattern({1, 1, 0.5, 0.5, 1, 1, 0.7}).phaseSamples, 0);
    EXPECT_EQ(FindSquarePattern({1, 1, 0.5, 0.5, 1, 1, 0.5}).phaseSamples, 2);
}

class PlotCommandTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder = FreshTestFolder("plot-test-");
        WriteNoise("in.wav", 48000, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 30000);
    }

    // A mono file of noise.
    void WriteNoise(const std::string& name, int sampleRate, int format, size_t frames) const {
        SF_INFO info{};
        info.samplerate = sampleRate;
        info.channels = 1;
        info.format = format;
        SNDFILE* file = sf_open((folder / name).c_str(), SFM_WRITE, &info);
        const std::vector<double> noise = NoiseSignal(frames, 3);
        sf_writef_double(file, noise.data(), static_cast<sf_count_t>(noise.size()));
        sf_close(file);
    }
    void TearDown() override { fs::remove_all(folder); }

    int Run(const std::string& arguments) {
        ToolRun run = RunInFolder(folder, "'" PLUGHOST_PATH "' plot " + arguments);
        out = std::move(run.out);
        err = std::move(run.err);
        return run.exitCode;
    }

    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path folder;
    std::string out, err;
};

const std::string kSqueak = "'" SQUEAK_LIBRARY "'";
const std::string kPlugin = "'" HIGHPASS_LIBRARY "'";

// PNG read back through Cairo, SVG through an XML parser.
void ExpectPng(const fs::path& path, int width, int height) {
    cairo_surface_t* image = cairo_image_surface_create_from_png(path.c_str());
    EXPECT_EQ(cairo_surface_status(image), CAIRO_STATUS_SUCCESS) << path;
    EXPECT_EQ(cairo_image_surface_get_width(image), width) << path;
    EXPECT_EQ(cairo_image_surface_get_height(image), height) << path;
    cairo_surface_destroy(image);
}

void ExpectSvg(const fs::path& path, int width, int height) {
    pugi::xml_document document;
    ASSERT_TRUE(document.load_file(path.c_str())) << path;
    const pugi::xml_node svg = document.child("svg");
    EXPECT_EQ(svg.attribute("width").as_string(), std::to_string(width) + "px") << path;
    EXPECT_EQ(svg.attribute("height").as_string(), std::to_string(height) + "px") << path;
}

TEST_F(PlotCommandTest, DrawsEveryPlotAtTheRequestedSize) {
    ASSERT_EQ(
        Run(kPlugin + " --set CutOffFreq=250 --set DryOut=0 --response r.png --phase --gain g.SVG "
                      "--spectrum in.wav s.svg --size 900x500 --rate 48000"),
        0)
        << err;
    EXPECT_NE(out.find("r.png: frequency response of High Pass Filter"), std::string::npos) << out;
    EXPECT_NE(out.find("-3 dB at 250.0 Hz"), std::string::npos) << out;
    ExpectPng(folder / "r.png", 900, 500);
    ExpectSvg(folder / "g.SVG", 900, 500);
    ExpectSvg(folder / "s.svg", 900, 500);

    ASSERT_EQ(Run(kSqueak + " --gain g.png --seconds 0.5 --csv g.csv"), 0) << err;
    ExpectPng(folder / "g.png", 1200, 700);
    EXPECT_NE(out.find("period 33.33 ms"), std::string::npos) << out;
    std::istringstream csv(ReadText(folder / "g.csv"));
    std::string line;
    std::getline(csv, line);
    EXPECT_EQ(line, "time_s,left_gain,right_gain");
    std::vector<std::string> rows;
    while (std::getline(csv, line)) rows.push_back(line);
    ASSERT_EQ(rows.size(), 22050u);
    EXPECT_EQ(rows[734], "0.016643991,0.29999999999999999,0.29999999999999999");
    EXPECT_EQ(rows[735], "0.016666667,1.1000000000000001,1.1000000000000001");
}

TEST_F(PlotCommandTest, FailuresLeaveNoPicture) {
    std::ofstream(folder / "not-a-library.so") << "text";
    fs::create_directories(folder / "taken.png");
    // A thousand frames at 64 MHz: a spectrum's frames grow with the rate.
    WriteNoise("fast.wav", 64000000, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1000);
    const std::vector<std::string> before = Files();
    const auto expectError = [&](int code, const std::string& arguments,
                                 const std::string& mention) {
        EXPECT_EQ(Run(arguments), code) << arguments;
        EXPECT_EQ(err.rfind("plughost: error: ", 0), 0u) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_NE(err.find(mention), std::string::npos) << err;
        EXPECT_EQ(Files(), before) << arguments;
    };
    expectError(4, "'" BROKEN_LIBRARY "' --response r.png", "not finite");
    expectError(4, "'" PARTIAL_LIBRARY "' --gain g.png", "Initialize");
    expectError(4, "not-a-library.so --gain g.png", "not-a-library.so");
    expectError(2, kPlugin + " --response r.jpg", "r.jpg");
    expectError(2, kPlugin, "--response, --gain or --spectrum");
    expectError(2, kPlugin + " --response r.png --gain g.png --csv c.csv", "--csv");
    expectError(2, kPlugin + " --response r.png --size 10x10", "--size");
    expectError(2, kPlugin + " --response r.png --rate 0", "--rate");
    expectError(2, kPlugin + " --response r.png --set Bogus=1", "Bogus");
    expectError(2, kPlugin + " --spectrum in.wav s.png --csv in.wav", "overwrite");
    expectError(2, kPlugin + " --response r.png --csv ./r.png", "two outputs");
    expectError(3, kPlugin + " --spectrum missing.wav s.png", "missing.wav");
    expectError(3, kPlugin + " --spectrum fast.wav s.png", "up to 768000 Hz");
    expectError(5, kPlugin + " --gain no/such/g.png", "g.png");
    // The second picture cannot take the place of a folder: the first, already
    // written, goes again.
    expectError(5, kPlugin + " --response r.png --gain taken.png", "taken.png");
}

}  // namespace
