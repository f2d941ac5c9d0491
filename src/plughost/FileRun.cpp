#include "plughost/FileRun.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "plughost/AudioFiles.h"
#include "plughost/HostError.h"

namespace {

// The peak of a signal and the samples an integer file cannot hold (beyond
// full scale, or not a number), in one pass over each block.
struct LevelMeter {
    double peak = 0;
    uint64_t beyondFullScale = 0;

    void Measure(const double* left, const double* right, uint32_t count) {
        for (const double* samples : {left, right}) {
            if (!samples) continue;
            for (uint32_t i = 0; i < count; ++i) {
                const double magnitude = std::fabs(samples[i]);
                peak = std::max(peak, magnitude);
                beyondFullScale += !(magnitude <= 1.0);
            }
        }
    }
};

// What the stream callback needs: the input, and its level on the way in.
struct Feed {
    using Clock = std::chrono::steady_clock;

    explicit Feed(AudioReader& input) : reader(&input) {}

    AudioReader* reader;
    LevelMeter level;
    uint64_t delivered = 0;
    Clock::duration reading{};

    static uint32_t Callback(void* user, StreamBuffer* buffer) {
        auto& self = *static_cast<Feed*>(user);
        const auto start = Clock::now();
        const uint32_t n = self.reader->Read(buffer->left, buffer->right, buffer->count);
        self.reading += Clock::now() - start;
        self.level.Measure(buffer->left, buffer->right, n);
        self.delivered += n;
        return n;
    }
};

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code error;
    return std::filesystem::equivalent(a, b, error);
}

std::string Decibels(double peak) {
    if (peak == 0) return "-inf dBFS";
    char text[32];
    std::snprintf(text, sizeof text, "%.2f dBFS", 20 * std::log10(peak));
    return text;
}

}  // namespace

RunSummary ProcessFile(const PluginLibrary& lib,
                       const std::function<SettingsRecord()>& makeSettings,
                       const std::string& input, const std::string& output,
                       const RunOptions& options, Progress& progress) {
    if (SameFile(input, output))
        throw HostError(ExitCode::kUsage, output + ": the output would overwrite the input");
    const auto start = Feed::Clock::now();

    AudioReader reader(input);
    const int format = options.sampleFormat.empty()
                           ? reader.Format()
                           : WithSampleFormat(reader.Format(), options.sampleFormat);
    AudioWriter writer(output, format, reader.Channels(), reader.SampleRate());

    RunSummary summary;
    summary.input = input;
    summary.output = output;
    summary.channels = reader.Channels();
    summary.sampleRate = reader.SampleRate();
    summary.integerOutput = IsIntegerFormat(format);

    SettingsRecord settings = makeSettings();
    Feed feed(reader);
    const StreamFormat streamFormat{0, static_cast<uint16_t>(reader.Channels()),
                                    static_cast<uint32_t>(reader.SampleRate())};
    if (lib.SetStreamCallBack(&Feed::Callback, &feed, settings.Get()) != 1 ||
        lib.OpenStream(settings.Get(), &streamFormat) != 1)
        throw HostError(ExitCode::kPlugin, input + ": the plug-in could not open a stream");

    const bool stereo = reader.Channels() == 2;
    std::vector<double> left(options.requestSize), right(stereo ? options.requestSize : 0);
    Feed::Clock::duration processing{};
    LevelMeter outputLevel;
    for (;;) {
        StreamBuffer buffer{options.requestSize, left.data(), stereo ? right.data() : nullptr};
        const auto call = Feed::Clock::now();
        const uint32_t ready = lib.ProcessStream(&buffer, settings.Get());
        processing += Feed::Clock::now() - call;
        if (ready > 0) {
            const uint32_t n = std::min(ready, options.requestSize);
            outputLevel.Measure(left.data(), stereo ? right.data() : nullptr, n);
            writer.Write(left.data(), stereo ? right.data() : nullptr, n);
            summary.frames += n;
            progress.AddFrames(n);
        }
        if (ready < options.requestSize) break;
    }
    lib.CloseStream(settings.Get());

    // A plug-in that stops short of the input's end would lose the rest.
    if (summary.frames != feed.delivered ||
        feed.delivered != static_cast<uint64_t>(reader.Frames()))
        throw HostError(ExitCode::kPlugin, input + ": the plug-in returned " +
                                               std::to_string(summary.frames) + " of " +
                                               std::to_string(reader.Frames()) + " frames");
    summary.peakIn = feed.level.peak;
    summary.peakOut = outputLevel.peak;
    if (summary.integerOutput) summary.clipped = outputLevel.beyondFullScale;
    if (options.failOnClip && summary.clipped > 0)
        throw HostError(ExitCode::kClipped, output + ": " + std::to_string(summary.clipped) +
                                                " samples clipped; nothing written");
    writer.Commit();
    summary.seconds = std::chrono::duration<double>(Feed::Clock::now() - start).count();
    summary.pluginSeconds = std::chrono::duration<double>(processing - feed.reading).count();
    return summary;
}

std::string FormatSummary(const RunSummary& s) {
    const double duration = s.sampleRate ? static_cast<double>(s.frames) / s.sampleRate : 0;
    char text[512];
    std::snprintf(text, sizeof text,
                  "%s -> %s: %llu frames (%.2f s, %s, %d Hz) in %.3f s (%.0fx real time, "
                  "plug-in %.3f s); peak %s in, %s out",
                  s.input.c_str(), s.output.c_str(), static_cast<unsigned long long>(s.frames),
                  duration, s.channels == 2 ? "stereo" : "mono", s.sampleRate, s.seconds,
                  s.seconds > 0 ? duration / s.seconds : 0.0, s.pluginSeconds,
                  Decibels(s.peakIn).c_str(), Decibels(s.peakOut).c_str());
    std::string line = text;
    if (s.integerOutput) line += "; " + std::to_string(s.clipped) + " samples clipped";
    return line;
}
