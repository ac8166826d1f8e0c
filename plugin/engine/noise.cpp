// Noise sources: white noise by the polar method (white_noise.cpp), pink
// noise by the Voss-McCartney method (16 rows of random values updated at
// octave-spaced rates plus one fresh value a sample) from a 32-bit linear
// congruential generator.
#include <cmath>
#include <cstring>

#include "render.h"
#include "white_noise.h"
#include "white_state.h"

namespace kelvane {

namespace {

constexpr float kWhiteLevel = 0.25f;   // the standard deviation at gain 1

// The pink generator's recurrence (Numerical Recipes' quick LCG family).
constexpr uint32_t kPinkMultiplier = 196314165u;
constexpr uint32_t kPinkIncrement = 907633515u;
// The counter that picks the row to replace wraps after 2^kPinkRows samples.
constexpr int32_t kPinkCounterMask = (1 << kPinkRows) - 1;

// The rendering thread's own sequence, like the C library's rand() that the
// generator imitates.
void RenderWhite(float* out, int frames, float gain) {
    StoreWhiteState(WhiteNoise(LoadWhiteState(), out, frames, gain, WidestVectors()));
}

// Row j is replaced every 2^(j+1) samples (j = trailing zeros of the
// counter); each sample adds one fresh value to the running sum of the rows.
// Values are the top 24 bits of the generator, signed. The seed is
// process-wide: calls of FxProcessBuffer never overlap, so assignments simply
// draw from one sequence in rendering order.
void RenderPink(GeneratorState& g, uint32_t& pinkSeed, float* out, int frames, float gain) {
    uint32_t seed = pinkSeed;
    int32_t counter = g.pinkCounter;
    int32_t sum = g.pinkRunningSum;
    const double scale = kPinkScale;
    for (int i = 0; i < frames; ++i) {
        counter = (counter + 1) & kPinkCounterMask;
        if (counter != 0) {
            const int row = __builtin_ctz(static_cast<uint32_t>(counter));
            seed = seed * kPinkMultiplier + kPinkIncrement;
            const int32_t r = static_cast<int32_t>(seed) >> 8;
            sum += r - g.pinkRows[row];
            g.pinkRows[row] = r;
        }
        seed = seed * kPinkMultiplier + kPinkIncrement;
        const int32_t fresh = static_cast<int32_t>(seed) >> 8;
        out[i] = static_cast<float>(static_cast<double>(sum + fresh) * scale * gain);
    }
    pinkSeed = seed;
    g.pinkCounter = counter;
    g.pinkRunningSum = sum;
}

}  // namespace

// [UI thread] Part of StartGenerators: the pink memories back to silence.
// The process-wide seed is left alone.
void ResetPinkNoise(int assignment) {
    GeneratorState& g = g_engine.generator[assignment];
    g.pinkCounter = 0;
    std::memset(g.pinkRows, 0, sizeof g.pinkRows);
    g.pinkRunningSum = 0;
}

// White noise is Gaussian with standard deviation kWhiteLevel. Pink noise is,
// once every row has been drawn, the sum of kPinkRows + 1 independent values
// uniform over +-kPinkValueHalfRange, each of RMS half-range / sqrt(3).
double NoiseRmsRatio(int32_t noiseType) {
    if (noiseType == 0) return kWhiteLevel;
    return std::sqrt((kPinkRows + 1) / 3.0) * kPinkValueHalfRange * static_cast<double>(kPinkScale);
}

// The largest magnitude a noise type reaches relative to its fader gain. The
// polar method's largest deviate comes from the smallest s, where the 15-bit
// draws are the odd multiples of 1/32767 nearest 0 (u = 1/32767, v = 5/32767
// gives 5.807); beyond those it falls again. Pink noise reaches its scale's
// full range.
double NoiseLargestRatio(int32_t noiseType) {
    if (noiseType != 0) return 1.0;
    double largest = 0.0;
    for (int a = 1; a < 64; a += 2) {
        for (int b = 1; b < 64; b += 2) {
            const double u = a / 32767.0, v = b / 32767.0, s = u * u + v * v;
            largest = std::fmax(largest, v * std::sqrt(-2.0 * std::log(s) / s));
        }
    }
    return largest * kWhiteLevel;
}

// [audio thread] Called by the renderer once per block, only while NoiseOn is
// non-zero; the caller has checked that the work buffers exist.
void RenderNoise(GeneratorState& g, const ConvertedParams& p, uint32_t& pinkSeed, int frames) {
    const float gain = static_cast<float>(LevelGain(p.noiseLevelIndex));
    if (p.noiseType == 0) {
        RenderWhite(g.noiseBuffer, frames, gain * kWhiteLevel);
    } else {
        RenderPink(g, pinkSeed, g.noiseBuffer, frames, gain);
    }
}

}  // namespace kelvane
