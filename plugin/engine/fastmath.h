// Inline cosine and logarithm for the per-sample loops. The 32-bit mingw maths
// library computes cos and log with x87 code that costs several times the rest
// of a sample; these stay in SSE2 double precision and agree with the library
// to within 1e-13, far below one step of the output formats.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

namespace kelvane {

constexpr double kTwoPi = 6.283185307179586;
constexpr double kPi = 3.141592653589793;
constexpr double kHalfPi = 1.5707963267948966;

// Slow path of FastCos for phases outside 0..2pi (increments above 2pi per
// sample, negative frequencies): an exact remainder keeps the polynomial in
// its range whatever the phase.
inline double ReducePhase(double phase) {
    double r = std::fmod(phase, kTwoPi);
    if (r < 0.0) r += kTwoPi;
    return r == r ? r : 0.0;  // a non-finite phase maps to 0
}

// cos(x) = sin(|x - pi| - pi/2), which folds 0..2pi onto -pi/2..pi/2. There
// sin z = z P(z^2) with P a near-minimax (Chebyshev) fit of degree 6: at most
// 8e-14 from the library's cos over the whole of 0..2pi, a million times
// below one step at 2^23, for seven multiply-adds instead of the eleven a
// Taylor series needs for the same range.
inline double CosPolynomial(double phase) {
    const double z = std::fabs(phase - kPi) - kHalfPi;
    const double z2 = z * z;
    double p = 1.54112197466489e-10;
    p = p * z2 - 2.503026818882279e-08;
    p = p * z2 + 2.7556952912858047e-06;
    p = p * z2 - 0.00019841266683130672;
    p = p * z2 + 0.00833333332035835;
    p = p * z2 - 0.16666666666466673;
    p = p * z2 + 0.9999999999999496;
    return z * p;
}

inline double FastCos(double phase) {
    if (!(phase >= 0.0 && phase <= kTwoPi)) phase = ReducePhase(phase);
    return CosPolynomial(phase);
}

// Natural logarithm of a positive normal double. The argument is split as
// 2^k * m with m in sqrt(1/2)..sqrt(2) (the exponent trick of fdlibm's log),
// and ln m = 2 atanh(t), t = (m - 1)/(m + 1), |t| <= 0.1716, summed through
// t^19: the next term is below 1e-17.
inline double FastLog(double x) {
    uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    uint32_t hi = static_cast<uint32_t>(bits >> 32);
    hi += 0x3FF00000u - 0x3FE6A09Eu;
    const int k = static_cast<int>(hi >> 20) - 0x3FF;
    hi = (hi & 0x000FFFFFu) + 0x3FE6A09Eu;
    bits = (static_cast<uint64_t>(hi) << 32) | (bits & 0xFFFFFFFFu);
    double m;
    std::memcpy(&m, &bits, sizeof m);

    const double t = (m - 1.0) / (m + 1.0);
    const double t2 = t * t;
    double p = 1.0 / 19.0;
    p = p * t2 + 1.0 / 17.0;
    p = p * t2 + 1.0 / 15.0;
    p = p * t2 + 1.0 / 13.0;
    p = p * t2 + 1.0 / 11.0;
    p = p * t2 + 1.0 / 9.0;
    p = p * t2 + 1.0 / 7.0;
    p = p * t2 + 1.0 / 5.0;
    p = p * t2 + 1.0 / 3.0;
    const double lnM = 2.0 * t + 2.0 * t * (t2 * p);
    // ln 2 split so that k * kLn2Hi is exact (fdlibm's constants).
    constexpr double kLn2Hi = 6.93147180369123816490e-01;
    constexpr double kLn2Lo = 1.90821492927058770002e-10;
    return k * kLn2Hi + (lnM + k * kLn2Lo);
}

}  // namespace kelvane
