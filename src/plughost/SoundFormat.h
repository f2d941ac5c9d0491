// libsndfile's format words as plughost uses them.
#pragma once

#include <string>

// 16-bit samples in a container that libsndfile's PCM codec handles: read
// and written as 16-bit integers (SampleConversion.h).
bool IsPcm16(int format);

// True for formats that store integers (where an overload clips).
bool IsIntegerFormat(int format);

// The format named on the command line ("pcm16", "pcm24", "pcm32",
// "float", "double") in the container of `format`.
int WithSampleFormat(int format, const std::string& name);
