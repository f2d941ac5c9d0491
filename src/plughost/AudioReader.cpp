#include "plughost/AudioReader.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <sstream>
#include <string_view>

#include "plughost/HostError.h"
#include "plughost/SampleConversion.h"
#include "plughost/SoundFormat.h"

namespace {

// What libsndfile's refusal means to someone who named the file.
std::string OpenFailure(const std::string& path) {
    const std::string reason = sf_strerror(nullptr);
    // It says so of a header that gives no rate or no channels.
    if (reason.find("SF_INFO struct incomplete") != std::string::npos)
        return path + ": a header that gives no sample rate or no channels";
    return path + ": " + reason;
}

// A line of libsndfile's log of the file that says it breaks off: a data
// chunk longer than the file (WAV, AIFF, AU, CAF, SVX), a FLAC decoder
// error, an Ogg stream without its end.
bool SaysCutShort(const std::string& line) {
    const size_t start = line.find_first_not_of(' ');
    if (start == std::string::npos) return false;
    const std::string_view text = std::string_view(line).substr(start);
    if (text.starts_with("ERROR") || text.find("ended unexpectedly") != std::string::npos)
        return true;
    if (text.find("(should be") == std::string::npos) return false;
    for (const char* chunk : {"data ", "SSND ", "BODY ", "Data Size "})
        if (text.starts_with(chunk)) return true;
    return false;
}

}  // namespace

AudioReader::AudioReader(const std::string& path) : path_(path) {
    if (path == "-") {
        file_ = sf_open_fd(STDIN_FILENO, SFM_READ, &info_, SF_FALSE);
    } else {
        struct stat st;
        if (stat(path.c_str(), &st) != 0)
            throw HostError(ExitCode::kInput, path + ": " + std::strerror(errno));
        if (S_ISDIR(st.st_mode)) throw HostError(ExitCode::kInput, path + ": a folder");
        file_ = sf_open(path.c_str(), SFM_READ, &info_);
    }
    if (!file_) throw HostError(ExitCode::kInput, OpenFailure(path));
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
        framesRead_ += static_cast<uint64_t>(n);
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
    framesRead_ += static_cast<uint64_t>(n);
    return static_cast<uint32_t>(n);
}

int64_t AudioReader::Frames() const {
    return info_.frames == SF_COUNT_MAX ? -1 : info_.frames;
}

std::string AudioReader::Shortfall() const {
    const std::string read = std::to_string(framesRead_) + " frames";
    // Only a file's header says how long it is; an MP3's length is a guess.
    if (info_.seekable && (info_.format & SF_FORMAT_TYPEMASK) != SF_FORMAT_MPEG &&
        Frames() > static_cast<int64_t>(framesRead_))
        return "the header gives " + std::to_string(info_.frames) + " frames but the file holds " +
               std::to_string(framesRead_);
    std::string log(4096, '\0');
    sf_command(file_, SFC_GET_LOG_INFO, log.data(), static_cast<int>(log.size()));
    std::istringstream lines(log.c_str());
    for (std::string line; std::getline(lines, line);)
        if (SaysCutShort(line)) return "the file breaks off after " + read;
    return "";
}
