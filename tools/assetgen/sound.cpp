// Sound synthesis. Both sounds stay well below full scale and fade in and out, so neither
// starts or ends with a click of its own; the noise comes from a fixed-seed generator.
#include "sound.h"

#include <algorithm>
#include <cmath>

namespace assetgen {
namespace {

constexpr double kPi = 3.14159265358979323846;

// Raised-cosine fades over `fadeIn` and `fadeOut` samples of a sound `n` samples long.
double Fade(int i, int n, int fadeIn, int fadeOut) {
    double g = 1.0;
    if (i < fadeIn) g *= 0.5 - 0.5 * std::cos(kPi * (i + 0.5) / fadeIn);
    if (i >= n - fadeOut) g *= 0.5 - 0.5 * std::cos(kPi * (n - i - 0.5) / fadeOut);
    return g;
}

struct Noise {
    uint32_t state;
    double Next() { // uniform in -1..1
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return static_cast<double>(state) / 2147483647.5 - 1.0;
    }
};

// Two-pole resonant band-pass (state-variable filter), retunable per sample.
struct BandPass {
    double low = 0, band = 0;
    double Step(double in, double freq, double q) {
        double f = 2.0 * std::sin(kPi * freq / kSampleRate);
        low += f * band;
        double high = in - low - band / q;
        band += f * high;
        return band;
    }
};

std::vector<int16_t> ToStereo(const std::vector<double>& left, const std::vector<double>& right,
                              double peak) {
    double m = 1e-9;
    for (size_t i = 0; i < left.size(); ++i)
        m = std::max({m, std::fabs(left[i]), std::fabs(right[i])});
    double gain = peak * 32767.0 / m;
    std::vector<int16_t> out;
    out.reserve(left.size() * 2);
    for (size_t i = 0; i < left.size(); ++i) {
        out.push_back(static_cast<int16_t>(std::lround(left[i] * gain)));
        out.push_back(static_cast<int16_t>(std::lround(right[i] * gain)));
    }
    return out;
}

} // namespace

std::vector<int16_t> SynthSwap() {
    // 120 ms of band-passed noise whose pitch slides down while it pans from left to right:
    // the sound of a tile sliding past its neighbour.
    const int n = kSampleRate * 120 / 1000;
    Noise noise{0x2545f491u};
    BandPass bl, br;
    std::vector<double> left(static_cast<size_t>(n)), right(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        double t = static_cast<double>(i) / n;
        double freq = 2000.0 * std::pow(750.0 / 2000.0, t);
        double env =
            std::sin(kPi * std::pow(t, 0.7)) * Fade(i, n, kSampleRate / 200, kSampleRate / 100);
        double x = noise.Next();
        double pan = 0.25 + 0.5 * t;
        left[static_cast<size_t>(i)] = bl.Step(x, freq, 2.2) * env * std::sqrt(1.0 - pan);
        right[static_cast<size_t>(i)] = br.Step(x, freq * 1.03, 2.2) * env * std::sqrt(pan);
    }
    return ToStereo(left, right, 0.45);
}

std::vector<int16_t> SynthClick() {
    // 18 ms: a short woody knock (two damped partials) with a touch of filtered noise for the
    // attack. Soft enough to repeat 25 times a second without tiring the ear.
    const int n = kSampleRate * 18 / 1000;
    Noise noise{0x9e3779b9u};
    BandPass bp;
    std::vector<double> mono(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        double t = static_cast<double>(i) / kSampleRate;
        double body = std::sin(2 * kPi * 1650.0 * t) * std::exp(-t / 0.0028) +
                      0.35 * std::sin(2 * kPi * 3300.0 * t + 0.6) * std::exp(-t / 0.0016);
        double attack = bp.Step(noise.Next(), 4200.0, 1.5) * std::exp(-t / 0.0008);
        mono[static_cast<size_t>(i)] = (body + 0.4 * attack) * Fade(i, n, 8, kSampleRate / 250);
    }
    return ToStereo(mono, mono, 0.35);
}

} // namespace assetgen
