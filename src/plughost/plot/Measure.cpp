#include "plughost/plot/Measure.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <kissfft.hh>

#include "plughost/AudioReader.h"
#include "plughost/HostError.h"

namespace {

// Hands the source's samples to the plug-in's stream callback. Whatever the
// source throws waits until the plug-in has returned.
struct Feed {
    explicit Feed(const SampleSource& s) : source(&s) {}

    const SampleSource* source;
    uint64_t delivered = 0;
    bool ended = false;  // the source ran dry
    std::exception_ptr failure;

    static uint32_t Callback(void* user, StreamBuffer* buffer) {
        auto& self = *static_cast<Feed*>(user);
        if (self.failure) return 0;
        try {
            const uint32_t n = (*self.source)(buffer->left, buffer->right, buffer->count);
            self.delivered += n;
            self.ended |= n < buffer->count;
            return n;
        } catch (...) {
            self.failure = std::current_exception();
            return 0;
        }
    }
};

// Closes the stream on every way out.
class OpenedStream {
  public:
    OpenedStream(const PluginLibrary& lib, const SettingsRecord& settings)
        : lib_(lib), settings_(settings) {}
    ~OpenedStream() { lib_.CloseStream(settings_.Get()); }
    OpenedStream(const OpenedStream&) = delete;
    OpenedStream& operator=(const OpenedStream&) = delete;

  private:
    const PluginLibrary& lib_;
    const SettingsRecord& settings_;
};

bool AllFinite(const double* samples, uint32_t count) {
    return !samples ||
           std::all_of(samples, samples + count, [](double x) { return std::isfinite(x); });
}

// Bins 0 to N/2 of the transform of a real signal of even length N.
std::vector<std::complex<double>> HalfSpectrum(const Samples& signal) {
    const size_t half = signal.size() / 2;
    std::vector<std::complex<double>> packed(half), bins(half + 1);
    kissfft<double>(half, false).transform_real(signal.data(), packed.data());
    bins[0] = packed[0].real();
    bins[half] = packed[0].imag();  // the real-input transform packs Nyquist here
    std::copy(packed.begin() + 1, packed.end(), bins.begin() + 1);
    return bins;
}

size_t PowerOfTwoAtLeast(double n) {
    size_t size = 2;
    while (static_cast<double>(size) < n) size *= 2;
    return size;
}

double Decibels(double magnitude) {
    return 20 * std::log10(magnitude);
}

}  // namespace

uint64_t RunStream(const PluginLibrary& lib, const PresetSource& preset, int channels,
                   uint32_t sampleRate, const SampleSource& source, const SampleSink& sink) {
    const SettingsRecord settings = preset.Create();
    Feed feed(source);
    const StreamFormat format{0, static_cast<uint16_t>(channels), sampleRate};
    if (lib.SetStreamCallBack(&Feed::Callback, &feed, settings.Get()) != 1 ||
        lib.OpenStream(settings.Get(), &format) != 1)
        throw HostError(ExitCode::kPlugin, "the plug-in could not open a stream");
    const OpenedStream stream(lib, settings);

    constexpr uint32_t kRequest = 65536;
    const bool stereo = channels == 2;
    Samples left(kRequest), right(stereo ? kRequest : 0);
    uint64_t frames = 0;
    for (uint32_t ready = kRequest; ready == kRequest;) {
        StreamBuffer buffer{kRequest, left.data(), stereo ? right.data() : nullptr};
        ready = std::min(lib.ProcessStream(&buffer, settings.Get()), kRequest);
        if (feed.failure) std::rethrow_exception(feed.failure);
        if (!AllFinite(buffer.left, ready) || !AllFinite(buffer.right, ready))
            throw HostError(ExitCode::kPlugin, "the plug-in put out a sample that is not finite");
        if (ready > 0) sink(buffer.left, buffer.right, ready);
        frames += ready;
    }
    if (!feed.ended)
        throw HostError(ExitCode::kPlugin, "the plug-in stopped after " + std::to_string(frames) +
                                               " frames, before the end of its input");
    if (frames != feed.delivered)
        throw HostError(ExitCode::kPlugin, "the plug-in returned " + std::to_string(frames) +
                                               " of " + std::to_string(feed.delivered) + " frames");
    return frames;
}

Stereo RunSignal(const PluginLibrary& lib, const PresetSource& preset, uint32_t sampleRate,
                 uint64_t length, const SignalWriter& write) {
    Stereo output;
    output.left.reserve(length);
    output.right.reserve(length);
    uint64_t position = 0;
    RunStream(
        lib, preset, 2, sampleRate,
        [&](double* l, double* r, uint32_t count) {
            const auto n = static_cast<uint32_t>(std::min<uint64_t>(count, length - position));
            if (n > 0) write(l, r, position, n);
            position += n;
            return n;
        },
        [&](const double* l, const double* r, uint32_t count) {
            output.left.insert(output.left.end(), l, l + count);
            output.right.insert(output.right.end(), r, r + count);
        });
    return output;
}

std::complex<double> FrequencyResponse::At(double frequency, bool rightChannel) const {
    const auto& bins = rightChannel ? right : left;
    const auto last = static_cast<ptrdiff_t>(bins.size() - 1);
    const double position = std::clamp(frequency / binWidth, 0.0, static_cast<double>(last));
    const auto k = std::min(static_cast<ptrdiff_t>(position), last - 1);
    const double t = position - static_cast<double>(k);
    // The spectrum of a real signal mirrors around 0 and half the rate.
    const auto bin = [&](ptrdiff_t i) {
        return i < 0 ? std::conj(bins[-i]) : i > last ? std::conj(bins[2 * last - i]) : bins[i];
    };
    // Lagrange through the four bins around the frequency.
    return -t * (t - 1) * (t - 2) / 6 * bin(k - 1) + (t + 1) * (t - 1) * (t - 2) / 2 * bin(k) -
           (t + 1) * t * (t - 2) / 2 * bin(k + 1) + (t + 1) * t * (t - 1) / 6 * bin(k + 2);
}

FrequencyResponse MeasureResponse(const PluginLibrary& lib, const PresetSource& preset,
                                  uint32_t sampleRate) {
    const size_t length = PowerOfTwoAtLeast(4.0 * sampleRate);
    const Stereo output = RunSignal(lib, preset, sampleRate, length,
                                    [](double* l, double* r, uint64_t first, uint32_t count) {
                                        std::fill_n(l, count, 0.0);
                                        std::fill_n(r, count, 0.0);
                                        if (first == 0) l[0] = r[0] = 1.0;
                                    });
    FrequencyResponse response;
    response.sampleRate = sampleRate;
    response.binWidth = static_cast<double>(sampleRate) / static_cast<double>(length);
    response.left = HalfSpectrum(output.left);
    response.right = HalfSpectrum(output.right);
    return response;
}

std::vector<double> HalfPowerFrequencies(const FrequencyResponse& response, double from,
                                         bool right) {
    const auto& bins = right ? response.right : response.left;
    const auto first =
        std::min(static_cast<size_t>(std::ceil(from / response.binWidth)), bins.size() - 1);
    double peak = 0;
    for (size_t k = first; k < bins.size(); ++k) peak = std::max(peak, std::abs(bins[k]));
    const double level = Decibels(peak / std::sqrt(2.0));
    std::vector<double> crossings;
    for (size_t k = first; k + 1 < bins.size(); ++k) {
        const double a = Decibels(std::abs(bins[k])) - level;
        const double b = Decibels(std::abs(bins[k + 1])) - level;
        if (!std::isfinite(a) || !std::isfinite(b) || (a < 0) == (b < 0)) continue;
        // Bisection on the interpolated response between the two bins.
        double below = k * response.binWidth, above = (k + 1) * response.binWidth;
        for (int step = 0; step < 40; ++step) {
            const double middle = (below + above) / 2;
            const bool likeFirst =
                (Decibels(std::abs(response.At(middle, right))) < level) == (a < 0);
            (likeFirst ? below : above) = middle;
        }
        crossings.push_back((below + above) / 2);
    }
    return crossings;
}

GainOverTime MeasureGain(const PluginLibrary& lib, const PresetSource& preset, uint32_t sampleRate,
                         double seconds) {
    const auto length = static_cast<uint64_t>(std::llround(seconds * sampleRate));
    Stereo output = RunSignal(lib, preset, sampleRate, length,
                              [](double* l, double* r, uint64_t, uint32_t count) {
                                  std::fill_n(l, count, 1.0);
                                  std::fill_n(r, count, 1.0);
                              });
    return {sampleRate, std::move(output.left), std::move(output.right)};
}

SquarePattern FindSquarePattern(const Samples& gain) {
    SquarePattern pattern;
    if (gain.empty()) return pattern;
    const auto [low, high] = std::minmax_element(gain.begin(), gain.end());
    pattern.low = *low;
    pattern.high = *high;
    const double tolerance = 1e-9 * std::max(std::fabs(*low), std::fabs(*high));
    size_t switches = 0, first = 0, last = 0;
    bool wasHigh = false;
    for (size_t n = 0; n < gain.size(); ++n) {
        const bool isHigh = std::fabs(gain[n] - *high) <= tolerance;
        if (!isHigh && std::fabs(gain[n] - *low) > tolerance) return pattern;  // a third level
        if (n > 0 && isHigh != wasHigh) {
            if (switches++ == 0) first = n;
            last = n;
        }
        wasHigh = isHigh;
    }
    if (switches >= 2) pattern.phaseSamples = static_cast<double>(last - first) / (switches - 1);
    return pattern;
}

SpectrumAverage::SpectrumAverage(uint32_t sampleRate)
    : sampleRate_(sampleRate),
      frameSize_(PowerOfTwoAtLeast(sampleRate / 4.0)),
      window_(frameSize_),
      power_(frameSize_ / 2 + 1) {
    constexpr double kPi = 3.141592653589793;
    for (size_t n = 0; n < frameSize_; ++n)
        window_[n] = 0.5 - 0.5 * std::cos(2 * kPi * static_cast<double>(n) / frameSize_);
}

void SpectrumAverage::Add(const double* left, const double* right, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) {
        pendingLeft_.push_back(left[i]);
        if (right) pendingRight_.push_back(right[i]);
        if (pendingLeft_.size() < frameSize_) continue;
        // A full frame: transform it, keep its second half for the next.
        for (Samples* pending : {&pendingLeft_, &pendingRight_}) {
            if (pending->empty()) continue;
            Transform(*pending);
            pending->erase(pending->begin(), pending->begin() + frameSize_ / 2);
        }
    }
}

void SpectrumAverage::Transform(const Samples& frame) {
    Samples windowed(frameSize_, 0.0);
    for (size_t n = 0; n < frame.size(); ++n) windowed[n] = frame[n] * window_[n];
    const auto bins = HalfSpectrum(windowed);
    for (size_t k = 0; k < bins.size(); ++k) power_[k] += std::norm(bins[k]);
    ++frames_;
}

Samples SpectrumAverage::Decibels() {
    // A signal shorter than one frame is one frame, padded.
    if (frames_ == 0)
        for (const Samples* pending : {&pendingLeft_, &pendingRight_})
            if (!pending->empty()) Transform(*pending);
    // A full-scale sine puts half the window's sum into its bin.
    double windowSum = 0;
    for (double w : window_) windowSum += w;
    const double fullScale = windowSum * windowSum / 4;
    Samples levels(power_.size());
    for (size_t k = 0; k < power_.size(); ++k)
        levels[k] = 10 * std::log10(power_[k] / std::max<uint64_t>(frames_, 1) / fullScale);
    return levels;
}

SpectrumPair MeasureSpectrum(const PluginLibrary& lib, const PresetSource& preset,
                             const std::string& input) {
    AudioReader reader(input);
    if (reader.SampleRate() > static_cast<int>(kHighestRate))
        throw HostError(ExitCode::kInput, input + ": " + std::to_string(reader.SampleRate()) +
                                              " Hz; plot measures at up to " +
                                              std::to_string(kHighestRate) + " Hz");
    SpectrumPair pair;
    pair.sampleRate = static_cast<uint32_t>(reader.SampleRate());
    SpectrumAverage before(pair.sampleRate), after(pair.sampleRate);
    RunStream(
        lib, preset, reader.Channels(), pair.sampleRate,
        [&](double* l, double* r, uint32_t count) {
            const uint32_t n = reader.Read(l, r, count);
            before.Add(l, r, n);
            return n;
        },
        [&](const double* l, const double* r, uint32_t count) { after.Add(l, r, count); });
    pair.binWidth = before.BinWidth();
    pair.before = before.Decibels();
    pair.after = after.Decibels();
    return pair;
}
