#pragma once

// Scalar helpers written so that the compiler vectorises the loops that call
// them: no branches (both sides are computed and one is selected), no libm
// calls. Accuracy is far inside one 8-bit step (relative error about 1e-6).

#include <bit>
#include <cstdint>

// Hot loops are built twice, for the x86-64 baseline and for x86-64-v3 (AVX2,
// FMA), and the loader picks one for the machine; other compilers get one build.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && defined(__linux__)
#define IMAGEFILTER_VECTOR_CLONES __attribute__((target_clones("arch=x86-64-v3", "default")))
#else
#define IMAGEFILTER_VECTOR_CLONES
#endif

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

// log2 of a positive normal float.
inline float log2Pos(float x)
{
    const std::uint32_t bits = std::bit_cast<std::uint32_t>(x);
    float e = float(int((bits >> 23) & 0xffu) - 127);
    float m = std::bit_cast<float>((bits & 0x7fffffu) | 0x3f800000u); // [1, 2)
    const bool high = m > 1.41421356f;
    m = select(high, m * 0.5f, m);
    e = select(high, e + 1.0f, e);
    // log2(m) = (2 / ln 2) atanh(t), t = (m - 1) / (m + 1), |t| < 0.172
    const float t = (m - 1.0f) / (m + 1.0f);
    const float t2 = t * t;
    const float p = t * (2.8853900818f + t2 * (0.9617966939f + t2 * (0.5770780164f + t2 * 0.4121985831f)));
    return e + p;
}

// 2^y for y in about [-126, 127].
inline float exp2Fast(float y)
{
    y = select(y < -126.0f, -126.0f, y);
    y = select(y > 127.0f, 127.0f, y);
    const float n = (y + 12582912.0f) - 12582912.0f; // nearest integer
    const float f = y - n;                           // [-0.5, 0.5]
    const float p =
        1.0f +
        f * (0.6931471806f +
             f * (0.2402265070f +
                  f * (0.0555041087f + f * (0.0096181291f + f * (0.0013333558f + f * 0.0001540353f)))));
    const std::uint32_t scaleBits = std::uint32_t(int(n) + 127) << 23;
    return p * std::bit_cast<float>(scaleBits);
}

// x^p for x >= 0 and p > 0 (0 gives 0).
inline float powPos(float x, float p)
{
    const float safe = select(x > 1e-30f, x, 1.0f);
    return select(x > 1e-30f, exp2Fast(p * log2Pos(safe)), 0.0f);
}

// sRGB transfer curve on one value, extended to negative values by symmetry
// and above 1 by the same formula.
inline float encodeSRGB(float x)
{
    const float ax = select(x < 0.0f, -x, x);
    const float curve = 1.055f * powPos(ax, 1.0f / 2.4f) - 0.055f;
    const float e = select(ax <= 0.0031308f, ax * 12.92f, curve);
    return select(x < 0.0f, -e, e);
}

inline float decodeSRGB(float x)
{
    const float ax = select(x < 0.0f, -x, x);
    const float curve = powPos((ax + 0.055f) * (1.0f / 1.055f), 2.4f);
    const float d = select(ax <= 0.04045f, ax * (1.0f / 12.92f), curve);
    return select(x < 0.0f, -d, d);
}

// sin(2 pi x) for any moderate x.
inline float sin2Pi(float x)
{
    float t = x - ((x + 12582912.0f) - 12582912.0f); // [-0.5, 0.5]
    t = select(t > 0.25f, 0.5f - t, t);
    t = select(t < -0.25f, -0.5f - t, t); // [-0.25, 0.25]: sin is odd about 0 and symmetric about 1/4
    const float a = t * 6.2831853072f;
    const float a2 = a * a;
    return a * (1.0f + a2 * (-1.0f / 6 + a2 * (1.0f / 120 + a2 * (-1.0f / 5040 + a2 * (1.0f / 362880 - a2 * (1.0f / 39916800))))));
}

} // namespace imagefilter::math
