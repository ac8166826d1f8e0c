// The mean square of a signal within a frequency band, as a spectrum
// analyser reads it: Hann-windowed spectra of 32768 samples (Welch's method),
// their power summed over the bins inside the band and averaged over the
// segments. A partial segment at the end is left out. Used for the
// Calibration page's 20 Hz - 20 kHz figures and by the test that renders the
// factory presets, so both read a band the same way.
#pragma once

#include <cmath>
#include <complex>
#include <cstddef>
#include <utility>
#include <vector>

namespace kelvane {

constexpr double kBandMeterPi = 3.14159265358979323846;

struct BandMeter {
    static constexpr size_t kSegment = 32768;
    double sampleRate, lowHz, highHz;
    std::vector<double> segment;
    double power = 0.0;   // sum over the segments analysed
    int segments = 0;
};

inline void Fft(std::vector<std::complex<double>>& a) {
    const size_t n = a.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(a[i], a[j]);
    }
    for (size_t length = 2; length <= n; length <<= 1) {
        const std::complex<double> step = std::polar(1.0, -2.0 * kBandMeterPi / static_cast<double>(length));
        for (size_t i = 0; i < n; i += length) {
            std::complex<double> w = 1.0;
            for (size_t k = 0; k < length / 2; ++k, w *= step) {
                const std::complex<double> u = a[i + k], v = a[i + k + length / 2] * w;
                a[i + k] = u + v;
                a[i + k + length / 2] = u - v;
            }
        }
    }
}

// One windowed segment: by Parseval, the one-sided bins' power over the band,
// divided by the window's power, is the band's share of the mean square.
inline void AnalyseSegment(BandMeter& m) {
    const size_t n = BandMeter::kSegment;
    std::vector<std::complex<double>> a(n);
    double windowPower = 0.0;
    for (size_t i = 0; i < n; ++i) {
        const double w = 0.5 - 0.5 * std::cos(2.0 * kBandMeterPi * static_cast<double>(i) / static_cast<double>(n));
        a[i] = m.segment[i] * w;
        windowPower += w * w;
    }
    Fft(a);
    double band = 0.0;
    for (size_t k = 1; k < n / 2; ++k) {
        const double hz = static_cast<double>(k) * m.sampleRate / static_cast<double>(n);
        if (hz >= m.lowHz && hz <= m.highHz) band += 2.0 * std::norm(a[k]);
    }
    m.power += band / (static_cast<double>(n) * windowPower);
    ++m.segments;
    m.segment.clear();
}

inline void AddSample(BandMeter& m, double x) {
    m.segment.push_back(x);
    if (m.segment.size() == BandMeter::kSegment) AnalyseSegment(m);
}

inline double BandMeanSquare(const BandMeter& m) { return m.segments > 0 ? m.power / m.segments : 0.0; }

}  // namespace kelvane
