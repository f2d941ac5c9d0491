// Writes the demonstration input: stereo with a low hum, tones and noise.
// Usage: make_test_signal OUT.wav [SECONDS]
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: make_test_signal OUT.wav [SECONDS]\n");
        return 2;
    }
    const int rate = 44100;
    const double seconds = argc > 2 ? std::atof(argv[2]) : 5.0;
    const long frames = std::lround(seconds * rate);
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(argv[1], SFM_WRITE, &info);
    if (!file) {
        std::fprintf(stderr, "make_test_signal: %s: %s\n", argv[1], sf_strerror(nullptr));
        return 1;
    }
    const double pi = 3.141592653589793;
    std::mt19937 random(1);
    std::normal_distribution<double> noise(0.0, 0.02);
    std::vector<double> block(2 * 4096);
    for (long done = 0; done < frames;) {
        const long n = std::min<long>(4096, frames - done);
        for (long i = 0; i < n; ++i) {
            const double t = static_cast<double>(done + i) / rate;
            const double hum = 0.25 * std::sin(2 * pi * 50 * t) + 0.1 * std::sin(2 * pi * 100 * t);
            // A tone stepping through a few pitches, one per second.
            const double pitch = 440.0 * std::pow(2.0, static_cast<int>(t) % 5 / 4.0);
            const double tone = 0.3 * std::sin(2 * pi * pitch * t);
            block[2 * i] = hum + tone + noise(random);
            block[2 * i + 1] = hum + 0.3 * std::sin(2 * pi * 1500 * t) + noise(random);
        }
        sf_writef_double(file, block.data(), n);
        done += n;
    }
    sf_close(file);
    return 0;
}
