// Noise sources: white noise by the polar method from a 15-bit uniform
// generator, pink noise by the Voss-McCartney method (16 rows of random values
// updated at octave-spaced rates plus one fresh value a sample) from a 32-bit
// linear congruential generator.
#include <cmath>
#include <cstring>

#include "fastmath.h"
#include "render.h"
#include "white_state.h"

namespace kelvane {

// Uniform draw d in 0..32767 to (d - 16383.5) / 16383.5, never 0. Both
// constants are single precision; the product is exact in double.
constexpr float kUniformCentre = 16383.5f;
constexpr float kUniformScale = 1.0f / 16383.5f;  // 6.103701889514923e-05
constexpr float kWhiteLevel = 0.25f;   // the standard deviation at gain 1

// The pink generator's recurrence (Numerical Recipes' quick LCG family).
constexpr uint32_t kPinkMultiplier = 196314165u;
constexpr uint32_t kPinkIncrement = 907633515u;
// Each pink value is the top 24 bits of the generator, signed: -2^23 .. 2^23 - 1.
constexpr double kPinkValueHalfRange = 8388608.0;
// The sum of the rows and the fresh value, kPinkRows + 1 such values, scaled to -1..+1.
constexpr float kPinkScale = 1.0f / static_cast<float>((kPinkRows + 1) * kPinkValueHalfRange);
static_assert(kPinkScale == 1.0f / 142606336.0f, "17 signed 24-bit values to -1..+1");

// [audio thread] The seed is process-wide: calls of FxProcessBuffer never
// overlap, so assignments simply draw from one sequence in rendering order.
int32_t NextRandom() {
    g_engine.pinkSeed = g_engine.pinkSeed * kPinkMultiplier + kPinkIncrement;
    return static_cast<int32_t>(g_engine.pinkSeed);
}

// Polar method (Marsaglia): draw points in the square until one lies in the
// unit disc, then v * sqrt(-2 ln s / s) is a standard normal deviate. Only the
// deviate built from v is kept. u is rounded to single precision, v is not.
//
// Two passes per chunk keep both cheap: the first runs the generator and
// keeps accepted points without a branch (a rejected point is overwritten by
// the next), the second turns them into samples with no branch at all. Two
// draws come from one state each step (the second by the two-step
// recurrence), which halves the generator's dependency chain; the second
// works on two samples per SSE2 instruction.
static void RenderWhite(float* out, int frames, float gain) {
    constexpr uint32_t kMultiplier2 = 214013u * 214013u;          // two steps at once
    constexpr uint32_t kIncrement2 = 2531011u * 214013u + 2531011u;
    constexpr int kChunk = 256;
    const double uniformScale = kUniformScale;
    const double centre = kUniformCentre;
    uint32_t state = LoadWhiteState();  // the rendering thread's own sequence
    alignas(16) double vs[kChunk + 2], ss[kChunk + 2];
    const __m128d one = _mm_set1_pd(1.0);
    const __m128d minusTwo = _mm_set1_pd(-2.0);
    const __m128d scale = _mm_set1_pd(gain);
    for (int done = 0; done < frames; done += kChunk) {
        const int n = frames - done < kChunk ? frames - done : kChunk;
        for (int j = 0; j < n;) {
            const uint32_t first = state * 214013u + 2531011u;
            state = state * kMultiplier2 + kIncrement2;
            const double u = static_cast<float>((static_cast<int32_t>((first >> 16) & 0x7FFF) - kUniformCentre) *
                                                kUniformScale);
            const double v = (static_cast<int32_t>((state >> 16) & 0x7FFF) - centre) * uniformScale;
            const double s = v * v + u * u;
            vs[j] = v;
            ss[j] = s;
            j += s <= 1.0;
        }
        // An odd chunk gets a harmless padding point (s = 1 gives 0); its
        // lane is not stored.
        vs[n] = 0.0;
        ss[n] = 1.0;
        for (int j = 0; j < n; j += 2) {
            const __m128d s = _mm_load_pd(ss + j);
            __m128d k;
            const __m128d m = SplitExponent(s, k);
            // One division serves both ln m = 2 atanh((m - 1)/(m + 1)) and 1/s.
            const __m128d mPlus1 = _mm_add_pd(m, one);
            const __m128d q = _mm_div_pd(one, _mm_mul_pd(mPlus1, s));
            const __m128d t = _mm_mul_pd(_mm_mul_pd(_mm_sub_pd(m, one), s), q);
            const __m128d lnS = LogFromRatio(t, k);
            const __m128d factor = _mm_sqrt_pd(_mm_mul_pd(_mm_mul_pd(minusTwo, lnS), _mm_mul_pd(mPlus1, q)));
            const __m128 x = _mm_cvtpd_ps(_mm_mul_pd(_mm_mul_pd(_mm_load_pd(vs + j), factor), scale));
            if (j + 1 < n) {
                _mm_storel_pi(reinterpret_cast<__m64*>(out + done + j), x);
            } else {
                _mm_store_ss(out + done + j, x);
            }
        }
    }
    StoreWhiteState(state);
}

// Row j is replaced every 2^(j+1) samples (j = trailing zeros of the
// counter); each sample adds one fresh value to the running sum of the rows.
// Values are the top 24 bits of the generator, signed.
static void RenderPink(GeneratorState& g, float* out, int frames, float gain) {
    uint32_t seed = g_engine.pinkSeed;
    int32_t counter = g.pinkCounter;
    int32_t sum = g.pinkRunningSum;
    const int32_t mask = g.pinkMask;
    const double scale = g.pinkScale;
    for (int i = 0; i < frames; ++i) {
        counter = (counter + 1) & mask;
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
    g_engine.pinkSeed = seed;
    g.pinkCounter = counter;
    g.pinkRunningSum = sum;
}

// [UI thread] Part of StartGenerators: the pink memories back to silence.
// The process-wide seed is left alone.
void ResetPinkNoise(int assignment) {
    GeneratorState& g = g_engine.generator[assignment];
    g.pinkCounter = 0;
    g.pinkMask = (1 << kPinkRows) - 1;
    std::memset(g.pinkRows, 0, sizeof g.pinkRows);
    g.pinkRunningSum = 0;
    g.pinkScale = kPinkScale;
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
void RenderNoise(int assignment, int frames) {
    GeneratorState& g = g_engine.generator[assignment];
    const ConvertedParams& p = g_converted[assignment];
    const int32_t type = p.noiseType;
    const float gain = static_cast<float>(LevelGain(p.noiseLevelIndex));
    if (type == 0) {
        RenderWhite(g.noiseBuffer, frames, gain * kWhiteLevel);
    } else {
        RenderPink(g, g.noiseBuffer, frames, gain);
    }
}

}  // namespace kelvane
