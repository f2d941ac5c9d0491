// libsndfile's format words as plughost uses them.
#pragma once

#include <string>

// 16-bit samples in a container that libsndfile's PCM codec handles: read
// and written as 16-bit integers (SampleConversion.h).
bool IsPcm16(int format);

// The bits of a sample format that stores integers, where plughost rounds
// (16 for the codecs that take 16-bit samples: companding, ADPCM, GSM); 0 for
// floating point and lossy formats.
int IntegerBits(int format);

// True for formats that store integers (where an overload clips).
inline bool IsIntegerFormat(int format) {
    return IntegerBits(format) > 0;
}

// The format of an output named `name`: the container its extension names
// (as libsndfile names them, and mp3, mp2, ogg, opus, aif, aifc, snd), or the
// input's for any other name; the sample format `sampleFormat` names
// ("pcm16", "pcm24", "pcm32", "float", "double"), or else the input's where
// the container holds it, or one it does hold. Throws HostError(kOutput)
// when the container cannot hold the sample format asked for.
int OutputFormat(int inputFormat, const std::string& name, const std::string& sampleFormat,
                 int channels, int sampleRate);
