// plughost's own sample conversions against libsndfile's reading and a
// plain rounding, and its level meter against a plain loop.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "plughost/LevelMeter.h"
#include "plughost/SampleConversion.h"
#include "plughost/SoundFormat.h"

namespace {

namespace fs = std::filesystem;

// The containers whose 16-bit samples plughost converts itself.
constexpr int kContainers[] = {SF_FORMAT_WAV, SF_FORMAT_WAVEX, SF_FORMAT_W64, SF_FORMAT_RF64,
                               SF_FORMAT_AIFF};

// A mono 16-bit file written by `write(file)`, with libsndfile clipping.
template <typename Write>
fs::path Write16(const std::string& name, int container, Write&& write) {
    const fs::path path = fs::temp_directory_path() / (name + std::to_string(getpid()));
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 1;
    info.format = container | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    EXPECT_NE(file, nullptr) << sf_strerror(nullptr);
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    write(file);
    sf_close(file);
    return path;
}

template <typename T, typename Read>
std::vector<T> Read16(const fs::path& path, size_t count, Read&& read) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    std::vector<T> samples(count);
    EXPECT_EQ(read(file, samples.data(), static_cast<sf_count_t>(count)),
              static_cast<sf_count_t>(count));
    sf_close(file);
    fs::remove(path);
    return samples;
}

TEST(SamplesTest, EverySixteenBitValueReadsAsLibsndfileReadsIt) {
    std::vector<int16_t> all;
    for (int x = INT16_MIN; x <= INT16_MAX; ++x) all.push_back(static_cast<int16_t>(x));
    for (int container : kContainers) {
        ASSERT_TRUE(IsPcm16(container | SF_FORMAT_PCM_16));
        const fs::path path = Write16("all16-", container, [&](SNDFILE* file) {
            sf_writef_short(file, all.data(), static_cast<sf_count_t>(all.size()));
        });
        const std::vector<double> read = Read16<double>(path, all.size(), sf_readf_double);
        for (size_t i = 0; i < all.size(); ++i)
            ASSERT_EQ(ShortToDouble(all[i]), read[i]) << all[i] << " container " << container;
    }
}

// Interleaved frames come apart into the same doubles, over the vector
// steps and the tail.
TEST(SamplesTest, InterleavedShortsBecomeTheSameDoubles) {
    std::vector<int16_t> all;
    for (int x = INT16_MIN; x <= INT16_MAX; ++x) all.push_back(static_cast<int16_t>(x));
    all.push_back(0);  // pairs with the odd one out below
    const auto frames = static_cast<uint32_t>(all.size() / 2 - 1);  // odd: a tail
    std::vector<double> left(frames), right(frames), mono(all.size());
    ShortsToDoubles(all.data(), frames, 2, left.data(), right.data());
    ShortsToDoubles(all.data(), static_cast<uint32_t>(all.size()), 1, mono.data(), nullptr);
    for (uint32_t i = 0; i < frames; ++i) {
        ASSERT_EQ(left[i], ShortToDouble(all[2 * i])) << i;
        ASSERT_EQ(right[i], ShortToDouble(all[2 * i + 1])) << i;
    }
    for (size_t i = 0; i < all.size(); ++i) ASSERT_EQ(mono[i], ShortToDouble(all[i])) << i;
}

// A plain rounding to the nearest step of `bits`, halves upwards, clipped;
// 0 for not a number.
int64_t NearestStep(double x, int bits) {
    const double top = std::ldexp(1.0, bits - 1);
    if (std::isnan(x)) return 0;
    const double clipped = std::min(std::max(x * top, -top), top - 1);
    const double below = std::floor(clipped);
    return static_cast<int64_t>(clipped - below >= 0.5 ? below + 1 : below);
}

// Every step of the 16-bit scale, the neighbours of each step and of each
// point halfway, full scale and beyond, infinities, not a number, noise: at
// every width, the nearest step.
TEST(SamplesTest, DoublesRoundToTheNearestStep) {
    std::vector<double> values;
    for (int k = -33000; k <= 33000; ++k)
        for (double step : {k / 32768.0, (k + 0.5) / 32768.0, k / 32767.0, (k + 0.5) / 32767.0})
            for (double x : {step, std::nextafter(step, 2.0), std::nextafter(step, -2.0)})
                values.push_back(x);
    const double inf = std::numeric_limits<double>::infinity();
    for (double x : {0.0, -0.0, 1e-310, 1e300, -1e300, inf, -inf, std::nan(""), -std::nan("")})
        values.push_back(x);
    std::mt19937_64 random(3);
    std::uniform_real_distribution<double> noise(-1.5, 1.5);
    for (int i = 0; i < 100001; ++i) values.push_back(noise(random));

    // Interleaved as the second of two channels, the odd count ending in
    // the scalar tail.
    const auto count = static_cast<uint32_t>(values.size());
    std::vector<int16_t> shorts(2 * values.size());
    DoublesToShorts(values.data(), count, shorts.data() + 1, 2);
    for (size_t i = 0; i < values.size(); ++i)
        ASSERT_EQ(shorts[2 * i + 1], NearestStep(values[i], 16)) << values[i];
    for (int bits : {8, 24, 32}) {
        std::vector<int32_t> ints(2 * values.size());
        DoublesToInts(values.data(), count, bits, ints.data() + 1, 2);
        for (size_t i = 0; i < values.size(); ++i)
            ASSERT_EQ(ints[2 * i + 1], NearestStep(values[i], bits) << (32 - bits))
                << values[i] << " in " << bits << " bits";
    }
}

// Over a fine ramp the mean error is nought; libsndfile's own 16-bit
// conversion is half a step low.
TEST(SamplesTest, RoundingLeavesNoMeanError) {
    std::vector<double> ramp(1000003);
    for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = -0.9 + 1.8 * i / ramp.size();
    std::vector<int16_t> shorts(ramp.size());
    DoublesToShorts(ramp.data(), static_cast<uint32_t>(ramp.size()), shorts.data(), 1);
    std::vector<int32_t> ints(ramp.size());
    DoublesToInts(ramp.data(), static_cast<uint32_t>(ramp.size()), 24, ints.data(), 1);
    double error16 = 0, error24 = 0;
    for (size_t i = 0; i < ramp.size(); ++i) {
        error16 += shorts[i] - ramp[i] * 32768;
        error24 += (ints[i] >> 8) - ramp[i] * 8388608;
    }
    std::printf("mean error over the ramp: %.2g LSB in 16 bits, %.2g in 24\n",
                error16 / ramp.size(), error24 / ramp.size());
    EXPECT_LT(std::fabs(error16 / ramp.size()), 0.01);
    EXPECT_LT(std::fabs(error24 / ramp.size()), 0.01);
}

TEST(SamplesTest, LevelMeterFindsThePeakAndCountsWhatAnIntegerFileCannotHold) {
    std::mt19937_64 random(4);
    std::uniform_real_distribution<double> noise(-1.2, 1.2);
    std::vector<double> samples(1003);
    for (double& x : samples) x = noise(random);
    samples[5] = std::nan("");
    samples[700] = -std::numeric_limits<double>::infinity();
    samples[1002] = -1.25;  // the peak apart from the infinity, in the tail
    for (uint32_t start : {0u, 1u, 701u}) {
        LevelMeter meter;
        double peak = 0;
        uint64_t beyond = 0;
        for (uint32_t begin = start; begin < samples.size(); begin += 97) {
            const uint32_t count = std::min<uint32_t>(97, samples.size() - begin);
            meter.Measure(samples.data() + begin, count);
            for (uint32_t i = begin; i < begin + count; ++i) {
                if (std::fabs(samples[i]) > peak) peak = std::fabs(samples[i]);
                if (!(std::fabs(samples[i]) <= 1.0)) ++beyond;
            }
        }
        EXPECT_EQ(meter.Peak(), peak) << start;
        EXPECT_EQ(meter.BeyondFullScale(), beyond) << start;
    }
}

// The peak of 16-bit samples is the peak of the doubles they read as, the
// most negative value included, wherever in a block it lies.
TEST(SamplesTest, LevelMeterTakesSixteenBitSamplesAsTheyRead) {
    std::mt19937_64 random(5);
    std::uniform_int_distribution<int> noise(-20000, 20000);
    std::vector<int16_t> samples(1003);
    for (int16_t& x : samples) x = static_cast<int16_t>(noise(random));
    for (size_t at : {size_t{0}, size_t{7}, size_t{8}, size_t{1002}}) {
        for (int16_t extreme : {int16_t{INT16_MIN}, int16_t{INT16_MAX}, int16_t{-30000}}) {
            std::vector<int16_t> block = samples;
            block[at] = extreme;
            std::vector<double> doubles(block.size());
            for (size_t i = 0; i < block.size(); ++i) doubles[i] = ShortToDouble(block[i]);
            LevelMeter shorts, reference;
            shorts.MeasureShorts(block.data(), block.size());
            reference.Measure(doubles.data(), static_cast<uint32_t>(doubles.size()));
            EXPECT_EQ(shorts.Peak(), reference.Peak()) << at << " " << extreme;
            EXPECT_EQ(shorts.BeyondFullScale(), 0u);
        }
    }
}

}  // namespace
