#include "imagefilter/PowerCurve.h"

#include "imagefilter/Interpolation.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <mutex>
#include <numbers>
#include <vector>

namespace imagefilter::detail {

PowerCurve PowerCurve::fit(float p)
{
    PowerCurve curve;
    curve.p = p;
    if (!(p > 0.0f && p <= 8.0f))
        return curve; // maxRelError stays 1: not usable
    constexpr int kNodes = kDegree + 1;
    // Interpolation of m^p at Chebyshev nodes in w over [-0.5, 0.5], then the
    // Newton form expanded into powers of w.
    double ws[kNodes], c[kNodes];
    for (int i = 0; i < kNodes; ++i) {
        ws[i] = 0.5 * std::cos(std::numbers::pi * (i + 0.5) / kNodes);
        c[i] = std::pow(1.5 + ws[i], double(p));
    }
    double poly[kNodes];
    interpolatingPolynomial(ws, c, poly, kNodes);
    for (int d = 0; d < kNodes; ++d)
        curve.c[d] = float(poly[d]);
    for (int k = 0; k < 16; ++k)
        curve.scale[k] = float(std::exp2(double(kLowExponent + k) * p));
    double worst = 0;
    for (int i = 0; i <= 4096; ++i) {
        const float x = float(1.0 + i / 4096.0) * 0.5f; // one octave and its neighbours' edges
        for (const float s : {1.0f / 8192.0f, 1.0f / 64.0f, 0.5f, 2.0f, 4.0f}) {
            const float v = std::min(x * s, 3.9999998f);
            const double exact = std::pow(double(v), double(p));
            worst = std::max(worst, std::abs(double(curve.at(v)) - exact) / exact);
        }
    }
    curve.maxRelError = worst;
    return curve;
}

PowerCurve PowerCurve::fitted(float p)
{
    static std::mutex mutex;
    static std::vector<PowerCurve> curves; // most recently used last
    constexpr std::size_t kKept = 32;
    // Moves a kept curve for p (the same bits: -0 and 0 or two NaNs are no
    // concern here) to the end; false when none is kept.
    auto touch = [](float q) {
        for (std::size_t i = curves.size(); i-- > 0;) {
            if (std::memcmp(&curves[i].p, &q, sizeof q) == 0) {
                std::rotate(curves.begin() + std::ptrdiff_t(i),
                            curves.begin() + std::ptrdiff_t(i) + 1, curves.end());
                return true;
            }
        }
        return false;
    };
    {
        const std::lock_guard lock(mutex);
        if (touch(p))
            return curves.back();
    }
    // Fitted outside the lock; another thread may have kept it meanwhile.
    const PowerCurve curve = fit(p);
    const std::lock_guard lock(mutex);
    if (!touch(p)) {
        if (curves.size() == kKept)
            curves.erase(curves.begin());
        curves.push_back(curve);
    }
    return curve;
}

bool PowerCurve::usable() const
{
    return maxRelError < 2e-6;
}

float PowerCurve::at(float x) const
{
    const std::uint32_t bits = std::bit_cast<std::uint32_t>(x);
    const int k = std::clamp(int(bits >> 23) - (127 + kLowExponent), 0, 15);
    const float w = std::bit_cast<float>((bits & 0x007fffffu) | 0x3f800000u) - 1.5f;
    float v = c[kDegree];
    for (int d = kDegree - 1; d >= 0; --d)
        v = std::fma(v, w, c[d]);
    return v * scale[k];
}

} // namespace imagefilter::detail
