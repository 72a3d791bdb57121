#pragma once

// Scalar helpers written so that the compiler vectorises the loops that call
// them: no branches (both sides are computed and one is selected), no libm
// calls, no division. Each loop that calls them is built for the baseline and
// for AVX2 (see Simd.h). Accuracy is far inside one 8-bit step (2e-3 of
// one): a relative error about 1e-5 for the powers, 2e-6 absolute for the sine.

#include <bit>
#include <cstdint>

namespace imagefilter::math {

// c ? a : b through bit masks, so that the compiler keeps it branch-free
// (a plain conditional over floating-point work stays a branch and blocks
// vectorisation while floating-point traps are honoured).
inline float select(bool c, float a, float b)
{
    const std::uint32_t m = 0u - std::uint32_t(c);
    return std::bit_cast<float>((std::bit_cast<std::uint32_t>(a) & m) |
                                (std::bit_cast<std::uint32_t>(b) & ~m));
}

inline float absf(float x)
{
    return std::bit_cast<float>(std::bit_cast<std::uint32_t>(x) & 0x7fffffffu);
}

// x with the sign of s.
inline float withSignOf(float x, float s)
{
    return std::bit_cast<float>((std::bit_cast<std::uint32_t>(x) & 0x7fffffffu) |
                                (std::bit_cast<std::uint32_t>(s) & 0x80000000u));
}

// log2 of a positive normal float. The mantissa is taken in [sqrt(1/2),
// sqrt(2)) by one integer subtraction, and log2(1 + u) = u * g(u) with g a
// degree-5 polynomial fitted at Chebyshev nodes (error below 5e-6 for x in
// [2^-16, 2^16], smaller the nearer x is to 1; the final sum's rounding adds
// up to 2^-18 for larger exponents).
inline float log2Pos(float x)
{
    const std::uint32_t bits = std::bit_cast<std::uint32_t>(x);
    const std::uint32_t off = bits - 0x3f3504f3u; // the bits of sqrt(1/2)
    const std::int32_t e = std::int32_t(off) >> 23;
    const float m = std::bit_cast<float>(bits - (std::uint32_t(e) << 23));
    const float u = m - 1.0f;
    const float g =
        1.44270044f +
        u * (-0.7211957524f +
             u * (0.4799255735f + u * (-0.366925771f + u * (0.3168981872f + u * -0.2022892637f))));
    return float(e) + u * g;
}

// 2^y for y in about [-126, 127]: 2^n times 1 + f h(f), f in [-0.5, 0.5], h a
// cubic fitted at Chebyshev nodes (relative error below 8e-6; exactly 1 at
// y = 0).
inline float exp2Fast(float y)
{
    y = select(y < -126.0f, -126.0f, y);
    y = select(y > 127.0f, 127.0f, y);
    const float n = (y + 12582912.0f) - 12582912.0f; // nearest integer
    const float f = y - n;                           // [-0.5, 0.5]
    const float p = 1.0f + f * (0.6931367339f +
                                f * (0.240225301f + f * (0.05583828295f + f * 0.009656710289f)));
    const std::uint32_t scaleBits = std::uint32_t(int(n) + 127) << 23;
    return p * std::bit_cast<float>(scaleBits);
}

// x^p for x >= 0 and p > 0 (0 gives 0). Relative error about 1e-5 * (1 + p):
// far inside one 8-bit step. The logarithm of 0 or of a denormal comes out
// as some finite value below -126, and its power is replaced by 0.
inline float powPos(float x, float p)
{
    return select(x > 1e-30f, exp2Fast(p * log2Pos(x)), 0.0f);
}
// sRGB transfer curve on one value, extended to negative values by symmetry
// and above 1 by the same formula.
inline float encodeSRGB(float x)
{
    const float ax = absf(x);
    const float curve = 1.055f * powPos(ax, 1.0f / 2.4f) - 0.055f;
    const float e = select(ax <= 0.0031308f, ax * 12.92f, curve);
    return withSignOf(e, x);
}

inline float decodeSRGB(float x)
{
    const float ax = absf(x);
    const float curve = powPos((ax + 0.055f) * (1.0f / 1.055f), 2.4f);
    const float d = select(ax <= 0.04045f, ax * (1.0f / 12.92f), curve);
    return withSignOf(d, x);
}

// sin(2 pi x) for any moderate x: reduced to t in [-0.25, 0.25], then t times
// a degree-3 polynomial in t^2 fitted at Chebyshev nodes (error below 2e-6).
inline float sin2Pi(float x)
{
    float t = x - ((x + 12582912.0f) - 12582912.0f); // [-0.5, 0.5]
    t = select(t > 0.25f, 0.5f - t, t);
    t = select(t < -0.25f, -0.5f - t,
               t); // [-0.25, 0.25]: sin is odd about 0 and symmetric about 1/4
    const float s = t * t;
    return t * (6.283180513f + s * (-41.33924613f + s * (81.40800692f + s * -71.60768011f)));
}

} // namespace imagefilter::math
