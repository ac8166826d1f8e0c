// Levels as rendered. A sample y (in output steps) reaches the track as
// trunc(y), whose square is the sum of (2k - 1) over k = 1 .. |y|; so the
// mean square of a source is the sum over k of (2k - 1) P(|y| >= k), which
// each source's own distribution gives exactly. Far above one step the sum
// has too many terms and truncation only takes E|y| - 1/3 off the square.
#include "levels.h"

#include <cmath>

#include "params.h"
#include "render.h"

namespace kelvane {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kExactSteps = 4096.0;   // below this many steps the sum is taken term by term
constexpr int kPinkValues = kPinkRows + 1;
// A source is silent where a channel is expected to carry fewer than one
// sample other than 0 in an hour at 48 kHz.
constexpr double kSamplesInAnHour = 48000.0 * 3600.0;

double FullScale(int32_t sampleFormat) { return sampleFormat == kSampleFormat32 ? 8388608.0 : 32768.0; }

// What truncation leaves of a source: its mean square in steps squared, and
// the chance that a sample is not 0.
struct Truncated {
    double meanSquare;
    double nonZeroChance;
};

// A source spread over `steps` at most, from the chance that |y| >= k;
// `continuous` is the square minus the truncation far above a step.
template <typename TailChance>
Truncated TruncatedLevel(double steps, double continuous, TailChance tail) {
    if (steps < 1.0) return {0.0, 0.0};
    if (steps > kExactSteps) return {continuous, tail(1.0)};
    double sum = 0.0;
    for (double k = 1.0; k <= steps; ++k) sum += (2.0 * k - 1.0) * tail(k);
    return {sum, tail(1.0)};
}

// A cosine of amplitude a steps over all phases: P(|a cos| >= k) = (2/pi) acos(k/a).
Truncated ToneLevel(double a) {
    return TruncatedLevel(a, a * a / 2.0 - 2.0 * a / kPi + 1.0 / 3.0,
                          [a](double k) { return 2.0 / kPi * std::acos(k / a); });
}

// Gaussian of deviation sigma steps; the polar method makes nothing beyond
// NoiseLargestRatio, where the sum stops.
Truncated WhiteLevel(double sigma) {
    const double reach = sigma * NoiseLargestRatio(0) / NoiseRmsRatio(0);
    return TruncatedLevel(reach, sigma * sigma - sigma * std::sqrt(2.0 / kPi) + 1.0 / 3.0,
                          [sigma](double k) { return std::erfc(k / (sigma * std::sqrt(2.0))); });
}

// P(sum of n uniform 0..1 values <= x), Irwin and Hall's formula.
double SumOfUniformsAtMost(double x, int n) {
    double sum = 0.0, binomial = 1.0, factorial = 1.0;
    for (int j = 1; j <= n; ++j) factorial *= j;
    for (int j = 0; j <= n && j <= x; ++j) {
        sum += (j % 2 == 0 ? 1.0 : -1.0) * binomial * std::pow(x - j, n);
        binomial = binomial * (n - j) / (j + 1);
    }
    return sum / factorial;
}

// Pink noise at a gain of a steps: a * (mean of the kPinkValues uniform values
// in -1..1) once every row is drawn, so P(|y| >= k) = 2 P(sum of the values
// as 0..1 uniforms <= kPinkValues (1 - k/a) / 2).
Truncated PinkLevel(double a) {
    const double sigma = a * NoiseRmsRatio(1);
    return TruncatedLevel(a, sigma * sigma - sigma * std::sqrt(2.0 / kPi) + 1.0 / 3.0, [a](double k) {
        return 2.0 * SumOfUniformsAtMost(kPinkValues * (1.0 - k / a) / 2.0, kPinkValues);
    });
}

double Db(double ratio) { return 20.0 * std::log10(ratio); }

}  // namespace

RenderedLevel LevelAtPosition(LevelSource source, int32_t position, int32_t sampleFormat) {
    const double fullScale = FullScale(sampleFormat);
    const double gain = LevelGain(position - kLevelPositionOffset);
    // The generators scale by the gain in single precision, the input in double.
    const double steps = static_cast<float>(gain) * fullScale;
    double peak = 0.0;
    Truncated level = {0.0, 0.0};
    switch (source) {
    case LevelSource::kTone:
    case LevelSource::kSweep:
        peak = std::floor(steps);
        level = ToneLevel(steps);
        break;
    case LevelSource::kWhiteNoise:
        level = WhiteLevel(static_cast<float>(static_cast<float>(gain) * NoiseRmsRatio(0)) * fullScale);
        break;
    case LevelSource::kPinkNoise:
        level = PinkLevel(steps);
        break;
    case LevelSource::kInput:
        peak = std::floor(gain * fullScale);
        level = {peak * peak, peak > 0.0 ? 1.0 : 0.0};
        break;
    }
    // Pink noise one position above certain silence passes a step about
    // once in two hours: the track one hears and meters is all zeros, and a
    // long-run RMS of -224 dBFS would only mislead.
    if (!(level.nonZeroChance * kSamplesInAnHour >= 1.0)) return {true, -HUGE_VAL, -HUGE_VAL};
    return {false, peak > 0.0 ? Db(peak / fullScale) : 0.0, Db(std::sqrt(level.meanSquare) / fullScale)};
}

}  // namespace kelvane
