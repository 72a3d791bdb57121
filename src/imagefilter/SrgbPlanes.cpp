// The sRGB curve over float planes. Decoding follows a look (whose values
// are encoded) on nearly every segment of the chain, so it has a fast path in
// each build: linear interpolation in a finely sampled table (baseline), or
// a fitted power curve (AVX2); values outside their
// range take the formula.

#include "imagefilter/SrgbPlanes.h"

#include "imagefilter/PixelMath.h"
#include "imagefilter/PowerCurve.h"
#include "imagefilter/Simd.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace imagefilter::detail {

namespace {

inline void encodePlane(float* c, int n)
{
    for (int i = 0; i < n; ++i)
        c[i] = math::encodeSRGB(c[i]);
}

// The decoding curve over encoded values in [kCurveLow, kCurveLow + kCurveSteps
// / kCurveScale], sampled exactly, for linear interpolation: the curve bends
// so little that the interpolation's error stays below 4e-7 (below 5e-7 once
// the float arithmetic rounds), and a look's output nearly
// always lies in that range.
constexpr float kCurveLow = -0.25f, kCurveScale = 1024.0f;
constexpr int kCurveSteps = 1536;

struct DecodeCurve
{
    float v[kCurveSteps + 2]; // one past the end, so that the top value interpolates too
    DecodeCurve()
    {
        for (int i = 0; i < kCurveSteps + 2; ++i) {
            const double e = kCurveLow + i / double(kCurveScale), a = std::abs(e);
            const double d = a <= 0.04045 ? a / 12.92 : std::pow((a + 0.055) / 1.055, 2.4);
            v[i] = float(e < 0 ? -d : d);
        }
    }
};

const DecodeCurve kDecodeCurve;

inline bool onDecodeCurve(const float* c, int n)
{
    constexpr float high = kCurveLow + kCurveSteps / kCurveScale;
    int outside = 0; // NaN counts as outside; no && so that the loop vectorises
    for (int i = 0; i < n; ++i)
        outside |= int(!(c[i] >= kCurveLow)) | int(!(c[i] <= high));
    return outside == 0;
}

inline void decodeByCurve(float* __restrict c, int n, const float* __restrict curve)
{
    for (int i = 0; i < n; ++i) {
        const float t = (c[i] - kCurveLow) * kCurveScale;
        const int k = int(t);
        const float f = t - float(k);
        c[i] = curve[k] + (curve[k + 1] - curve[k]) * f;
    }
}

inline void decodeByFormula(float* c, int n)
{
    for (int i = 0; i < n; ++i)
        c[i] = math::decodeSRGB(c[i]);
}

#ifdef IMAGEFILTER_SIMD_DISPATCH
// The curve part of the decoding for AVX2: u^2.4 with u = (a + 0.055) / 1.055,
// as a power curve's polynomial of u's mantissa times 2^(2.4 e) for u's
// exponent e in [-4, 3] (encoded values from the knee up to 8), that factor
// fetched by one permute. Relative error below 1e-6.
struct DecodePower
{
    static constexpr int kLowExponent = -4;
    float c[PowerCurve::kDegree + 1];
    float scale[8];
    DecodePower()
    {
        const PowerCurve fit = PowerCurve::fit(2.4f);
        std::copy(std::begin(fit.c), std::end(fit.c), c);
        for (int k = 0; k < 8; ++k)
            scale[k] = float(std::exp2(2.4 * (kLowExponent + k)));
    }
};

// One plane decoded with AVX2, eight values a step; eight values of which any
// lies outside the curve's range (or is NaN) take the formula.
[[gnu::target(IMAGEFILTER_AVX2_TARGET)]] void decodePlaneAvx2(float* c, int n,
                                                              const DecodePower& curve)
{
    __m256 k[PowerCurve::kDegree + 1];
    for (int d = 0; d <= PowerCurve::kDegree; ++d)
        k[d] = _mm256_set1_ps(curve.c[d]);
    const __m256 scale = _mm256_loadu_ps(curve.scale);
    const __m256 signBit = _mm256_set1_ps(-0.0f), top = _mm256_set1_ps(8.0f);
    const __m256 knee = _mm256_set1_ps(0.04045f), slope = _mm256_set1_ps(1.0f / 12.92f);
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256 x = _mm256_loadu_ps(c + i);
        const __m256 a = _mm256_andnot_ps(signBit, x);
        if (_mm256_movemask_ps(_mm256_cmp_ps(a, top, _CMP_NLT_UQ)) != 0) {
            for (int j = i; j < i + 8; ++j)
                c[j] = math::decodeSRGB(c[j]);
            continue;
        }
        // u >= 0.09 above the knee; below it the lane takes the line
        const __m256 u =
            _mm256_fmadd_ps(a, _mm256_set1_ps(1.0f / 1.055f), _mm256_set1_ps(0.055f / 1.055f));
        const __m256i bits = _mm256_castps_si256(u);
        const __m256i e = _mm256_sub_epi32(_mm256_srli_epi32(bits, 23),
                                           _mm256_set1_epi32(127 + DecodePower::kLowExponent));
        const __m256 curved =
            _mm256_mul_ps(mantissaPower(k, bits), _mm256_permutevar8x32_ps(scale, e));
        const __m256 d =
            _mm256_blendv_ps(curved, _mm256_mul_ps(a, slope), _mm256_cmp_ps(a, knee, _CMP_LE_OQ));
        _mm256_storeu_ps(c + i, _mm256_or_ps(d, _mm256_and_ps(x, signBit)));
    }
    for (; i < n; ++i)
        c[i] = math::decodeSRGB(c[i]);
}
#endif

} // namespace

void decodePlanes(const Planar& p, int n)
{
#ifdef IMAGEFILTER_SIMD_DISPATCH
    if (simd::avx2()) {
        static const DecodePower curve;
        for (float* c : {p.r, p.g, p.b})
            decodePlaneAvx2(c, n, curve);
        return;
    }
#endif
    for (float* c : {p.r, p.g, p.b}) {
        if (simd::run<onDecodeCurve>(static_cast<const float*>(c), n))
            simd::run<decodeByCurve>(c, n, static_cast<const float*>(kDecodeCurve.v));
        else
            simd::run<decodeByFormula>(c, n);
    }
}

void encodePlanes(const Planar& p, int n)
{
    for (float* c : {p.r, p.g, p.b})
        simd::run<encodePlane>(c, n);
}

} // namespace imagefilter::detail
