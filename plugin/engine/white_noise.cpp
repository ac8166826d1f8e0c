// White noise by the polar method (Marsaglia): draw points in the square until
// one lies in the unit disc, then v * sqrt(-2 ln s / s), s = u^2 + v^2, is a
// standard normal deviate. Only the deviate built from v is kept; u is rounded
// to single precision, v is not. Each point takes two draws, u first.
//
// The fast path works in chunks of up to kChunk samples, in two passes:
//  - points: the generator runs in 8 lanes (SSE2) or 16 (AVX2), each lane
//    jumping ahead by the lane count per step, which for this affine
//    recurrence is one multiply-add; the accepted points are packed in their
//    original order, and the state is wound back to just after the point that
//    gave the chunk's last sample, so nothing a buffer drew is lost or skipped;
//  - deviates: two (SSE2) or four (AVX2) points per instruction, with no
//    branch; one division serves both ln s and 1/s.
// Both passes and the reference do the same floating-point operations in the
// same order on each point, so all three give the same bits.
#include "white_noise.h"

#include <cpuid.h>
#include <immintrin.h>

#include <cmath>

#include "fastmath.h"

namespace kelvane {

namespace {

// The C library's rand(): draws are bits 16..30 of the state.
constexpr uint32_t kDrawMultiplier = 214013u;
constexpr uint32_t kDrawIncrement = 2531011u;
constexpr uint32_t kDrawMask = 0x7FFF;
// Draw d in 0..32767 to (d - 16383.5) / 16383.5, never 0. Both constants are
// single precision; (d - centre) * scale is exact in double.
constexpr float kUniformCentre = 16383.5f;
constexpr float kUniformScale = 1.0f / 16383.5f;  // 6.103701889514923e-05

constexpr int kChunk = 256;
// The last step of the points pass may pack up to 8 points past the ones
// needed; the deviates pass reads up to 3 beyond the last.
constexpr int kSlack = 8;

// ---- the reference: one draw after another ----

int32_t NextDraw(uint32_t& state) {
    state = state * kDrawMultiplier + kDrawIncrement;
    return static_cast<int32_t>((state >> 16) & kDrawMask);
}

// sqrt(-2 ln s / s) for 0 < s <= 1.
double PolarFactor(double s) {
    double k;
    const double m = SplitExponent(s, k);
    const double mPlus1 = m + 1.0;
    const double q = 1.0 / (mPlus1 * s);  // (m + 1) q is 1/s
    const double lnS = LogFromRatio((m - 1.0) * s * q, k);
    return std::sqrt(-2.0 * lnS * (mPlus1 * q));
}

// ---- jumping ahead ----

// `steps` steps of x -> a x + c (mod 2^32) are one step x -> A x + C.
struct Jump {
    uint32_t multiplier, increment;
    uint32_t From(uint32_t state) const { return state * multiplier + increment; }
};

constexpr Jump JumpOf(int steps) {
    Jump j{1u, 0u};
    for (int i = 0; i < steps; ++i) j = {j.multiplier * kDrawMultiplier, j.increment * kDrawMultiplier + kDrawIncrement};
    return j;
}

// Lane i of the first step holds the state after i + 1 draws.
constexpr int kMostLanes = 16;
struct LaneJumps {
    uint32_t multiplier[kMostLanes];
    uint32_t increment[kMostLanes];
};

constexpr LaneJumps MakeLaneJumps() {
    LaneJumps t{};
    for (int i = 0; i < kMostLanes; ++i) {
        t.multiplier[i] = JumpOf(i + 1).multiplier;
        t.increment[i] = JumpOf(i + 1).increment;
    }
    return t;
}
constexpr LaneJumps kLaneJumps = MakeLaneJumps();

// The state after the point that was the count-th accepted one of a step:
// bit i of `accepted` is point i, which ends draw 2i + 2 after `base`.
uint32_t StateAfterPoint(uint32_t base, unsigned accepted, int count) {
    int point = 0;
    while (!((accepted >> point & 1) && --count == 0)) ++point;
    return Jump{kLaneJumps.multiplier[2 * point + 1], kLaneJumps.increment[2 * point + 1]}.From(base);
}

// ---- SSE2: 4 draws (2 points) per vector, 2 vectors per step ----

// x * m lane by lane, low 32 bits: SSE2 multiplies only lanes 0 and 2 at once.
inline __m128i MultiplyLow(__m128i x, __m128i m) {
    const __m128i even = _mm_mul_epu32(x, m);
    const __m128i odd = _mm_mul_epu32(_mm_srli_epi64(x, 32), _mm_srli_epi64(m, 32));
    return _mm_unpacklo_epi32(_mm_shuffle_epi32(even, _MM_SHUFFLE(0, 0, 2, 0)),
                              _mm_shuffle_epi32(odd, _MM_SHUFFLE(0, 0, 2, 0)));
}

inline __m128i LaneStates(const __m128i start, int first) {
    const __m128i m = _mm_loadu_si128(reinterpret_cast<const __m128i*>(kLaneJumps.multiplier + first));
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(kLaneJumps.increment + first));
    return _mm_add_epi32(MultiplyLow(start, m), c);
}

// Two lanes with the first one's accepted points in front: a rejected first
// point gives its place to the second.
inline __m128d PackPair(__m128d x, __m128d firstAccepted) {
    return _mm_or_pd(_mm_and_pd(firstAccepted, x), _mm_andnot_pd(firstAccepted, _mm_unpackhi_pd(x, x)));
}

// The two points of four states (u, v, u, v): the accepted ones are stored at
// v[j], s[j] on and counted in j. Returns the acceptance bits.
inline unsigned KeepPair(__m128i states, double* v, double* s, int& j) {
    const __m128i draws = _mm_and_si128(_mm_srli_epi32(states, 16), _mm_set1_epi32(kDrawMask));
    const __m128 centred = _mm_sub_ps(_mm_cvtepi32_ps(draws), _mm_set1_ps(kUniformCentre));  // exact
    const __m128 scaled = _mm_mul_ps(centred, _mm_set1_ps(kUniformScale));  // u's rounding
    const __m128d u = _mm_cvtps_pd(_mm_shuffle_ps(scaled, scaled, _MM_SHUFFLE(2, 0, 2, 0)));
    const __m128d pv = _mm_mul_pd(_mm_cvtps_pd(_mm_shuffle_ps(centred, centred, _MM_SHUFFLE(3, 1, 3, 1))),
                                  _mm_set1_pd(kUniformScale));
    const __m128d ps = _mm_add_pd(_mm_mul_pd(pv, pv), _mm_mul_pd(u, u));
    const __m128d accepted = _mm_cmple_pd(ps, _mm_set1_pd(1.0));
    const __m128d first = _mm_unpacklo_pd(accepted, accepted);
    _mm_storeu_pd(v + j, PackPair(pv, first));
    _mm_storeu_pd(s + j, PackPair(ps, first));
    const unsigned bits = static_cast<unsigned>(_mm_movemask_pd(accepted));
    j += static_cast<int>((bits & 1) + (bits >> 1));
    return bits;
}

// Draws points until n are accepted, packed into v and s; returns the state
// after the point of the n-th.
uint32_t DrawPointsSse2(uint32_t state, int n, double* v, double* s) {
    constexpr Jump kStep = JumpOf(8);
    const __m128i start = _mm_set1_epi32(static_cast<int>(state));
    __m128i low = LaneStates(start, 0), high = LaneStates(start, 4);
    const __m128i stepMultiplier = _mm_set1_epi32(static_cast<int>(kStep.multiplier));
    const __m128i stepIncrement = _mm_set1_epi32(static_cast<int>(kStep.increment));
    for (int j = 0;; state = kStep.From(state)) {
        const int before = j;
        const unsigned first = KeepPair(low, v, s, j);
        const unsigned second = KeepPair(high, v, s, j);
        if (j >= n) return StateAfterPoint(state, first | second << 2, n - before);
        low = _mm_add_epi32(MultiplyLow(low, stepMultiplier), stepIncrement);
        high = _mm_add_epi32(MultiplyLow(high, stepMultiplier), stepIncrement);
    }
}

inline __m128d PolarFactor(__m128d s) {
    const __m128d one = _mm_set1_pd(1.0);
    __m128d k;
    const __m128d m = SplitExponent(s, k);
    const __m128d mPlus1 = _mm_add_pd(m, one);
    const __m128d q = _mm_div_pd(one, _mm_mul_pd(mPlus1, s));
    const __m128d lnS = LogFromRatio(_mm_mul_pd(_mm_mul_pd(_mm_sub_pd(m, one), s), q), k);
    return _mm_sqrt_pd(_mm_mul_pd(_mm_mul_pd(_mm_set1_pd(-2.0), lnS), _mm_mul_pd(mPlus1, q)));
}

// out[i] = v[i] * PolarFactor(s[i]) * gain; v and s have room for n + 1.
void DeviatesSse2(const double* v, const double* s, int n, float gain, float* out) {
    const __m128d g = _mm_set1_pd(gain);
    for (int j = 0; j < n; j += 2) {
        const __m128 x = _mm_cvtpd_ps(_mm_mul_pd(_mm_mul_pd(_mm_loadu_pd(v + j), PolarFactor(_mm_loadu_pd(s + j))), g));
        if (j + 1 < n) {
            _mm_storel_pi(reinterpret_cast<__m64*>(out + j), x);
        } else {
            _mm_store_ss(out + j, x);
        }
    }
}

// ---- AVX2: 8 draws (4 points) per vector, 2 vectors per step ----
// Called only where WidestVectors says so.

// Where the four accepted points of each acceptance pattern go: point i's two
// 32-bit halves move to the front in order.
struct PackTable {
    alignas(32) int32_t lane[16][8];
};

constexpr PackTable MakePackTable() {
    PackTable t{};
    for (int bits = 0; bits < 16; ++bits) {
        int k = 0;
        for (int point = 0; point < 4; ++point) {
            if (bits >> point & 1) {
                t.lane[bits][2 * k] = 2 * point;
                t.lane[bits][2 * k + 1] = 2 * point + 1;
                ++k;
            }
        }
    }
    return t;
}
constexpr PackTable kPackQuad = MakePackTable();
constexpr int kAcceptedCount[16] = {0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4};

[[gnu::target("avx2")]] inline __m256i LaneStates(__m256i start, int first) {
    const __m256i m = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(kLaneJumps.multiplier + first));
    const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(kLaneJumps.increment + first));
    return _mm256_add_epi32(_mm256_mullo_epi32(start, m), c);
}

[[gnu::target("avx2")]] inline __m256d PackQuad(__m256d x, __m256i order) {
    return _mm256_castps_pd(_mm256_permutevar8x32_ps(_mm256_castpd_ps(x), order));
}

// The four points of eight states (u, v, u, v, ...), as KeepPair.
[[gnu::target("avx2")]] inline unsigned KeepQuad(__m256i states, double* v, double* s, int& j) {
    const __m256i draws = _mm256_and_si256(_mm256_srli_epi32(states, 16), _mm256_set1_epi32(kDrawMask));
    const __m256 centred = _mm256_sub_ps(_mm256_cvtepi32_ps(draws), _mm256_set1_ps(kUniformCentre));
    // u scaled and rounded in the even lanes, v centred in the odd ones; then
    // all u in the low half, all v in the high half.
    const __m256 mixed = _mm256_blend_ps(_mm256_mul_ps(centred, _mm256_set1_ps(kUniformScale)), centred, 0xAA);
    const __m256 split = _mm256_permutevar8x32_ps(mixed, _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7));
    const __m256d u = _mm256_cvtps_pd(_mm256_castps256_ps128(split));
    const __m256d pv = _mm256_mul_pd(_mm256_cvtps_pd(_mm256_extractf128_ps(split, 1)), _mm256_set1_pd(kUniformScale));
    const __m256d ps = _mm256_add_pd(_mm256_mul_pd(pv, pv), _mm256_mul_pd(u, u));
    const unsigned bits = static_cast<unsigned>(_mm256_movemask_pd(_mm256_cmp_pd(ps, _mm256_set1_pd(1.0), _CMP_LE_OQ)));
    const __m256i order = _mm256_load_si256(reinterpret_cast<const __m256i*>(kPackQuad.lane[bits]));
    _mm256_storeu_pd(v + j, PackQuad(pv, order));
    _mm256_storeu_pd(s + j, PackQuad(ps, order));
    j += kAcceptedCount[bits];
    return bits;
}

[[gnu::target("avx2")]] uint32_t DrawPointsAvx2(uint32_t state, int n, double* v, double* s) {
    constexpr Jump kStep = JumpOf(16);
    const __m256i start = _mm256_set1_epi32(static_cast<int>(state));
    __m256i low = LaneStates(start, 0), high = LaneStates(start, 8);
    const __m256i stepMultiplier = _mm256_set1_epi32(static_cast<int>(kStep.multiplier));
    const __m256i stepIncrement = _mm256_set1_epi32(static_cast<int>(kStep.increment));
    for (int j = 0;; state = kStep.From(state)) {
        const int before = j;
        const unsigned first = KeepQuad(low, v, s, j);
        const unsigned second = KeepQuad(high, v, s, j);
        if (j >= n) return StateAfterPoint(state, first | second << 4, n - before);
        low = _mm256_add_epi32(_mm256_mullo_epi32(low, stepMultiplier), stepIncrement);
        high = _mm256_add_epi32(_mm256_mullo_epi32(high, stepMultiplier), stepIncrement);
    }
}

// As the two-lane SplitExponent; shuffles work within each 128-bit half, the
// exponents are gathered from both halves.
[[gnu::target("avx2")]] inline __m256d SplitExponent(__m256d x, __m256d& k) {
    const __m256i bits = _mm256_castpd_si256(x);
    __m256i high = _mm256_shuffle_epi32(bits, _MM_SHUFFLE(3, 1, 3, 1));
    high = _mm256_add_epi32(high, _mm256_set1_epi32(kExponentShift));
    const __m256i exponent = _mm256_sub_epi32(_mm256_srli_epi32(high, 20), _mm256_set1_epi32(kExponentBias));
    k = _mm256_cvtepi32_pd(_mm256_castsi256_si128(_mm256_permute4x64_epi64(exponent, _MM_SHUFFLE(2, 0, 2, 0))));
    high = _mm256_add_epi32(_mm256_and_si256(high, _mm256_set1_epi32(kMantissaHigh)),
                            _mm256_set1_epi32(kSqrtHalfHigh));
    const __m256i low = _mm256_shuffle_epi32(bits, _MM_SHUFFLE(2, 0, 2, 0));
    return _mm256_castsi256_pd(_mm256_unpacklo_epi32(low, high));
}

[[gnu::target("avx2")]] inline __m256d LogFromRatio(__m256d t, __m256d k) {
    const __m256d t2 = _mm256_mul_pd(t, t);
    __m256d p = _mm256_set1_pd(kLogSeries[0]);
    for (size_t i = 1; i < sizeof kLogSeries / sizeof kLogSeries[0]; ++i) {
        p = _mm256_add_pd(_mm256_mul_pd(p, t2), _mm256_set1_pd(kLogSeries[i]));
    }
    const __m256d twoT = _mm256_add_pd(t, t);
    const __m256d lnM = _mm256_add_pd(twoT, _mm256_mul_pd(twoT, _mm256_mul_pd(t2, p)));
    return _mm256_add_pd(_mm256_mul_pd(k, _mm256_set1_pd(kLn2Hi)),
                         _mm256_add_pd(lnM, _mm256_mul_pd(k, _mm256_set1_pd(kLn2Lo))));
}

[[gnu::target("avx2")]] inline __m256d PolarFactor(__m256d s) {
    const __m256d one = _mm256_set1_pd(1.0);
    __m256d k;
    const __m256d m = SplitExponent(s, k);
    const __m256d mPlus1 = _mm256_add_pd(m, one);
    const __m256d q = _mm256_div_pd(one, _mm256_mul_pd(mPlus1, s));
    const __m256d lnS = LogFromRatio(_mm256_mul_pd(_mm256_mul_pd(_mm256_sub_pd(m, one), s), q), k);
    return _mm256_sqrt_pd(_mm256_mul_pd(_mm256_mul_pd(_mm256_set1_pd(-2.0), lnS), _mm256_mul_pd(mPlus1, q)));
}

// As DeviatesSse2; v and s have room for n + 3.
[[gnu::target("avx2")]] void DeviatesAvx2(const double* v, const double* s, int n, float gain, float* out) {
    const __m256d g = _mm256_set1_pd(gain);
    for (int j = 0; j < n; j += 4) {
        const __m256d deviates = _mm256_mul_pd(_mm256_loadu_pd(v + j), PolarFactor(_mm256_loadu_pd(s + j)));
        const __m128 x = _mm256_cvtpd_ps(_mm256_mul_pd(deviates, g));
        if (j + 4 <= n) {
            _mm_storeu_ps(out + j, x);
        } else {  // the chunk's last 1..3 samples
            _mm_maskstore_ps(out + j, _mm_cmpgt_epi32(_mm_set1_epi32(n - j), _mm_setr_epi32(0, 1, 2, 3)), x);
        }
    }
}

// CPUID says whether the processor has AVX and AVX2 and whether the operating
// system uses XSAVE; XGETBV then says whether it saves the SSE and AVX
// registers (bits 1 and 2) when it switches threads. Without that, AVX code
// would fault or lose its registers.
bool Avx2Usable() {
    unsigned a, b, c, d;
    if (!__get_cpuid(1, &a, &b, &c, &d) || !(c & bit_OSXSAVE) || !(c & bit_AVX)) return false;
    uint32_t saved, savedHigh;
    __asm__ volatile("xgetbv" : "=a"(saved), "=d"(savedHigh) : "c"(0));
    if ((saved & 6) != 6) return false;
    return __get_cpuid_count(7, 0, &a, &b, &c, &d) && (b & bit_AVX2);
}

// Decided at load: the audio thread must not run CPUID (it traps to the
// hypervisor in a virtual machine).
const VectorWidth s_widest = Avx2Usable() ? VectorWidth::kAvx2 : VectorWidth::kSse2;

}  // namespace

VectorWidth WidestVectors() { return s_widest; }

uint32_t WhiteNoise(uint32_t state, float* out, int frames, float gain, VectorWidth width) {
    const bool wide = width == VectorWidth::kAvx2;
    alignas(32) double v[kChunk + kSlack], s[kChunk + kSlack];
    for (int done = 0; done < frames; done += kChunk) {
        const int n = frames - done < kChunk ? frames - done : kChunk;
        state = wide ? DrawPointsAvx2(state, n, v, s) : DrawPointsSse2(state, n, v, s);
        for (int i = n; i < n + 4; ++i) {  // the last group's padding: s = 1 gives 0
            v[i] = 0.0;
            s[i] = 1.0;
        }
        if (wide) {
            DeviatesAvx2(v, s, n, gain, out + done);
        } else {
            DeviatesSse2(v, s, n, gain, out + done);
        }
    }
    return state;
}

uint32_t WhiteNoiseReference(uint32_t state, float* out, int frames, float gain) {
    for (int i = 0; i < frames; ++i) {
        double u, v, s;
        do {
            u = static_cast<float>((NextDraw(state) - kUniformCentre) * kUniformScale);
            v = (NextDraw(state) - static_cast<double>(kUniformCentre)) * kUniformScale;
            s = v * v + u * u;
        } while (s > 1.0);
        out[i] = static_cast<float>(v * PolarFactor(s) * gain);
    }
    return state;
}

}  // namespace kelvane
