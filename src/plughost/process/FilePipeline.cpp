#include "plughost/process/FilePipeline.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>
#include <optional>
#include <thread>
#include <vector>

#include "plughost/AudioReader.h"
#include "plughost/HostError.h"
#include "plughost/LevelMeter.h"
#include "plughost/SoundFormat.h"
#include "plughost/process/AudioWriter.h"
#include "plughost/process/BlockQueue.h"

// A file runs through three threads: the reader (decoding, input level), the
// caller's thread, where the plug-in pulls its input through the stream
// callback, and the writer (output level, encoding). Fixed-size blocks of
// planar samples circulate between neighbours, so memory stays the same
// however long the file is and every sample is converted exactly as one
// thread would convert it. The plug-in writes its output straight into the
// writer's blocks.

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint32_t kBlockFrames = 16384;
constexpr size_t kBlocksPerLink = 8;  // per direction: 2 MiB of stereo samples

// Output blocks take at least one request each; larger requests get fewer
// blocks, but never fewer than two, so the writer works while the plug-in
// fills the next.
uint32_t OutputBlockFrames(uint32_t requestSize) {
    return std::max(kBlockFrames, requestSize);
}
size_t OutputBlocks(uint32_t requestSize) {
    return std::max<size_t>(2, kBlocksPerLink * kBlockFrames / OutputBlockFrames(requestSize));
}

// Blocks point into the run's sample memory.
struct Block {
    double* left;
    double* right;  // null for mono
    uint32_t count = 0;
};

// Full blocks go downstream, empty ones come back. The blocks take the
// samples from `memory` on, up to `end`.
struct Link {
    Link(double* memory, bool stereo, uint32_t frames, size_t blocks)
        : frames(frames), full(blocks), empty(blocks) {
        for (size_t k = 0; k < blocks; ++k, memory += (stereo ? 2 : 1) * frames)
            empty.Push({memory, stereo ? memory + frames : nullptr, 0});
        end = memory;
    }
    void Close() {
        full.Close();
        empty.Close();
    }

    uint32_t frames;  // each block's room
    BlockQueue<Block> full, empty;
    double* end;
};

// The two links, the threads of the stages around the plug-in, and the
// first failure of any stage, which stops them all.
class Pipeline {
  public:
    Pipeline(SampleMemory& memory, bool stereo, uint32_t requestSize)
        : in(Reserve(memory, stereo, requestSize), stereo, kBlockFrames, kBlocksPerLink),
          out(in.end, stereo, OutputBlockFrames(requestSize), OutputBlocks(requestSize)) {}
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
    static double* Reserve(SampleMemory& memory, bool stereo, uint32_t requestSize) {
        return memory.Reserve((stereo ? 2 : 1) *
                              (kBlockFrames * kBlocksPerLink +
                               size_t{OutputBlockFrames(requestSize)} * OutputBlocks(requestSize)));
    }

    std::mutex mutex_;
    std::optional<HostError> failure_;
    std::vector<std::jthread> threads_;
};

// The first frame of a block with a sample that is not finite, counted from
// `first`, if it comes before `earliest`.
void NoteNotFinite(const Block& block, uint64_t first, std::atomic<uint64_t>& earliest) {
    uint32_t at = FirstNotFinite(block.left, block.count);
    if (block.right) at = std::min(at, FirstNotFinite(block.right, block.count));
    if (at < block.count && first + at < earliest) earliest = first + at;
}

// Where the first sample that is not finite lies, for the message that the
// output's first one gives.
struct NotFinite {
    static constexpr uint64_t kNone = UINT64_MAX;
    std::atomic<uint64_t> input{kNone};  // the reader runs ahead of the writer
    bool allowed = false;                // in the output
};

void ReadStage(AudioReader& reader, Pipeline& pipeline, LevelMeter& level, NotFinite& notFinite) {
    try {
        uint64_t frames = 0;
        while (std::optional<Block> block = pipeline.in.empty.Pop()) {
            const uint64_t before = level.NotFinite();
            block->count = reader.Read(block->left, block->right, kBlockFrames, &level);
            if (level.NotFinite() != before) NoteNotFinite(*block, frames, notFinite.input);
            frames += block->count;
            const bool end = block->count < kBlockFrames;
            if ((block->count > 0 && !pipeline.in.full.Push(*block)) || end) break;
        }
    } catch (const HostError& error) {
        pipeline.Fail(error);
    } catch (const std::bad_alloc&) {
        pipeline.Fail(HostError(ExitCode::kResources, "out of memory"));
    }
    pipeline.in.full.Close();
}

// The output's first sample that is not finite, in a few words.
std::string NotFiniteAt(const Block& block, uint64_t first, const NotFinite& notFinite,
                        int sampleRate) {
    std::atomic<uint64_t> at{NotFinite::kNone};
    NoteNotFinite(block, first, at);
    const uint32_t index = static_cast<uint32_t>(at - first);
    const char* channel = !block.right                        ? ""
                          : !std::isfinite(block.left[index]) ? ", left channel"
                                                              : ", right channel";
    char text[200];
    std::snprintf(text, sizeof text,
                  "the plug-in's output is not finite from frame %llu (%.3f s%s)%s",
                  static_cast<unsigned long long>(at.load()),
                  static_cast<double>(at) / std::max(sampleRate, 1), channel,
                  notFinite.input <= at ? ", where the input is not finite either" : "");
    return text;
}

void WriteStage(AudioWriter& writer, Pipeline& pipeline, LevelMeter& level, Progress& progress,
                const NotFinite& notFinite, const std::string& output, int sampleRate) {
    try {
        uint64_t frames = 0;
        while (std::optional<Block> block = pipeline.out.full.Pop()) {
            const uint64_t before = level.NotFinite();
            level.Measure(block->left, block->count);
            if (block->right) level.Measure(block->right, block->count);
            if (level.NotFinite() != before && !notFinite.allowed)
                throw HostError(ExitCode::kPlugin,
                                output + ": " + NotFiniteAt(*block, frames, notFinite, sampleRate) +
                                    " (--allow-nonfinite writes it)");
            frames += block->count;
            writer.Write(block->left, block->right, block->count);
            progress.AddFrames(block->count);
            pipeline.out.empty.Push(*block);
        }
    } catch (const HostError& error) {
        pipeline.Fail(error);
    } catch (const std::bad_alloc&) {
        pipeline.Fail(HostError(ExitCode::kResources, "out of memory"));
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
    bool ended = false;  // the input ran dry
    Clock::duration waiting{};

    static uint32_t Callback(void* user, StreamBuffer* buffer) {
        auto& self = *static_cast<Feed*>(user);
        const auto start = Clock::now();
        uint32_t done = 0;
        while (done < buffer->count) {
            if (!self.block || self.taken == self.block->count) {
                if (self.block) self.link->empty.Push(*self.block);
                self.block = self.link->full.Pop();
                self.taken = 0;
                if ((self.ended = !self.block)) break;
            }
            const uint32_t n = std::min(buffer->count - done, self.block->count - self.taken);
            std::memcpy(buffer->left + done, self.block->left + self.taken, 8 * n);
            if (buffer->right)
                std::memcpy(buffer->right + done, self.block->right + self.taken, 8 * n);
            self.taken += n;
            done += n;
        }
        self.delivered += done;
        self.waiting += Clock::now() - start;
        return done;
    }
};

// The writer's blocks, lent to the plug-in as its output arrays: each
// request's output lands after the frames already in the block.
class OutputRoom {
  public:
    explicit OutputRoom(Link& link) : link_(&link) {}

    // Room for `count` frames; nothing once the writer has stopped.
    std::optional<StreamBuffer> Next(uint32_t count) {
        if (block_ && link_->frames - block_->count < count && !Flush()) return std::nullopt;
        if (!block_) {
            if (!(block_ = link_->empty.Pop())) return std::nullopt;
            block_->count = 0;
        }
        return StreamBuffer{count, block_->left + block_->count,
                            block_->right ? block_->right + block_->count : nullptr};
    }
    // The first `count` frames of the last room hold output.
    void Keep(uint32_t count) { block_->count += count; }
    bool Flush() {
        if (!block_ || block_->count == 0) return true;
        const bool taken = link_->full.Push(*block_);
        block_.reset();
        return taken;
    }

  private:
    Link* link_;
    std::optional<Block> block_;
};

}  // namespace

ProcessedFile::ProcessedFile(RunSummary summary, std::unique_ptr<AudioWriter> writer,
                             Clock::time_point start)
    : summary_(std::move(summary)), writer_(std::move(writer)), start_(start) {}
ProcessedFile::ProcessedFile(ProcessedFile&&) noexcept = default;
ProcessedFile::~ProcessedFile() = default;

RunSummary ProcessedFile::Commit() {
    writer_->Commit();
    summary_.seconds = std::chrono::duration<double>(Clock::now() - start_).count();
    return summary_;
}

ProcessedFile ProcessFile(const PluginLibrary& lib,
                          const std::function<SettingsRecord()>& makeSettings, Job& job,
                          const RunOptions& options, Progress& progress, SampleMemory& memory) {
    const auto start = Clock::now();
    const std::string& input = job.input;
    const std::string& output = job.output.name;
    std::unique_ptr<AudioReader> opened = std::move(job.reader);
    if (!opened) opened = std::make_unique<AudioReader>(input);
    AudioReader& reader = *opened;
    const int format = OutputFormat(reader.Format(), output, options.sampleFormat,
                                    reader.Channels(), reader.SampleRate());
    auto writer = std::make_unique<AudioWriter>(std::make_unique<OutputFile>(job.output), format,
                                                reader.Channels(), reader.SampleRate());

    RunSummary summary;
    summary.input = input;
    summary.output = output;
    summary.channels = reader.Channels();
    summary.sampleRate = reader.SampleRate();
    summary.integerOutput = IsIntegerFormat(format);

    const bool stereo = reader.Channels() == 2;
    LevelMeter inputLevel, outputLevel;
    Pipeline pipeline(memory, stereo, options.requestSize);
    Feed feed(pipeline.in);
    SettingsRecord settings = makeSettings();
    const StreamFormat streamFormat{0, static_cast<uint16_t>(reader.Channels()),
                                    static_cast<uint32_t>(reader.SampleRate())};
    if (lib.SetStreamCallBack(&Feed::Callback, &feed, settings.Get()) != 1 ||
        lib.OpenStream(settings.Get(), &streamFormat) != 1)
        throw HostError(ExitCode::kPlugin, input + ": the plug-in could not open a stream");

    NotFinite notFinite;
    notFinite.allowed = options.allowNonFinite;
    pipeline.Start([&] { ReadStage(reader, pipeline, inputLevel, notFinite); });
    pipeline.Start([&] {
        WriteStage(*writer, pipeline, outputLevel, progress, notFinite, output,
                   reader.SampleRate());
    });
    OutputRoom room(pipeline.out);
    Clock::duration processing{};
    while (std::optional<StreamBuffer> buffer = room.Next(options.requestSize)) {
        const auto call = Clock::now();
        const uint32_t ready = lib.ProcessStream(&*buffer, settings.Get());
        processing += Clock::now() - call;
        const uint32_t n = std::min(ready, options.requestSize);
        room.Keep(n);
        summary.frames += n;
        if (ready < options.requestSize) break;
    }
    room.Flush();
    pipeline.Join();
    lib.CloseStream(settings.Get());
    pipeline.ThrowFailure();

    // A plug-in that stops short of the input's end would lose the rest.
    if (!feed.ended)
        throw HostError(ExitCode::kPlugin, input + ": the plug-in stopped after " +
                                               std::to_string(summary.frames) +
                                               " frames, before the end of its input");
    if (summary.frames != feed.delivered)
        throw HostError(ExitCode::kPlugin, input + ": the plug-in returned " +
                                               std::to_string(summary.frames) + " of " +
                                               std::to_string(feed.delivered) + " frames");
    summary.shortfall = reader.Shortfall();
    summary.peakIn = inputLevel.Peak();
    summary.peakOut = outputLevel.Peak();
    if (summary.integerOutput) summary.clipped = outputLevel.BeyondFullScale();
    summary.notFinite = outputLevel.NotFinite();
    if (options.failOnClip && summary.clipped > 0)
        throw HostError(ExitCode::kClipped, output + ": " + std::to_string(summary.clipped) +
                                                " samples clipped; nothing written");
    summary.pluginSeconds = std::chrono::duration<double>(processing - feed.waiting).count();
    return {std::move(summary), std::move(writer), start};
}
