#pragma once

// Internal: x^p for one fixed power p, for the AVX2 build. With x = 2^e m
// (m in [1, 2)), x^p = 2^(e p) m^p: m^p is one polynomial fitted for p when
// the kernel is made, and 2^(e p) comes from a 16-entry table held in two
// registers (x in [2^-14, 4)), fetched by permutes. That is about half the
// work of a logarithm and an exponential. Eight values of which any lies
// outside that range (or is NaN) are left to the caller's general formula.

#include "imagefilter/Simd.h"

#include <cstdint>

#ifdef IMAGEFILTER_SIMD_DISPATCH
#include <immintrin.h>
#endif

namespace imagefilter::detail {

struct PowerCurve
{
    static constexpr int kDegree = 6;
    // The octaves covered: exponents kLowExponent to kLowExponent + 15.
    static constexpr int kLowExponent = -14;

    float p = 1;
    // m^p = sum c[d] w^d, w = m - 1.5.
    float c[kDegree + 1] = {};
    // 2^(e p) for e = kLowExponent + k.
    float scale[16] = {};
    // The largest relative error of the float evaluation against x^p in
    // double, measured when the curve is made; usable() only when tiny.
    double maxRelError = 1;

    static PowerCurve fit(float p);
    // fit(p), remembered: fitting measures the curve's error over some twenty
    // thousand powers, which would cost every frame a millisecond; a frame's
    // exponents are nearly always the previous frame's.
    static PowerCurve fitted(float p);
    bool usable() const;
    // The float evaluation, as the vector code does it, for x in range.
    float at(float x) const;
};

#ifdef IMAGEFILTER_SIMD_DISPATCH
struct PowerCurveAvx2
{
    __m256 c[PowerCurve::kDegree + 1], scaleLow, scaleHigh;
};

[[gnu::target(IMAGEFILTER_AVX2_TARGET), gnu::always_inline]] inline void
loadPowerCurve(const PowerCurve& p, PowerCurveAvx2& t)
{
    for (int d = 0; d <= PowerCurve::kDegree; ++d)
        t.c[d] = _mm256_set1_ps(p.c[d]);
    t.scaleLow = _mm256_loadu_ps(p.scale);
    t.scaleHigh = _mm256_loadu_ps(p.scale + 8);
}

// Lanes where a (>= 0, no sign) is outside the table's range and not 0, or NaN.
[[gnu::target(IMAGEFILTER_AVX2_TARGET), gnu::always_inline]] inline __m256 powerOutside(__m256 a)
{
    const __m256 low = _mm256_set1_ps(1.0f / 16384.0f), high = _mm256_set1_ps(4.0f);
    const __m256 tiny = _mm256_and_ps(_mm256_cmp_ps(a, low, _CMP_LT_OQ),
                                      _mm256_cmp_ps(a, _mm256_setzero_ps(), _CMP_GT_OQ));
    return _mm256_or_ps(tiny, _mm256_cmp_ps(a, high, _CMP_NLT_UQ));
}

// m^p for the mantissas m of eight positive floats (`bits`, as integers), by
// a curve's polynomial `c`; the caller scales by its exponent's factor.
[[gnu::target(IMAGEFILTER_AVX2_TARGET), gnu::always_inline]] inline __m256
mantissaPower(const __m256 (&c)[PowerCurve::kDegree + 1], __m256i bits)
{
    const __m256 m = _mm256_castsi256_ps(_mm256_or_si256(
        _mm256_and_si256(bits, _mm256_set1_epi32(0x007fffff)), _mm256_set1_epi32(0x3f800000)));
    const __m256 w = _mm256_sub_ps(m, _mm256_set1_ps(1.5f));
    static_assert(PowerCurve::kDegree == 6);
    __m256 v = _mm256_fmadd_ps(c[6], w, c[5]);
    v = _mm256_fmadd_ps(v, w, c[4]);
    v = _mm256_fmadd_ps(v, w, c[3]);
    v = _mm256_fmadd_ps(v, w, c[2]);
    v = _mm256_fmadd_ps(v, w, c[1]);
    return _mm256_fmadd_ps(v, w, c[0]);
}

// a^p for eight values a >= 0 inside the range or 0 (0 gives 0).
[[gnu::target(IMAGEFILTER_AVX2_TARGET), gnu::always_inline]] inline __m256
powerAt(const PowerCurveAvx2& t, __m256 a)
{
    const __m256i bits = _mm256_castps_si256(a);
    const __m256i k = _mm256_sub_epi32(_mm256_srli_epi32(bits, 23),
                                       _mm256_set1_epi32(127 + PowerCurve::kLowExponent));
    const __m256 v = mantissaPower(t.c, bits);
    // Bit 3 of k picks the register, its low bits the entry.
    const __m256 scale = _mm256_blendv_ps(_mm256_permutevar8x32_ps(t.scaleLow, k),
                                          _mm256_permutevar8x32_ps(t.scaleHigh, k),
                                          _mm256_castsi256_ps(_mm256_slli_epi32(k, 28)));
    return _mm256_and_ps(_mm256_mul_ps(v, scale),
                         _mm256_cmp_ps(a, _mm256_setzero_ps(), _CMP_GT_OQ));
}
#endif

} // namespace imagefilter::detail
