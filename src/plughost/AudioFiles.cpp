#include "plughost/AudioFiles.h"

#include <fcntl.h>
#include <unistd.h>

#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <map>
#include <mutex>
#include <stop_token>
#include <thread>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "plughost/Files.h"
#include "plughost/HostError.h"

AudioReader::AudioReader(const std::string& path) : path_(path) {
    file_ = sf_open(path.c_str(), SFM_READ, &info_);
    if (!file_) throw HostError(ExitCode::kInput, path + ": " + sf_strerror(nullptr));
    shorts_ = IsPcm16(info_.format);
    if (info_.channels < 1 || info_.channels > 2) {
        sf_close(file_);
        file_ = nullptr;
        throw HostError(ExitCode::kInput, path + ": " + std::to_string(info_.channels) +
                                              " channels; only mono and stereo are supported");
    }
}

AudioReader::~AudioReader() {
    if (file_) sf_close(file_);
}

uint32_t AudioReader::Read(double* left, double* right, uint32_t count, LevelMeter* level) {
    if (shorts_) {
        interleavedShorts_.resize(info_.channels * static_cast<size_t>(count));
        const sf_count_t n = sf_readf_short(file_, interleavedShorts_.data(), count);
        if (n < 0) throw HostError(ExitCode::kInput, path_ + ": " + sf_strerror(file_));
        const int16_t* frames = interleavedShorts_.data();
        ShortsToDoubles(frames, static_cast<uint32_t>(n), info_.channels, left, right);
        if (level) level->MeasureShorts(frames, static_cast<size_t>(n * info_.channels));
        return static_cast<uint32_t>(n);
    }
    sf_count_t n;
    if (info_.channels == 1) {
        n = sf_readf_double(file_, left, count);
        if (n < 0) throw HostError(ExitCode::kInput, path_ + ": " + sf_strerror(file_));
    } else {
        interleaved_.resize(2 * static_cast<size_t>(count));
        n = sf_readf_double(file_, interleaved_.data(), count);
        if (n < 0) throw HostError(ExitCode::kInput, path_ + ": " + sf_strerror(file_));
        for (sf_count_t i = 0; i < n; ++i) {
            left[i] = interleaved_[2 * i];
            if (right) right[i] = interleaved_[2 * i + 1];
        }
    }
    if (level) {
        level->Measure(left, static_cast<uint32_t>(n));
        if (right) level->Measure(right, static_cast<uint32_t>(n));
    }
    return static_cast<uint32_t>(n);
}

// Flushes a file to disk on a thread of its own, on request, while the file
// is still being written (through a descriptor of its own: libsndfile keeps
// its own to itself). A disk with a write cache holds on to what it has
// been given until it is told to flush, so a single flush at the end waits
// for the whole file (about half a millisecond per megabyte here); flushed
// as it grows, the file's last flush waits only for its last few megabytes.
class BackgroundFlush {
  public:
    // Takes the descriptor, and closes it once a flush under way is done.
    explicit BackgroundFlush(int fd)
        : fd_(fd), thread_([this](std::stop_token stop) {
              std::unique_lock lock(mutex_);
              while (wake_.wait(lock, stop, [&] { return requested_; })) {
                  requested_ = false;
                  lock.unlock();
                  // A failure shows again in the flush before the rename.
                  fdatasync(fd_);
                  lock.lock();
              }
          }) {}
    ~BackgroundFlush() {
        thread_.request_stop();
        thread_.join();
        close(fd_);
    }
    BackgroundFlush(const BackgroundFlush&) = delete;
    BackgroundFlush& operator=(const BackgroundFlush&) = delete;

    // A flush soon: now, or after the one under way.
    void Request() {
        {
            std::lock_guard lock(mutex_);
            requested_ = true;
        }
        wake_.notify_one();
    }

  private:
    int fd_;
    std::mutex mutex_;
    std::condition_variable_any wake_;
    bool requested_ = false;
    std::jthread thread_;  // last: it uses the members above
};

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
    if (fd >= 0) flush_ = std::make_unique<BackgroundFlush>(fd);
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
    // 2 MB of 16-bit stereo, which the flush before the rename waits for at
    // most (the last file of a batch is waited for); 8 MB between flushes
    // made that wait a third of a one-minute file's time, 1 MB gained
    // nothing more.
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

bool IsPcm16(int format) {
    switch (format & SF_FORMAT_TYPEMASK) {
        case SF_FORMAT_WAV:
        case SF_FORMAT_WAVEX:
        case SF_FORMAT_W64:
        case SF_FORMAT_RF64:
        case SF_FORMAT_AIFF:
            return (format & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_16;
        default:
            return false;
    }
}

void ShortsToDoubles(const int16_t* in, uint32_t frames, int channels, double* left,
                     double* right) {
    uint32_t i = 0;
    if (channels == 1 || !right) {
        for (; i < frames; ++i) left[i] = ShortToDouble(in[channels * i]);
        return;
    }
#if defined(__SSE2__)
    // Four frames a step: sign-extended to 32 bits, lefts and rights
    // gathered into the two halves, converted (exactly) and scaled by 2^-15.
    const __m128d scale = _mm_set1_pd(1.0 / 32768);
    for (; i + 4 <= frames; i += 4) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 2 * i));
        const __m128i first = _mm_shuffle_epi32(_mm_srai_epi32(_mm_unpacklo_epi16(x, x), 16),
                                                _MM_SHUFFLE(3, 1, 2, 0));
        const __m128i second = _mm_shuffle_epi32(_mm_srai_epi32(_mm_unpackhi_epi16(x, x), 16),
                                                 _MM_SHUFFLE(3, 1, 2, 0));
        _mm_storeu_pd(left + i, _mm_mul_pd(_mm_cvtepi32_pd(first), scale));
        _mm_storeu_pd(left + i + 2, _mm_mul_pd(_mm_cvtepi32_pd(second), scale));
        _mm_storeu_pd(right + i, _mm_mul_pd(_mm_cvtepi32_pd(_mm_srli_si128(first, 8)), scale));
        _mm_storeu_pd(right + i + 2, _mm_mul_pd(_mm_cvtepi32_pd(_mm_srli_si128(second, 8)), scale));
    }
#endif
    for (; i < frames; ++i) {
        left[i] = ShortToDouble(in[2 * i]);
        right[i] = ShortToDouble(in[2 * i + 1]);
    }
}

void DoublesToShorts(const double* in, uint32_t count, int16_t* out, int stride) {
    constexpr double kScale = 2147483648.0;
    constexpr double kTop = 2147483647.0;
    uint32_t i = 0;
#if defined(__SSE2__)
    // minpd keeps its second operand, the scaled sample, when that is not a
    // number; cvtpd2dq rounds as lrint does and turns what it cannot hold
    // (below -2^31, not a number) into -2^31.
    const __m128d scale = _mm_set1_pd(kScale), top = _mm_set1_pd(kTop);
    for (; i + 4 <= count; i += 4) {
        const __m128i a = _mm_cvtpd_epi32(_mm_min_pd(top, _mm_mul_pd(_mm_loadu_pd(in + i), scale)));
        const __m128i b =
            _mm_cvtpd_epi32(_mm_min_pd(top, _mm_mul_pd(_mm_loadu_pd(in + i + 2), scale)));
        alignas(16) int32_t words[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(words),
                        _mm_srai_epi32(_mm_unpacklo_epi64(a, b), 16));
        for (int k = 0; k < 4; ++k) out[(i + k) * stride] = static_cast<int16_t>(words[k]);
    }
#endif
    for (; i < count; ++i) {
        const double scaled = in[i] * kScale;
        const int32_t word = scaled >= kTop        ? INT32_MAX
                             : !(scaled > -kScale) ? INT32_MIN
                                                   : static_cast<int32_t>(std::lrint(scaled));
        out[i * stride] = static_cast<int16_t>(word >> 16);
    }
}

bool IsIntegerFormat(int format) {
    switch (format & SF_FORMAT_SUBMASK) {
        case SF_FORMAT_FLOAT:
        case SF_FORMAT_DOUBLE:
        case SF_FORMAT_VORBIS:
        case SF_FORMAT_OPUS:
            return false;
        default:
            return true;
    }
}

int WithSampleFormat(int format, const std::string& name) {
    static const std::map<std::string, int> kSubtypes = {
        {"pcm16", SF_FORMAT_PCM_16}, {"pcm24", SF_FORMAT_PCM_24},  {"pcm32", SF_FORMAT_PCM_32},
        {"float", SF_FORMAT_FLOAT},  {"double", SF_FORMAT_DOUBLE},
    };
    return (format & SF_FORMAT_TYPEMASK) | kSubtypes.at(name);
}
