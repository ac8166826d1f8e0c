// Buffer rendering: each source is generated into its own single-precision
// work buffer, then the three are mixed with the scaled input into the host's
// interleaved stereo samples. Phases, increments and ratios are doubles;
// samples and gains are single precision.
#include "render.h"

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include <emmintrin.h>  // SSE2: both the 32-bit DLL and the native build have it

#include "fastmath.h"

namespace kelvane {

EngineState g_engine = {{}, 0, 0, kPinkSeedAtLoad};

namespace {

// The two host sample formats differ only in frame size, full scale and
// sample width; one mix routine serves both.
struct Format32 {
    using Sample = int32_t;
    static constexpr uint32_t kFrameBytes = 8;
    static constexpr float kFullScale = 8388608.0f;  // 2^23
};
struct Format16 {
    using Sample = int16_t;
    static constexpr uint32_t kFrameBytes = 4;
    static constexpr float kFullScale = 32768.0f;
};

// Phase advance per sample for a frequency in Hz. A frequency that is not a
// number, or a sample rate of 0, would make it infinite; such an oscillator
// stands still instead of filling the output with NaN.
double PhaseIncrement(double hz, double sampleRate) {
    const double increment = hz * kTwoPi / sampleRate;
    return std::isfinite(increment) ? increment : 0.0;
}

// Per-sample ratio that takes an increment from `from` to `to` in `steps`
// multiplications. Undefined for non-positive increments and fewer than one
// step; the increment then holds (ratio 1).
double GeometricRatio(double from, double to, double steps) {
    if (!(steps >= 1.0) || !(from > 0.0) || !(to > 0.0)) return 1.0;
    const double ratio = std::exp((std::log(to) - std::log(from)) / steps);
    return std::isfinite(ratio) && ratio > 0.0 ? ratio : 1.0;
}

// Sweep length in samples, truncated; kept where the position counter cannot
// overflow. Negative or NaN lengths give 0: a pass of one sample, as any
// length below one sample would.
int32_t SweepTotal(double samples) {
    constexpr double kLongest = std::numeric_limits<int32_t>::max() - 1;
    if (!(samples > 0.0)) return 0;
    return samples < kLongest ? static_cast<int32_t>(samples) : static_cast<int32_t>(kLongest);
}

void Clear(float* buffer, int frames) {
    std::memset(buffer, 0, static_cast<size_t>(frames) * sizeof(float));
}

// The oscillators run in two passes per chunk: the sequential phase chain
// writes each sample's phase (already reduced to 0..2pi) into a small array,
// then the cosines are taken two at a time in SSE2 registers, where the
// polynomial's latency no longer sits on the chain.
constexpr int kPhaseChunk = 256;

// out[i] = cos(phases[i]) * gain for n phases; phases has room for n + 1.
void CosineChunk(double* phases, int n, float gain, float* out) {
    phases[n] = 0.0;  // pads an odd count; that lane is not stored
    const __m128d g = _mm_set1_pd(gain);
    for (int i = 0; i < n; i += 2) {
        const __m128 x = _mm_cvtpd_ps(_mm_mul_pd(CosPolynomial(_mm_load_pd(phases + i)), g));
        if (i + 1 < n) {
            _mm_storel_pi(reinterpret_cast<__m64*>(out + i), x);
        } else {
            _mm_store_ss(out + i, x);
        }
    }
}

inline double CosineArgument(double phase) { return PhaseInRange(phase) ? phase : ReducePhase(phase); }

// Cosine oscillator whose increment glides geometrically over the block from
// the previous frequency to the current one, reaching it on the last sample.
void RenderTone(GeneratorState& g, const ConvertedParams& p, double sampleRate, int frames) {
    const double oldIncrement = PhaseIncrement(g.previousToneFrequency, sampleRate);
    g.previousToneFrequency = p.toneFrequencyHz;
    const double newIncrement = PhaseIncrement(p.toneFrequencyHz, sampleRate);
    const double ratio = GeometricRatio(oldIncrement, newIncrement, frames - 1);
    const float gain = static_cast<float>(LevelGain(p.toneLevelIndex));

    float* out = g.toneBuffer;
    double phase = g.tonePhase;
    double increment = oldIncrement;
    alignas(16) double phases[kPhaseChunk + 2];
    for (int done = 0; done < frames; done += kPhaseChunk) {
        const int n = frames - done < kPhaseChunk ? frames - done : kPhaseChunk;
        for (int i = 0; i < n; ++i) {
            if (phase > kTwoPi) phase -= kTwoPi;
            phases[i] = CosineArgument(phase);
            phase += increment;
            increment *= ratio;
        }
        CosineChunk(phases, n, gain, out + done);
    }
    g.tonePhase = phase;
}

// Exponential sweep: the increment is multiplied by a constant ratio each
// sample so that it reaches the stop increment after sample total - 1; after
// sample total the pass starts again at the start frequency with phase 0, so
// a pass lasts total + 1 samples. The increment chain stays sequential: a
// vectorised chain (ratio^k per lane) drifts by tens of LSB over a pass.
void RenderSweep(GeneratorState& g, const ConvertedParams& p, double sampleRate, int frames) {
    if (p.sweepStartHz != g.appliedSweepStart || p.sweepStopHz != g.appliedSweepStop ||
        p.sweepLengthSeconds != g.appliedSweepLength) {
        g.appliedSweepStart = p.sweepStartHz;
        g.appliedSweepStop = p.sweepStopHz;
        g.appliedSweepLength = p.sweepLengthSeconds;
        g.sweepRestart = 1;
    }
    const double startIncrement = PhaseIncrement(g.appliedSweepStart, sampleRate);
    const int32_t total = SweepTotal(sampleRate * g.appliedSweepLength);
    const double stopIncrement = PhaseIncrement(g.appliedSweepStop, sampleRate);
    const double ratio = GeometricRatio(startIncrement, stopIncrement, total - 1.0);
    const float gain = static_cast<float>(LevelGain(p.sweepLevelIndex));

    if (g.sweepPosition == 0 || g.sweepRestart) {
        g.sweepPhase = 0.0;
        g.sweepIncrement = startIncrement;
        g.sweepPosition = 0;
        g.sweepRestart = 0;
    }
    float* out = g.sweepBuffer;
    double phase = g.sweepPhase;
    double increment = g.sweepIncrement;
    int32_t position = g.sweepPosition;
    alignas(16) double phases[kPhaseChunk + 2];
    for (int done = 0; done < frames; done += kPhaseChunk) {
        const int n = frames - done < kPhaseChunk ? frames - done : kPhaseChunk;
        for (int i = 0; i < n; ++i) {
            if (phase > kTwoPi) phase -= kTwoPi;
            phases[i] = CosineArgument(phase);
            phase += increment;
            increment *= ratio;
            if (++position > total) {
                increment = startIncrement;
                phase = 0.0;
                position = 0;
            }
        }
        CosineChunk(phases, n, gain, out + done);
    }
    g.sweepPhase = phase;
    g.sweepIncrement = increment;
    g.sweepPosition = position;
}

// trunc(input) + trunc(generated), saturated to the sample type. Out-of-range
// float-to-integer conversion is undefined, and wrapping would turn a loud
// signal into full-scale garbage, so both terms are checked first; the usual
// case converts with two truncating instructions and one integer add.
template <typename Sample>
inline Sample Combine(double input, float generated) {
    constexpr int64_t kLow = std::numeric_limits<Sample>::min();
    constexpr int64_t kHigh = std::numeric_limits<Sample>::max();
    if (Magnitude(input) < 2147483648.0 && Magnitude(generated) < 2147483648.0f) {
        int64_t sum = static_cast<int64_t>(static_cast<int32_t>(input)) + static_cast<int32_t>(generated);
        sum = sum < kLow ? kLow : sum;
        return static_cast<Sample>(sum > kHigh ? kHigh : sum);
    }
    const double sum = std::trunc(input) + std::trunc(static_cast<double>(generated));
    if (sum >= static_cast<double>(kHigh)) return static_cast<Sample>(kHigh);
    if (sum >= static_cast<double>(kLow)) return static_cast<Sample>(sum);
    return static_cast<Sample>(kLow);  // also a NaN, which no source produces
}

// Four frames of generated samples, scaled to the format and interleaved as
// the host's frames are: L0 R0 L1 R1 in `lo`, L2 R2 L3 R3 in `hi`. The float
// sums are the scalar loop's, in its order.
struct GeneratedQuad {
    __m128 lo, hi;
};

inline GeneratedQuad MixQuad(const float* tone, const float* sweep, const float* noise, int i, int frames,
                             __m128 fullScale) {
    const __m128 s = _mm_loadu_ps(sweep + i);
    const __m128 t = _mm_loadu_ps(tone + i);
    const __m128 forwards = _mm_loadu_ps(noise + i);
    __m128 backwards = _mm_loadu_ps(noise + frames - 4 - i);
    backwards = _mm_shuffle_ps(backwards, backwards, _MM_SHUFFLE(0, 1, 2, 3));
    const __m128 left = _mm_add_ps(_mm_add_ps(s, forwards), t);
    const __m128 right = _mm_add_ps(_mm_add_ps(backwards, s), t);
    return {_mm_mul_ps(_mm_unpacklo_ps(left, right), fullScale), _mm_mul_ps(_mm_unpackhi_ps(left, right), fullScale)};
}

// True when every lane truncates to a 32-bit integer without overflow (a NaN
// fails too); only then may cvttps2dq stand for the scalar conversion.
inline bool FitsInt32(__m128 x) {
    const __m128 magnitude = _mm_andnot_ps(_mm_set1_ps(-0.0f), x);
    return _mm_movemask_ps(_mm_cmplt_ps(magnitude, _mm_set1_ps(2147483648.0f))) == 0xF;
}

// a + b saturated to the 32-bit range. SSE2 has no saturating 32-bit add: an
// overflow is a sum whose sign differs from that of both terms, and its
// result is the limit on the side of a's sign.
inline __m128i AddSaturate(__m128i a, __m128i b) {
    const __m128i sum = _mm_add_epi32(a, b);
    const __m128i overflow = _mm_srai_epi32(_mm_andnot_si128(_mm_xor_si128(a, b), _mm_xor_si128(a, sum)), 31);
    const __m128i limit = _mm_xor_si128(_mm_srai_epi32(a, 31), _mm_set1_epi32(0x7FFFFFFF));
    return _mm_or_si128(_mm_and_si128(overflow, limit), _mm_andnot_si128(overflow, sum));
}

// trunc(x * gain) for the four 32-bit samples of x, in double precision like
// the scalar path; the caller has checked that the products fit.
inline __m128i ScaleInput(__m128i x, __m128d gain) {
    const __m128d lo = _mm_mul_pd(_mm_cvtepi32_pd(x), gain);
    const __m128d hi = _mm_mul_pd(_mm_cvtepi32_pd(_mm_shuffle_epi32(x, _MM_SHUFFLE(3, 2, 3, 2))), gain);
    return _mm_unpacklo_epi64(_mm_cvttpd_epi32(lo), _mm_cvttpd_epi32(hi));
}

// Four frames of host samples as two vectors of 32-bit samples, and back.
inline void LoadQuad(const Format32&, const unsigned char* at, __m128i& lo, __m128i& hi) {
    lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    hi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 16));
}
inline void StoreQuad(const Format32&, unsigned char* at, __m128i lo, __m128i hi) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(at), lo);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(at + 16), hi);
}
inline void LoadQuad(const Format16&, const unsigned char* at, __m128i& lo, __m128i& hi) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    lo = _mm_srai_epi32(_mm_unpacklo_epi16(x, x), 16);  // sign-extended
    hi = _mm_srai_epi32(_mm_unpackhi_epi16(x, x), 16);
}
inline void StoreQuad(const Format16&, unsigned char* at, __m128i lo, __m128i hi) {
    // The 32-bit sums are already saturated, so packing saturates them again
    // to the 16-bit range exactly as the scalar clamp does.
    _mm_storeu_si128(reinterpret_cast<__m128i*>(at), _mm_packs_epi32(lo, hi));
}

// One frame through the exact scalar conversion.
template <typename Format>
inline void MixFrame(unsigned char* at, float left, float right, double inputGain) {
    using Sample = typename Format::Sample;
    Sample frame[2];
    std::memcpy(frame, at, sizeof frame);  // the host's buffer may be unaligned
    frame[0] = Combine<Sample>(frame[0] * inputGain, left * Format::kFullScale);
    frame[1] = Combine<Sample>(frame[1] * inputGain, right * Format::kFullScale);
    std::memcpy(at, frame, sizeof frame);
}

// The left channel reads the noise forwards, the right channel backwards, so
// the two carry the same tone and sweep but different noise. The float sums
// keep their order (sweep, noise, tone on the left; noise, sweep, tone on the
// right) because float addition is not associative.
//
// Four frames at a time in SSE2 registers. The vector conversions agree with
// Combine only while both terms fit a 32-bit integer: the input term always
// does at the faders' gains (at most 1), which is checked once per block; the
// generated term is checked per group of frames. Anything else, and the last
// frames that do not fill a group, go through Combine.
template <typename Format>
void MixBlock(unsigned char* bytes, int frames, const GeneratorState& g, double inputGain) {
    using Sample = typename Format::Sample;
    const float* tone = g.toneBuffer;
    const float* sweep = g.sweepBuffer;
    const float* noise = g.noiseBuffer;
    constexpr double kLargestInput = -static_cast<double>(std::numeric_limits<Sample>::min());
    const bool inputFits = inputGain * kLargestInput <= 2147483648.0;
    const __m128 fullScale = _mm_set1_ps(Format::kFullScale);
    const __m128d gain = _mm_set1_pd(inputGain);
    int i = 0;
    if (inputFits) {
        for (; i + 4 <= frames; i += 4) {
            unsigned char* at = bytes + static_cast<size_t>(i) * Format::kFrameBytes;
            const GeneratedQuad q = MixQuad(tone, sweep, noise, i, frames, fullScale);
            if (!FitsInt32(q.lo) || !FitsInt32(q.hi)) break;
            __m128i lo, hi;
            LoadQuad(Format(), at, lo, hi);
            lo = AddSaturate(ScaleInput(lo, gain), _mm_cvttps_epi32(q.lo));
            hi = AddSaturate(ScaleInput(hi, gain), _mm_cvttps_epi32(q.hi));
            StoreQuad(Format(), at, lo, hi);
        }
    }
    for (; i < frames; ++i) {
        const float left = sweep[i] + noise[i] + tone[i];
        const float right = noise[frames - 1 - i] + sweep[i] + tone[i];
        MixFrame<Format>(bytes + static_cast<size_t>(i) * Format::kFrameBytes, left, right, inputGain);
    }
}

// One block of at most kWorkBufferFrames frames. The parameters are read once
// here, so an edit takes effect at a block boundary.
template <typename Format>
void RenderBlock(int assignment, unsigned char* bytes, int frames) {
    GeneratorState& g = g_engine.generator[assignment];
    const ConvertedParams p = g_converted[assignment];
    const double sampleRate = static_cast<double>(g_engine.sampleRate);

    if (p.toneOn) RenderTone(g, p, sampleRate, frames);
    else Clear(g.toneBuffer, frames);
    if (p.noiseOn) RenderNoise(g, p, g_engine.pinkSeed, frames);
    else Clear(g.noiseBuffer, frames);
    if (p.sweepOn) {
        RenderSweep(g, p, sampleRate, frames);
    } else {
        Clear(g.sweepBuffer, frames);
        g.sweepRestart = 1;  // switching it on again starts a new pass
    }
    const double inputGain = p.inputOn ? LevelGain(p.inputLevelIndex) : 0.0;
    MixBlock<Format>(bytes, frames, g, inputGain);
}

// Buffers longer than the work buffers are rendered whole, block by block;
// trailing bytes that do not make a frame are left as they are.
template <typename Format>
void RenderFrames(int assignment, unsigned char* bytes, uint32_t bufferBytes) {
    uint32_t frames = bufferBytes / Format::kFrameBytes;
    while (frames > 0) {
        const int block = frames < static_cast<uint32_t>(kWorkBufferFrames)
                              ? static_cast<int>(frames) : kWorkBufferFrames;
        RenderBlock<Format>(assignment, bytes, block);
        bytes += static_cast<size_t>(block) * Format::kFrameBytes;
        frames -= static_cast<uint32_t>(block);
    }
}

}  // namespace

// [UI thread] Host message 2, after ApplyParams(assignment, -1). The work
// buffers are allocated at the first start only and reused by every later
// one, so starting many times does not leak; ReleaseGenerators frees them.
// The host may render the assignment while its first start runs: the
// renderer takes an assignment only when all three buffers are there, and
// toneBuffer, which owns them, is stored last, after the memories are reset.
bool StartGenerators(int assignment) {
    if (assignment < 0 || assignment >= kAssignmentCount) return false;
    GeneratorState& g = g_engine.generator[assignment];
    float* block = g.toneBuffer;
    if (block == nullptr) {
        // One block holds the three buffers; toneBuffer owns it.
        block = static_cast<float*>(std::malloc(3 * sizeof(float) * kWorkBufferFrames));
        if (block == nullptr) return false;
    }
    g.previousToneFrequency = g_converted[assignment].toneFrequencyHz;
    g.tonePhase = 0.0;
    ResetPinkNoise(assignment);
    g.sweepPosition = 0;
    g.sweepPhase = 0.0;
    g.sweepRestart = 1;
    g.sweepBuffer = block + kWorkBufferFrames;
    g.noiseBuffer = g.sweepBuffer + kWorkBufferFrames;
    std::atomic_thread_fence(std::memory_order_release);
    g.toneBuffer = block;
    return true;
}

// [UI thread] Host message 1, before unload; no buffer is rendered after it.
void ReleaseGenerators() {
    for (GeneratorState& g : g_engine.generator) {
        std::free(g.toneBuffer);
        g.toneBuffer = g.sweepBuffer = g.noiseBuffer = nullptr;
    }
}

// [audio thread] From FxProcessBuffer after its own gates. An assignment that
// was never started has no work buffers and keeps its samples unchanged.
void RenderBuffer(int assignment, void* buffer, uint32_t bufferBytes, int32_t sampleFormat) {
    if (assignment < 0 || assignment >= kAssignmentCount || buffer == nullptr) return;
    if (bufferBytes == 0 || g_engine.processingMode != 1) return;
    const GeneratorState& g = g_engine.generator[assignment];
    if (g.toneBuffer == nullptr || g.sweepBuffer == nullptr || g.noiseBuffer == nullptr) return;
    unsigned char* bytes = static_cast<unsigned char*>(buffer);
    g_engine.generator[assignment].rendered16Bit = sampleFormat != kSampleFormat32;
    if (sampleFormat == kSampleFormat32) {
        RenderFrames<Format32>(assignment, bytes, bufferBytes);
    } else {
        RenderFrames<Format16>(assignment, bytes, bufferBytes);
    }
}

}  // namespace kelvane
