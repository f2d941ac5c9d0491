#include "plughost/SoundFormat.h"

#include <sndfile.h>

#include <cctype>
#include <map>
#include <utility>

#include "plughost/HostError.h"

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

int IntegerBits(int format) {
    switch (format & SF_FORMAT_SUBMASK) {
        case SF_FORMAT_FLOAT:
        case SF_FORMAT_DOUBLE:
        case SF_FORMAT_VORBIS:
        case SF_FORMAT_OPUS:
        case SF_FORMAT_MPEG_LAYER_I:
        case SF_FORMAT_MPEG_LAYER_II:
        case SF_FORMAT_MPEG_LAYER_III:
            return 0;
        case SF_FORMAT_PCM_S8:
        case SF_FORMAT_PCM_U8:
        case SF_FORMAT_DPCM_8:
            return 8;
        case SF_FORMAT_DWVW_12:
            return 12;
        case SF_FORMAT_ALAC_20:
            return 20;
        case SF_FORMAT_PCM_24:
        case SF_FORMAT_DWVW_24:
        case SF_FORMAT_ALAC_24:
            return 24;
        case SF_FORMAT_PCM_32:
        case SF_FORMAT_ALAC_32:
            return 32;
        default:
            return 16;
    }
}

namespace {

// The container (and a sample format to prefer, or 0) of an extension.
std::pair<int, int> ContainerOfExtension(std::string extension) {
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    static const std::map<std::string, std::pair<int, int>> kAliases = {
        {"mp3", {SF_FORMAT_MPEG, SF_FORMAT_MPEG_LAYER_III}},
        {"mp2", {SF_FORMAT_MPEG, SF_FORMAT_MPEG_LAYER_II}},
        {"ogg", {SF_FORMAT_OGG, 0}},
        {"opus", {SF_FORMAT_OGG, SF_FORMAT_OPUS}},
        {"aif", {SF_FORMAT_AIFF, 0}},
        {"aifc", {SF_FORMAT_AIFF, 0}},
        {"snd", {SF_FORMAT_AU, 0}},
    };
    if (const auto alias = kAliases.find(extension); alias != kAliases.end()) return alias->second;
    // libsndfile's own list; the first of a name wins (WAV before NIST's).
    int count = 0;
    sf_command(nullptr, SFC_GET_FORMAT_MAJOR_COUNT, &count, sizeof count);
    for (int k = 0; k < count; ++k) {
        SF_FORMAT_INFO info{};
        info.format = k;
        sf_command(nullptr, SFC_GET_FORMAT_MAJOR, &info, sizeof info);
        if (info.extension && extension == info.extension) return {info.format, 0};
    }
    return {0, 0};
}

bool Holds(int format, int channels, int sampleRate) {
    SF_INFO info{};
    info.format = format;
    info.channels = channels;
    info.samplerate = sampleRate;
    return sf_format_check(&info);
}

}  // namespace

int OutputFormat(int inputFormat, const std::string& name, const std::string& sampleFormat,
                 int channels, int sampleRate) {
    static const std::map<std::string, int> kSubtypes = {
        {"pcm16", SF_FORMAT_PCM_16}, {"pcm24", SF_FORMAT_PCM_24},  {"pcm32", SF_FORMAT_PCM_32},
        {"float", SF_FORMAT_FLOAT},  {"double", SF_FORMAT_DOUBLE},
    };
    const size_t slash = name.rfind('/') + 1;
    const size_t dot = name.rfind('.');
    auto [container, preferred] = dot != std::string::npos && dot > slash
                                      ? ContainerOfExtension(name.substr(dot + 1))
                                      : std::pair{0, 0};
    if (!container) container = inputFormat & SF_FORMAT_TYPEMASK;
    const int input = inputFormat & SF_FORMAT_SUBMASK;
    if (!sampleFormat.empty()) {
        const int format = container | kSubtypes.at(sampleFormat);
        if (!Holds(format, channels, sampleRate))
            throw HostError(ExitCode::kOutput,
                            name + ": the file type cannot hold " + sampleFormat + " samples");
        return format;
    }
    // Where the container does not hold the input's own, lossy and 16-bit
    // inputs go to 16 bits, others to 24.
    const int wide = IsIntegerFormat(inputFormat) && IntegerBits(inputFormat) > 16
                         ? SF_FORMAT_PCM_24
                         : SF_FORMAT_PCM_16;
    // A lossy codec goes with its own container (WAV can name MPEG, but
    // libsndfile writes none into it).
    const bool lossy =
        !IsIntegerFormat(inputFormat) && input != SF_FORMAT_FLOAT && input != SF_FORMAT_DOUBLE;
    const int own = lossy && container != (inputFormat & SF_FORMAT_TYPEMASK) ? 0 : input;
    const int candidates[] = {
        preferred, own, wide, SF_FORMAT_PCM_16, SF_FORMAT_VORBIS, SF_FORMAT_MPEG_LAYER_III};
    for (int subtype : candidates)
        if (subtype && Holds(container | subtype, channels, sampleRate)) return container | subtype;
    throw HostError(ExitCode::kOutput, name + ": the file type cannot hold these samples");
}
