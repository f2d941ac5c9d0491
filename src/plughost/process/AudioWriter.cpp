#include "plughost/process/AudioWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "plughost/HostError.h"
#include "plughost/SampleConversion.h"
#include "plughost/SoundFormat.h"

namespace {

// Frames converted at a time, whatever the caller hands over.
constexpr uint32_t kChunkFrames = 16384;

bool IsRegularFile(int fd) {
    struct stat st;
    return fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

AudioWriter::AudioWriter(std::unique_ptr<OutputFile> output, int format, int channels,
                         int sampleRate)
    : output_(std::move(output)), channels_(channels), bits_(IntegerBits(format)) {
    const std::string& name = output_->Name();
    SF_INFO info{};
    info.format = format;
    info.channels = channels;
    info.samplerate = sampleRate;
    if (!sf_format_check(&info))
        throw HostError(ExitCode::kOutput, name + ": the file type cannot hold that sample format");
    // Standard output may be a file after all; libsndfile then seeks in it.
    if (IsRegularFile(output_->Fd())) {
        file_ = sf_open_fd(output_->Fd(), SFM_WRITE, &info, SF_FALSE);
        if (!file_)
            throw HostError(ExitCode::kOutput, name + ": cannot write: " + sf_strerror(nullptr));
    } else {
        sink_ = std::make_unique<StreamSink>(output_->Fd());
        file_ = sink_->Open(info, name);
    }
    if (!output_->Streams()) {
        const int fd = fcntl(output_->Fd(), F_DUPFD_CLOEXEC, 0);
        if (fd >= 0) flush_ = std::make_unique<DiskFlush>(fd);
    }
    if (bits_ == 16)
        interleavedShorts_.resize(2 * size_t{kChunkFrames});
    else if (bits_ > 0)
        interleavedInts_.resize(2 * size_t{kChunkFrames});
    else
        interleaved_.resize(2 * size_t{kChunkFrames});
}

AudioWriter::~AudioWriter() {
    flush_.reset();
    if (file_) sf_close(file_);
}

void AudioWriter::WriteFailed() {
    const std::string reason =
        sink_ && sink_->Error() ? std::strerror(sink_->Error()) : sf_strerror(file_);
    throw HostError(ExitCode::kOutput, output_->Name() + ": write failed: " + reason);
}

void AudioWriter::Write(const double* left, const double* right, uint32_t count) {
    for (uint32_t done = 0; done < count;) {
        const uint32_t n = std::min(kChunkFrames, count - done);
        WriteChunk(left + done, right ? right + done : nullptr, n);
        done += n;
    }
    FlushNowAndThen(count);
}

void AudioWriter::WriteChunk(const double* left, const double* right, uint32_t count) {
    // Integers are rounded here, to the nearest step of the format.
    if (bits_ == 16) {
        DoublesToShorts(left, count, interleavedShorts_.data(), channels_);
        if (channels_ == 2) DoublesToShorts(right, count, interleavedShorts_.data() + 1, 2);
        if (sf_writef_short(file_, interleavedShorts_.data(), count) != count) WriteFailed();
        return;
    }
    if (bits_ > 0) {
        DoublesToInts(left, count, bits_, interleavedInts_.data(), channels_);
        if (channels_ == 2) DoublesToInts(right, count, bits_, interleavedInts_.data() + 1, 2);
        if (sf_writef_int(file_, interleavedInts_.data(), count) != count) WriteFailed();
        return;
    }
    const double* frames = left;
    if (channels_ == 2) {
        for (uint32_t i = 0; i < count; ++i) {
            interleaved_[2 * i] = left[i];
            interleaved_[2 * i + 1] = right[i];
        }
        frames = interleaved_.data();
    }
    if (sf_writef_double(file_, frames, count) != count) WriteFailed();
}

void AudioWriter::FlushNowAndThen(uint32_t count) {
    // 2 MB of 16-bit stereo: what the flush before the rename waits for at
    // most (the last file of a batch is waited for).
    constexpr uint32_t kFramesBetween = 1 << 19;
    framesSinceFlush_ += count;
    if (framesSinceFlush_ < kFramesBetween || !flush_) return;
    framesSinceFlush_ = 0;
    flush_->Request();
}

void AudioWriter::Commit() {
    flush_.reset();  // waits for a flush under way
    const int closed = sf_close(file_);
    file_ = nullptr;
    if (closed != 0 || (sink_ && sink_->Error())) {
        const std::string reason =
            sink_ && sink_->Error() ? std::strerror(sink_->Error()) : sf_error_number(closed);
        throw HostError(ExitCode::kOutput, output_->Name() + ": cannot write: " + reason);
    }
    output_->Commit();
}
