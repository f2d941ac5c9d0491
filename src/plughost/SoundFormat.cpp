#include "plughost/SoundFormat.h"

#include <sndfile.h>

#include <map>

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
