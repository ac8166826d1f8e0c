#include "reference_render.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace reference {

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr int kBlock = 5024;

double Increment(double hz, double sr) {
    const double inc = hz * kTwoPi / sr;
    return std::isfinite(inc) ? inc : 0.0;
}

double Ratio(double from, double to, double steps) {
    if (steps < 1.0 || from <= 0.0 || to <= 0.0) return 1.0;
    const double r = std::exp((std::log(to) - std::log(from)) / steps);
    return std::isfinite(r) && r > 0.0 ? r : 1.0;
}

void Tone(State& s, const kelvane::ConvertedParams& p, double sr, int n) {
    const double oldInc = Increment(s.previousToneFrequency, sr);
    s.previousToneFrequency = p.toneFrequencyHz;
    const double ratio = Ratio(oldInc, Increment(p.toneFrequencyHz, sr), n - 1);
    const float gain = static_cast<float>(kelvane::LevelGain(p.toneLevelIndex));
    double inc = oldInc;
    for (int i = 0; i < n; ++i) {
        if (s.tonePhase > kTwoPi) s.tonePhase -= kTwoPi;
        s.tone[i] = static_cast<float>(std::cos(s.tonePhase) * gain);
        s.tonePhase += inc;
        inc *= ratio;
    }
}

void Sweep(State& s, const kelvane::ConvertedParams& p, double sr, int n) {
    if (p.sweepStartHz != s.appliedStart || p.sweepStopHz != s.appliedStop ||
        p.sweepLengthSeconds != s.appliedLength) {
        s.appliedStart = p.sweepStartHz;
        s.appliedStop = p.sweepStopHz;
        s.appliedLength = p.sweepLengthSeconds;
        s.restart = true;
    }
    const double startInc = Increment(s.appliedStart, sr);
    const double samples = sr * s.appliedLength;
    const int32_t total = samples > 0.0 ? static_cast<int32_t>(std::min(samples, 2147483646.0)) : 0;
    const double ratio = Ratio(startInc, Increment(s.appliedStop, sr), total - 1.0);
    const float gain = static_cast<float>(kelvane::LevelGain(p.sweepLevelIndex));
    if (s.position == 0 || s.restart) {
        s.sweepPhase = 0.0;
        s.sweepIncrement = startInc;
        s.position = 0;
        s.restart = false;
    }
    for (int i = 0; i < n; ++i) {
        if (s.sweepPhase > kTwoPi) s.sweepPhase -= kTwoPi;
        s.sweep[i] = static_cast<float>(std::cos(s.sweepPhase) * gain);
        s.sweepPhase += s.sweepIncrement;
        s.sweepIncrement *= ratio;
        if (++s.position > total) {
            s.sweepIncrement = startInc;
            s.sweepPhase = 0.0;
            s.position = 0;
        }
    }
}

int Uniform(State& s) {
    s.whiteState = s.whiteState * 214013u + 2531011u;
    return (s.whiteState >> 16) & 0x7FFF;
}

int32_t Pink24(State& s) {
    s.pinkSeed = s.pinkSeed * 196314165u + 907633515u;
    return static_cast<int32_t>(s.pinkSeed) >> 8;
}

void Noise(State& s, const kelvane::ConvertedParams& p, int n) {
    const float gain = static_cast<float>(kelvane::LevelGain(p.noiseLevelIndex));
    if (p.noiseType == 0) {
        const float white = gain * 0.25f;
        for (int i = 0; i < n; ++i) {
            double u, v, sq;
            do {
                u = static_cast<float>((Uniform(s) - 16383.5f) * (1.0f / 16383.5f));
                v = (Uniform(s) - 16383.5) * static_cast<double>(1.0f / 16383.5f);
                sq = v * v + u * u;
            } while (sq > 1.0);
            s.noise[i] = static_cast<float>(v * std::sqrt(-2.0 * std::log(sq) / sq) * white);
        }
        return;
    }
    const float scale = 1.0f / 142606336.0f;
    for (int i = 0; i < n; ++i) {
        s.pinkCounter = (s.pinkCounter + 1) & 0xFFFF;
        if (s.pinkCounter != 0) {
            int j = 0;
            while (!((s.pinkCounter >> j) & 1)) ++j;
            s.pinkSum -= s.pinkRows[j];
            s.pinkRows[j] = Pink24(s);
            s.pinkSum += s.pinkRows[j];
        }
        const int32_t total = s.pinkSum + Pink24(s);
        s.noise[i] = static_cast<float>(static_cast<double>(total) * scale * gain);
    }
}

template <typename Sample>
Sample Saturate(double input, float generated) {
    const double sum = std::trunc(input) + std::trunc(static_cast<double>(generated));
    const double lo = -std::ldexp(1.0, 8 * sizeof(Sample) - 1);
    const double hi = -lo - 1.0;
    return static_cast<Sample>(std::clamp(sum, lo, hi));
}

template <typename Sample>
void Block(State& s, const kelvane::ConvertedParams& p, double sr, Sample* frames, int n,
           float fullScale) {
    std::fill(s.tone.begin(), s.tone.end(), 0.0f);
    std::fill(s.sweep.begin(), s.sweep.end(), 0.0f);
    std::fill(s.noise.begin(), s.noise.end(), 0.0f);
    if (p.toneOn) Tone(s, p, sr, n);
    if (p.noiseOn) Noise(s, p, n);
    if (p.sweepOn) Sweep(s, p, sr, n);
    else s.restart = true;
    const double inputGain = p.inputOn ? kelvane::LevelGain(p.inputLevelIndex) : 0.0;
    for (int i = 0; i < n; ++i) {
        const float left = s.sweep[i] + s.noise[i] + s.tone[i];
        const float right = s.noise[n - 1 - i] + s.sweep[i] + s.tone[i];
        frames[2 * i] = Saturate<Sample>(frames[2 * i] * inputGain, left * fullScale);
        frames[2 * i + 1] = Saturate<Sample>(frames[2 * i + 1] * inputGain, right * fullScale);
    }
}

}  // namespace

void Start(State& s, const kelvane::ConvertedParams& p, uint32_t pinkSeed, uint32_t whiteState) {
    s = State();
    s.previousToneFrequency = p.toneFrequencyHz;
    s.pinkSeed = pinkSeed;
    s.whiteState = whiteState;
    s.tone.resize(kBlock);
    s.sweep.resize(kBlock);
    s.noise.resize(kBlock);
}

void Render(State& s, const kelvane::ConvertedParams& p, uint32_t sampleRate, void* buffer,
            uint32_t bufferBytes, int32_t sampleFormat) {
    const double sr = sampleRate;
    const bool wide = sampleFormat == 4;
    int frames = static_cast<int>(bufferBytes / (wide ? 8 : 4));
    for (int done = 0; done < frames; done += kBlock) {
        const int n = std::min(kBlock, frames - done);
        if (wide) Block(s, p, sr, static_cast<int32_t*>(buffer) + 2 * done, n, 8388608.0f);
        else Block(s, p, sr, static_cast<int16_t*>(buffer) + 2 * done, n, 32768.0f);
    }
}

}  // namespace reference
