#include "plughost/process/AudioWriter.h"

#include <fcntl.h>

#include <cstdio>
#include <filesystem>

#include "plughost/Files.h"
#include "plughost/HostError.h"
#include "plughost/SampleConversion.h"
#include "plughost/SoundFormat.h"

AudioWriter::AudioWriter(const std::string& path, int format, int channels, int sampleRate)
    : path_(path),
      temporaryPath_(TemporaryPathBeside(path)),
      channels_(channels),
      shorts_(IsPcm16(format)) {
    SF_INFO info{};
    info.format = format;
    info.channels = channels;
    info.samplerate = sampleRate;
    if (!sf_format_check(&info))
        throw HostError(ExitCode::kOutput, path + ": the file type cannot hold that sample format");
    file_ = sf_open(temporaryPath_.c_str(), SFM_WRITE, &info);
    if (!file_) {
        const std::string reason = sf_strerror(nullptr);
        std::remove(temporaryPath_.c_str());
        throw HostError(ExitCode::kOutput, path + ": cannot write: " + reason);
    }
    if (IsIntegerFormat(format)) sf_command(file_, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    const int fd = open(temporaryPath_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) flush_ = std::make_unique<DiskFlush>(fd);
}

AudioWriter::~AudioWriter() {
    flush_.reset();
    if (file_) {
        sf_close(file_);
        std::remove(temporaryPath_.c_str());
    }
}

void AudioWriter::Write(const double* left, const double* right, uint32_t count) {
    if (shorts_) {
        interleavedShorts_.resize(channels_ * static_cast<size_t>(count));
        DoublesToShorts(left, count, interleavedShorts_.data(), channels_);
        if (channels_ == 2) DoublesToShorts(right, count, interleavedShorts_.data() + 1, 2);
        if (sf_writef_short(file_, interleavedShorts_.data(), count) != count)
            throw HostError(ExitCode::kOutput, path_ + ": write failed: " + sf_strerror(file_));
        FlushNowAndThen(count);
        return;
    }
    const double* frames = left;
    if (channels_ == 2) {
        interleaved_.resize(2 * static_cast<size_t>(count));
        for (uint32_t i = 0; i < count; ++i) {
            interleaved_[2 * i] = left[i];
            interleaved_[2 * i + 1] = right[i];
        }
        frames = interleaved_.data();
    }
    if (sf_writef_double(file_, frames, count) != count)
        throw HostError(ExitCode::kOutput, path_ + ": write failed: " + sf_strerror(file_));
    FlushNowAndThen(count);
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
    sf_write_sync(file_);
    const int closed = sf_close(file_);
    file_ = nullptr;
    std::error_code error;
    if (closed == 0) std::filesystem::rename(temporaryPath_, path_, error);
    if (closed != 0 || error) {
        std::remove(temporaryPath_.c_str());
        throw HostError(ExitCode::kOutput,
                        path_ + ": cannot write: " + (error ? error.message() : "close failed"));
    }
}
