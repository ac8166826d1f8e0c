// Inline cosine and logarithm for the per-sample loops. The 32-bit mingw maths
// library computes cos and log with x87 code that costs several times the rest
// of a sample; these stay in SSE2 double precision and agree with the library
// to within 1e-13, far below one step of the output formats.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

#include <emmintrin.h>  // SSE2: both the 32-bit DLL and the native build have it

namespace kelvane {

constexpr double kTwoPi = 6.283185307179586;
constexpr double kPi = 3.141592653589793;
constexpr double kHalfPi = 1.5707963267948966;

// Slow path for cosines of phases outside 0..2pi (increments above 2pi per
// sample, negative frequencies): an exact remainder keeps the polynomial in
// its range whatever the phase.
inline double ReducePhase(double phase) {
    double r = std::fmod(phase, kTwoPi);
    if (r < 0.0) r += kTwoPi;
    return r == r ? r : 0.0;  // a non-finite phase maps to 0
}

// |x| by clearing the sign bit. Not std::fabs: the 32-bit mingw headers
// implement it as a volatile x87 fabs, a store and reload per call.
inline double Magnitude(double x) { return __builtin_fabs(x); }
inline float Magnitude(float x) { return __builtin_fabsf(x); }

// cos(x) = sin(|x - pi| - pi/2), which folds 0..2pi onto -pi/2..pi/2. There
// sin z = z P(z^2) with P a near-minimax (Chebyshev) fit of degree 6: at most
// 8e-14 from the library's cos over the whole of 0..2pi, a million times
// below one step at 2^23, for seven multiply-adds instead of the eleven a
// Taylor series needs for the same range. Highest power first.
constexpr double kCosCoefficients[] = {1.54112197466489e-10,   -2.503026818882279e-08,
                                       2.7556952912858047e-06, -0.00019841266683130672,
                                       0.00833333332035835,    -0.16666666666466673,
                                       0.9999999999999496};

// Phase in 0..2pi: the wrap rule keeps it there unless the increment exceeds
// 2pi or is negative.
inline bool PhaseInRange(double phase) { return phase >= 0.0 && phase <= kTwoPi; }

inline double CosPolynomial(double phase) {
    const double z = Magnitude(phase - kPi) - kHalfPi;
    const double z2 = z * z;
    double p = kCosCoefficients[0];
    for (size_t i = 1; i < sizeof kCosCoefficients / sizeof kCosCoefficients[0]; ++i) {
        p = p * z2 + kCosCoefficients[i];
    }
    return z * p;
}

// The same polynomial on two phases, with the same operations in the same
// order, so both give identical results.
inline __m128d CosPolynomial(__m128d phase) {
    const __m128d folded = _mm_andnot_pd(_mm_set1_pd(-0.0), _mm_sub_pd(phase, _mm_set1_pd(kPi)));
    const __m128d z = _mm_sub_pd(folded, _mm_set1_pd(kHalfPi));
    const __m128d z2 = _mm_mul_pd(z, z);
    __m128d p = _mm_set1_pd(kCosCoefficients[0]);
    for (size_t i = 1; i < sizeof kCosCoefficients / sizeof kCosCoefficients[0]; ++i) {
        p = _mm_add_pd(_mm_mul_pd(p, z2), _mm_set1_pd(kCosCoefficients[i]));
    }
    return _mm_mul_pd(z, p);
}

// The natural logarithm of positive normal doubles, in two halves so that a
// caller that also divides by x can share one division. SplitExponent writes
// x as 2^k m with m in sqrt(1/2)..sqrt(2) (the exponent trick of fdlibm's
// log, on the high words); LogFromRatio takes t = (m - 1)/(m + 1) and sums
// ln m = 2 atanh(t), |t| <= 0.1716, through t^19, where the next term is below
// 1e-17. The scalar forms here and the vector forms (two lanes below, four in
// white_noise.cpp) do the same operations in the same order, so they give
// identical results.
constexpr uint32_t kSqrtHalfHigh = 0x3FE6A09E;                 // high word of sqrt(1/2)
constexpr uint32_t kExponentShift = 0x3FF00000 - kSqrtHalfHigh;  // moves sqrt(1/2) to 1
constexpr uint32_t kMantissaHigh = 0x000FFFFF;
constexpr int32_t kExponentBias = 0x3FF;
// 1/19, 1/17, ..., 1/3: the series' coefficients, highest power first.
constexpr double kLogSeries[] = {1.0 / 19.0, 1.0 / 17.0, 1.0 / 15.0, 1.0 / 13.0, 1.0 / 11.0,
                                 1.0 / 9.0,  1.0 / 7.0,  1.0 / 5.0,  1.0 / 3.0};
// ln 2 split so that k * kLn2Hi is exact (fdlibm's constants).
constexpr double kLn2Hi = 6.93147180369123816490e-01;
constexpr double kLn2Lo = 1.90821492927058770002e-10;

inline double SplitExponent(double x, double& k) {
    uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    uint32_t high = static_cast<uint32_t>(bits >> 32) + kExponentShift;
    k = static_cast<double>(static_cast<int32_t>(high >> 20) - kExponentBias);
    high = (high & kMantissaHigh) + kSqrtHalfHigh;
    bits = static_cast<uint64_t>(high) << 32 | (bits & 0xFFFFFFFFu);
    std::memcpy(&x, &bits, sizeof x);
    return x;
}

inline double LogFromRatio(double t, double k) {
    const double t2 = t * t;
    double p = kLogSeries[0];
    for (size_t i = 1; i < sizeof kLogSeries / sizeof kLogSeries[0]; ++i) p = p * t2 + kLogSeries[i];
    const double twoT = t + t;
    const double lnM = twoT + twoT * (t2 * p);
    return k * kLn2Hi + (lnM + k * kLn2Lo);
}

inline __m128d SplitExponent(__m128d x, __m128d& k) {
    const __m128i bits = _mm_castpd_si128(x);
    __m128i high = _mm_shuffle_epi32(bits, _MM_SHUFFLE(3, 1, 3, 1));
    high = _mm_add_epi32(high, _mm_set1_epi32(kExponentShift));
    k = _mm_cvtepi32_pd(_mm_sub_epi32(_mm_srli_epi32(high, 20), _mm_set1_epi32(kExponentBias)));
    high = _mm_add_epi32(_mm_and_si128(high, _mm_set1_epi32(kMantissaHigh)),
                         _mm_set1_epi32(kSqrtHalfHigh));
    const __m128i low = _mm_shuffle_epi32(bits, _MM_SHUFFLE(2, 0, 2, 0));
    return _mm_castsi128_pd(_mm_unpacklo_epi32(low, high));
}

inline __m128d LogFromRatio(__m128d t, __m128d k) {
    const __m128d t2 = _mm_mul_pd(t, t);
    __m128d p = _mm_set1_pd(kLogSeries[0]);
    for (size_t i = 1; i < sizeof kLogSeries / sizeof kLogSeries[0]; ++i) {
        p = _mm_add_pd(_mm_mul_pd(p, t2), _mm_set1_pd(kLogSeries[i]));
    }
    const __m128d twoT = _mm_add_pd(t, t);
    const __m128d lnM = _mm_add_pd(twoT, _mm_mul_pd(twoT, _mm_mul_pd(t2, p)));
    return _mm_add_pd(_mm_mul_pd(k, _mm_set1_pd(kLn2Hi)), _mm_add_pd(lnM, _mm_mul_pd(k, _mm_set1_pd(kLn2Lo))));
}

}  // namespace kelvane
