#include "plughost/FileRun.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "plughost/AudioFiles.h"
#include "plughost/BlockQueue.h"
#include "plughost/HostError.h"
#include "plughost/LevelMeter.h"

// A file runs through three threads: the reader (decoding, input level), the
// caller's thread, where the plug-in pulls its input through the stream
// callback, and the writer (output level, encoding). Fixed-size blocks of
// planar samples circulate between neighbours, so memory stays the same
// however long the file is and every sample is converted exactly as one
// thread would convert it.

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint32_t kBlockFrames = 16384;
constexpr size_t kBlocksPerLink = 8;  // per direction: 2 MiB of stereo samples

struct Block {
    std::vector<double> left;
    std::vector<double> right;  // empty for mono
    uint32_t count = 0;

    double* Right() { return right.empty() ? nullptr : right.data(); }
};

// Full blocks go downstream, empty ones come back.
struct Link {
    explicit Link(bool stereo) : full(kBlocksPerLink), empty(kBlocksPerLink) {
        for (size_t k = 0; k < kBlocksPerLink; ++k)
            empty.Push({std::vector<double>(kBlockFrames),
                        std::vector<double>(stereo ? kBlockFrames : 0), 0});
    }
    void Close() {
        full.Close();
        empty.Close();
    }

    BlockQueue<Block> full, empty;
};

// The two links, the threads of the stages around the plug-in, and the
// first failure of any stage, which stops them all.
class Pipeline {
  public:
    explicit Pipeline(bool stereo) : in(stereo), out(stereo) {}
    ~Pipeline() { Join(); }

    template <typename Stage>
    void Start(Stage&& stage) {
        threads_.emplace_back(std::forward<Stage>(stage));
    }
    // Closing both links ends every stage.
    void Join() {
        Close();
        threads_.clear();
    }

    void Fail(const HostError& error) {
        {
            std::lock_guard lock(mutex_);
            if (!failure_) failure_ = error;
        }
        Close();
    }
    void Close() {
        in.Close();
        out.Close();
    }
    void ThrowFailure() {
        std::lock_guard lock(mutex_);
        if (failure_) throw *failure_;
    }

    Link in, out;

  private:
    std::mutex mutex_;
    std::optional<HostError> failure_;
    std::vector<std::jthread> threads_;
};

void Measure(LevelMeter& level, Block& block) {
    level.Measure(block.left.data(), block.count);
    if (!block.right.empty()) level.Measure(block.right.data(), block.count);
}

void ReadStage(AudioReader& reader, Pipeline& pipeline, LevelMeter& level) {
    try {
        while (std::optional<Block> block = pipeline.in.empty.Pop()) {
            block->count = reader.Read(block->left.data(), block->Right(), kBlockFrames);
            Measure(level, *block);
            const bool end = block->count < kBlockFrames;
            if ((block->count > 0 && !pipeline.in.full.Push(std::move(*block))) || end) break;
        }
    } catch (const HostError& error) {
        pipeline.Fail(error);
    }
    pipeline.in.full.Close();
}

void WriteStage(AudioWriter& writer, Pipeline& pipeline, LevelMeter& level, Progress& progress) {
    try {
        while (std::optional<Block> block = pipeline.out.full.Pop()) {
            Measure(level, *block);
            writer.Write(block->left.data(), block->Right(), block->count);
            progress.AddFrames(block->count);
            pipeline.out.empty.Push(std::move(*block));
        }
    } catch (const HostError& error) {
        pipeline.Fail(error);
    }
}

// The stream callback's side: hands the reader's blocks out in requests of
// any size.
struct Feed {
    explicit Feed(Link& link) : link(&link) {}

    Link* link;
    std::optional<Block> block;
    uint32_t taken = 0;  // frames of `block` handed out
    uint64_t delivered = 0;
    Clock::duration waiting{};

    static uint32_t Callback(void* user, StreamBuffer* buffer) {
        auto& self = *static_cast<Feed*>(user);
        const auto start = Clock::now();
        uint32_t done = 0;
        while (done < buffer->count) {
            if (!self.block || self.taken == self.block->count) {
                if (self.block) self.link->empty.Push(std::move(*self.block));
                self.block = self.link->full.Pop();
                self.taken = 0;
                if (!self.block) break;
            }
            const uint32_t n = std::min(buffer->count - done, self.block->count - self.taken);
            std::memcpy(buffer->left + done, self.block->left.data() + self.taken, 8 * n);
            if (buffer->right)
                std::memcpy(buffer->right + done, self.block->right.data() + self.taken, 8 * n);
            self.taken += n;
            done += n;
        }
        self.delivered += done;
        self.waiting += Clock::now() - start;
        return done;
    }
};

// The plug-in's output, gathered into the writer's blocks. False once the
// writer has stopped.
class Drain {
  public:
    explicit Drain(Link& link) : link_(&link) {}

    bool Put(const double* left, const double* right, uint32_t count) {
        for (uint32_t done = 0; done < count;) {
            if (!block_) {
                if (!(block_ = link_->empty.Pop())) return false;
                block_->count = 0;
            }
            const uint32_t n = std::min(count - done, kBlockFrames - block_->count);
            std::memcpy(block_->left.data() + block_->count, left + done, 8 * n);
            if (right) std::memcpy(block_->right.data() + block_->count, right + done, 8 * n);
            block_->count += n;
            done += n;
            if (block_->count == kBlockFrames && !Flush()) return false;
        }
        return true;
    }
    bool Flush() {
        if (!block_ || block_->count == 0) return true;
        const bool taken = link_->full.Push(std::move(*block_));
        block_.reset();
        return taken;
    }

  private:
    Link* link_;
    std::optional<Block> block_;
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
    const auto start = Clock::now();

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

    const bool stereo = reader.Channels() == 2;
    LevelMeter inputLevel, outputLevel;
    Pipeline pipeline(stereo);
    Feed feed(pipeline.in);
    SettingsRecord settings = makeSettings();
    const StreamFormat streamFormat{0, static_cast<uint16_t>(reader.Channels()),
                                    static_cast<uint32_t>(reader.SampleRate())};
    if (lib.SetStreamCallBack(&Feed::Callback, &feed, settings.Get()) != 1 ||
        lib.OpenStream(settings.Get(), &streamFormat) != 1)
        throw HostError(ExitCode::kPlugin, input + ": the plug-in could not open a stream");

    pipeline.Start([&] { ReadStage(reader, pipeline, inputLevel); });
    pipeline.Start([&] { WriteStage(writer, pipeline, outputLevel, progress); });
    Drain drain(pipeline.out);
    std::vector<double> left(options.requestSize), right(stereo ? options.requestSize : 0);
    Clock::duration processing{};
    for (;;) {
        StreamBuffer buffer{options.requestSize, left.data(), stereo ? right.data() : nullptr};
        const auto call = Clock::now();
        const uint32_t ready = lib.ProcessStream(&buffer, settings.Get());
        processing += Clock::now() - call;
        const uint32_t n = std::min(ready, options.requestSize);
        if (!drain.Put(buffer.left, buffer.right, n)) break;
        summary.frames += n;
        if (ready < options.requestSize) break;
    }
    drain.Flush();
    pipeline.Join();
    lib.CloseStream(settings.Get());
    pipeline.ThrowFailure();

    // A plug-in that stops short of the input's end would lose the rest.
    if (summary.frames != feed.delivered ||
        feed.delivered != static_cast<uint64_t>(reader.Frames()))
        throw HostError(ExitCode::kPlugin, input + ": the plug-in returned " +
                                               std::to_string(summary.frames) + " of " +
                                               std::to_string(reader.Frames()) + " frames");
    summary.peakIn = inputLevel.Peak();
    summary.peakOut = outputLevel.Peak();
    if (summary.integerOutput) summary.clipped = outputLevel.BeyondFullScale();
    if (options.failOnClip && summary.clipped > 0)
        throw HostError(ExitCode::kClipped, output + ": " + std::to_string(summary.clipped) +
                                                " samples clipped; nothing written");
    writer.Commit();
    summary.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    summary.pluginSeconds = std::chrono::duration<double>(processing - feed.waiting).count();
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
