#include "plughost/AudioReader.h"

#include "plughost/HostError.h"
#include "plughost/SampleConversion.h"
#include "plughost/SoundFormat.h"

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
