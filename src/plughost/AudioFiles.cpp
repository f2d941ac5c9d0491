#include "plughost/AudioFiles.h"

#include <cstdio>
#include <filesystem>
#include <map>

#include "plughost/Files.h"
#include "plughost/HostError.h"

AudioReader::AudioReader(const std::string& path) : path_(path) {
    file_ = sf_open(path.c_str(), SFM_READ, &info_);
    if (!file_) throw HostError(ExitCode::kInput, path + ": " + sf_strerror(nullptr));
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

uint32_t AudioReader::Read(double* left, double* right, uint32_t count) {
    if (info_.channels == 1) {
        const sf_count_t n = sf_readf_double(file_, left, count);
        if (n < 0) throw HostError(ExitCode::kInput, path_ + ": " + sf_strerror(file_));
        return static_cast<uint32_t>(n);
    }
    interleaved_.resize(2 * static_cast<size_t>(count));
    const sf_count_t n = sf_readf_double(file_, interleaved_.data(), count);
    if (n < 0) throw HostError(ExitCode::kInput, path_ + ": " + sf_strerror(file_));
    for (sf_count_t i = 0; i < n; ++i) {
        left[i] = interleaved_[2 * i];
        if (right) right[i] = interleaved_[2 * i + 1];
    }
    return static_cast<uint32_t>(n);
}

AudioWriter::AudioWriter(const std::string& path, int format, int channels, int sampleRate)
    : path_(path), temporaryPath_(TemporaryPathBeside(path)), channels_(channels) {
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
}

AudioWriter::~AudioWriter() {
    if (file_) {
        sf_close(file_);
        std::remove(temporaryPath_.c_str());
    }
}

void AudioWriter::Write(const double* left, const double* right, uint32_t count) {
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
}

void AudioWriter::Commit() {
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
