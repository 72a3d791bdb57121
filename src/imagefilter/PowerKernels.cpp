// The two kernels built on powers: gamma (one power per channel) and the
// highlight and shadow curve (two powers of the luma). Both builds follow the
// formulas through math::powPos; the AVX2 build takes the powers from a
// PowerCurve fitted for the kernel's exponents wherever eight values at once
// lie in its range.

#include "imagefilter/Kernels.h"
#include "imagefilter/PixelMath.h"
#include "imagefilter/PowerCurve.h"
#include "imagefilter/Simd.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace imagefilter::detail {

namespace {

constexpr float kLumaR = 0.2125f, kLumaG = 0.7154f, kLumaB = 0.0721f;

inline void gammaPlane(float* c, int n, float power)
{
    for (int i = 0; i < n; ++i) {
        const float x = c[i];
        const float m = math::powPos(math::select(x < 0.0f, -x, x), power);
        c[i] = math::select(x < 0.0f, -m, m);
    }
}

inline void highlightShadowRow(Planar p, int n, float shadowExp, float highlightExp)
{
    using math::select;
    for (int i = 0; i < n; ++i) {
        const float l = kLumaR * p.r[i] + kLumaG * p.g[i] + kLumaB * p.b[i];
        const float t = math::powPos(l, shadowExp);
        float shadow = t - 0.76f * t * t - l;
        shadow = select(shadow > 0.0f, select(shadow < 1.0f, shadow, 1.0f), 0.0f);
        // The second power of each curve is the square of the first.
        const float m = 1.0f - l;
        const float um = math::powPos(select(m < 0.0f, -m, m), highlightExp);
        const float u = select(m < 0.0f, -um, um);
        float highlight = 1.0f - (u - 0.8f * u * u) - l;
        highlight = select(highlight > -1.0f, select(highlight < 0.0f, highlight, 0.0f), -1.0f);
        const float safe = select(l > 0.0f, l, 1.0f);
        const float ratio = select(l > 0.0f, (l + shadow + highlight) / safe, 1.0f);
        p.r[i] *= ratio;
        p.g[i] *= ratio;
        p.b[i] *= ratio;
    }
}

#ifdef IMAGEFILTER_SIMD_DISPATCH
[[gnu::target(IMAGEFILTER_AVX2_TARGET)]] void gammaPlaneAvx2(float* c, int n,
                                                             const PowerCurve& curve)
{
    PowerCurveAvx2 t;
    loadPowerCurve(curve, t);
    const __m256 signBit = _mm256_set1_ps(-0.0f);
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256 x = _mm256_loadu_ps(c + i);
        const __m256 a = _mm256_andnot_ps(signBit, x);
        if (_mm256_movemask_ps(powerOutside(a)) != 0) {
            gammaPlane(c + i, 8, curve.p);
            continue;
        }
        _mm256_storeu_ps(c + i, _mm256_or_ps(powerAt(t, a), _mm256_and_ps(x, signBit)));
    }
    gammaPlane(c + i, n - i, curve.p);
}

// The same steps as highlightShadowRow, eight pixels at a time. The shadow
// term is 0 wherever the luma is at least `shadowEnd` and the highlight term
// wherever it is at most `highlightStart`: eight pixels that all lie there
// skip that term's power, which changes no value.
[[gnu::target(IMAGEFILTER_AVX2_TARGET)]] void
highlightShadowRowAvx2(Planar p, int n, const PowerCurve& shadowCurve,
                       const PowerCurve& highlightCurve, float shadowEnd, float highlightStart)
{
    PowerCurveAvx2 sc, hc;
    loadPowerCurve(shadowCurve, sc);
    loadPowerCurve(highlightCurve, hc);
    const __m256 signBit = _mm256_set1_ps(-0.0f), zero = _mm256_setzero_ps(),
                 one = _mm256_set1_ps(1.0f);
    const __m256 minusOne = _mm256_set1_ps(-1.0f);
    const __m256 wr = _mm256_set1_ps(kLumaR), wg = _mm256_set1_ps(kLumaG),
                 wb = _mm256_set1_ps(kLumaB);
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256 r = _mm256_loadu_ps(p.r + i), g = _mm256_loadu_ps(p.g + i),
                     b = _mm256_loadu_ps(p.b + i);
        const __m256 l = _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(wr, r), _mm256_mul_ps(wg, g)),
                                       _mm256_mul_ps(wb, b));
        // NaN compares as needing both terms, and so takes the formula
        const bool needShadow =
            _mm256_movemask_ps(_mm256_cmp_ps(l, _mm256_set1_ps(shadowEnd), _CMP_NGE_UQ)) != 0;
        const bool needHighlight =
            _mm256_movemask_ps(_mm256_cmp_ps(l, _mm256_set1_ps(highlightStart), _CMP_NLE_UQ)) != 0;
        __m256 shadow = zero, highlight = zero;
        if (needShadow) {
            // Negative luma gives a shadow power of 0, as powPos does.
            const __m256 lp = _mm256_and_ps(l, _mm256_cmp_ps(l, zero, _CMP_GT_OQ));
            if (_mm256_movemask_ps(powerOutside(lp)) != 0) {
                highlightShadowRow(p.offset(i), 8, shadowCurve.p, highlightCurve.p);
                continue;
            }
            const __m256 t = powerAt(sc, lp);
            shadow = _mm256_sub_ps(
                _mm256_sub_ps(t, _mm256_mul_ps(_mm256_set1_ps(0.76f), _mm256_mul_ps(t, t))), l);
            shadow = _mm256_blendv_ps(one, shadow, _mm256_cmp_ps(shadow, one, _CMP_LT_OQ));
            shadow = _mm256_and_ps(shadow, _mm256_cmp_ps(shadow, zero, _CMP_GT_OQ));
        }
        if (needHighlight) {
            const __m256 m = _mm256_sub_ps(one, l);
            const __m256 am = _mm256_andnot_ps(signBit, m);
            if (_mm256_movemask_ps(powerOutside(am)) != 0) {
                highlightShadowRow(p.offset(i), 8, shadowCurve.p, highlightCurve.p);
                continue;
            }
            const __m256 u = _mm256_or_ps(powerAt(hc, am), _mm256_and_ps(m, signBit));
            highlight = _mm256_sub_ps(
                _mm256_sub_ps(one, _mm256_sub_ps(u, _mm256_mul_ps(_mm256_set1_ps(0.8f),
                                                                  _mm256_mul_ps(u, u)))),
                l);
            highlight = _mm256_and_ps(highlight, _mm256_cmp_ps(highlight, zero, _CMP_LT_OQ));
            highlight = _mm256_blendv_ps(minusOne, highlight,
                                         _mm256_cmp_ps(highlight, minusOne, _CMP_GT_OQ));
        }
        // 1 / l from the approximate reciprocal and one Newton step (a few
        // ulps, where a division would be the slowest step of the loop); l
        // lies in [2^-14, 4) or the lane keeps its colour.
        const __m256 lit = _mm256_cmp_ps(l, zero, _CMP_GT_OQ);
        const __m256 safe = _mm256_blendv_ps(one, l, lit);
        const __m256 r0 = _mm256_rcp_ps(safe);
        const __m256 inv = _mm256_mul_ps(r0, _mm256_fnmadd_ps(safe, r0, _mm256_set1_ps(2.0f)));
        const __m256 ratio = _mm256_blendv_ps(
            one, _mm256_mul_ps(_mm256_add_ps(_mm256_add_ps(l, shadow), highlight), inv), lit);
        _mm256_storeu_ps(p.r + i, _mm256_mul_ps(r, ratio));
        _mm256_storeu_ps(p.g + i, _mm256_mul_ps(g, ratio));
        _mm256_storeu_ps(p.b + i, _mm256_mul_ps(b, ratio));
    }
    highlightShadowRow(p.offset(i), n - i, shadowCurve.p, highlightCurve.p);
}
#endif

void gammaOfPlane(float* c, int n, const PowerCurve& curve)
{
#ifdef IMAGEFILTER_SIMD_DISPATCH
    if (simd::avx2() && curve.usable()) {
        gammaPlaneAvx2(c, n, curve);
        return;
    }
#endif
    simd::run<gammaPlane>(c, n, curve.p);
}

inline void scaledPlane(const float* __restrict from, float* __restrict to, int n, float k)
{
    for (int i = 0; i < n; ++i)
        to[i] = k * from[i];
}

// Gamma of a colour that is a non-negative multiple s k of a fixed direction
// k: (s k_c)^p = (k_c / k_m)^p (s k_m)^p, so one power, of the channel m
// where k is largest, gives all three. The planes hold that multiple only to
// float rounding; the others' powers differ from their own by a few parts in
// ten million.
class GammaAlongKernel final : public Kernel
{
public:
    GammaAlongKernel(const PowerCurve& curve, const double (&k)[3]) : curve_(curve)
    {
        main_ = int(std::max_element(k, k + 3) - k);
        for (int c = 0; c < 3; ++c)
            factor_[c] = float(std::pow(k[c] / k[main_], double(curve.p)));
    }
    void apply(const Planar& p, int n, int, int) const override
    {
        float* planes[3] = {p.r, p.g, p.b};
        gammaOfPlane(planes[main_], n, curve_);
        for (int c = 0; c < 3; ++c)
            if (c != main_)
                simd::run<scaledPlane>(static_cast<const float*>(planes[main_]), planes[c], n,
                                       factor_[c]);
    }

private:
    PowerCurve curve_;
    int main_;
    float factor_[3];
};

class GammaKernel final : public Kernel
{
public:
    explicit GammaKernel(float power) : curve_(PowerCurve::fitted(power)) {}
    void apply(const Planar& p, int n, int, int) const override
    {
        for (float* c : {p.r, p.g, p.b})
            gammaOfPlane(c, n, curve_);
    }
    KernelPtr alongDirection(const double (&k)[3], double (&after)[3]) const override
    {
        if (!(curve_.p > 0.0f)) // 0 to a power <= 0 is no multiple of anything
            return nullptr;
        for (int c = 0; c < 3; ++c)
            after[c] = std::pow(k[c], double(curve_.p));
        return std::make_shared<GammaAlongKernel>(curve_, k);
    }

private:
    PowerCurve curve_;
};

// The first x in [lo, hi] where the decreasing f(x) falls to 0 or below, by
// bisection (hi when f stays above 0 up to it).
template <class F> double firstNonPositive(F f, double lo, double hi)
{
    if (f(hi) > 0)
        return hi;
    for (int i = 0; i < 80; ++i) {
        const double mid = 0.5 * (lo + hi);
        (f(mid) > 0 ? lo : hi) = mid;
    }
    return hi;
}

class HighlightShadowKernel final : public Kernel
{
public:
    HighlightShadowKernel(float shadow, float highlight)
        : shadow_(
              PowerCurve::fitted(1.0f / std::max(std::clamp(shadow, -1.0f, 1.0f) + 1.0f, 1e-3f))),
          highlight_(PowerCurve::fitted(1.0f / (2.0f - std::clamp(highlight, 0.0f, 1.0f))))
    {
        // Where each term is certainly 0. The shadow term of luma l > 0,
        // l^s - 0.76 l^2s - l, over l decreases (s in [1/2, 1000]): it is
        // below 0 from some l on, with a margin (1e-4 l + 1e-6) far wider
        // than the powers' error. The highlight term of m = 1 - l in (0, 1],
        // m - m^h + 0.8 m^2h, over m^h increases (h in [1/2, 1]): above 0 from
        // some m on, so for l up to 1 - that m; luma above 1 always takes it.
        const double s = shadow_.p, h = highlight_.p;
        shadowEnd_ = float(firstNonPositive(
            [s](double l) {
                return std::pow(l, s) - 0.76 * std::pow(l, 2 * s) - l + 1e-4 * l + 1e-6;
            },
            0.0, 1.0));
        const double m = firstNonPositive(
            [h](double m) {
                return -(m - std::pow(m, h) + 0.8 * std::pow(m, 2 * h) - 1e-4 * std::pow(m, h) -
                         1e-6);
            },
            0.0, 1.0);
        highlightStart_ = std::nextafter(float(1.0 - m), 0.0f);
        // no gap between the two: every luma takes both
        if (!(shadowEnd_ < highlightStart_)) {
            shadowEnd_ = std::numeric_limits<float>::infinity();
            highlightStart_ = -shadowEnd_;
        }
    }
    void apply(const Planar& p, int n, int, int) const override
    {
#ifdef IMAGEFILTER_SIMD_DISPATCH
        if (simd::avx2() && shadow_.usable() && highlight_.usable()) {
            highlightShadowRowAvx2(p, n, shadow_, highlight_, shadowEnd_, highlightStart_);
            return;
        }
#endif
        simd::run<highlightShadowRow>(p, n, shadow_.p, highlight_.p);
    }

private:
    PowerCurve shadow_, highlight_;
    // The shadow term is 0 for luma from shadowEnd_ up, the highlight term
    // for luma up to highlightStart_.
    float shadowEnd_, highlightStart_;
};

} // namespace

KernelPtr gammaKernel(float power)
{
    return Kernel::keyed(std::make_shared<GammaKernel>(power), "gamma", {power});
}

KernelPtr highlightShadowKernel(float shadowAmount, float highlightAmount)
{
    return Kernel::keyed(std::make_shared<HighlightShadowKernel>(shadowAmount, highlightAmount),
                         "highlight-shadow", {shadowAmount, highlightAmount});
}

} // namespace imagefilter::detail
