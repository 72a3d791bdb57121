#include "imagefilter/OctaveQuinticCurve.h"

#include "imagefilter/Interpolation.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numbers>

namespace imagefilter::detail {

Pieces Pieces::fit(double (*f)(double), float from, double lowestFit)
{
    Pieces p;
    p.first = std::int32_t(std::bit_cast<std::uint32_t>(from) >> 23);
    constexpr int kNodes = kDegree + 1;
    for (int k = 0; k < 8; ++k) {
        const std::uint32_t startBits = std::uint32_t(p.first + k) << 23;
        const double lo = k == 0 ? lowestFit : double(std::bit_cast<float>(startBits));
        const double hi = std::bit_cast<float>(std::uint32_t(p.first + k + 1) << 23);
        // 2^-exponent of the piece: its values times scale lie in [1, 2)
        const double scale = 1.0 / double(std::bit_cast<float>(startBits));
        p.scale[k] = float(scale);
        // Interpolation at Chebyshev nodes in w, then the Newton form expanded
        // into powers of w.
        double ws[kNodes], c[kNodes];
        for (int i = 0; i < kNodes; ++i) {
            const double t = std::cos(std::numbers::pi * (i + 0.5) / kNodes);
            const double x = (lo + hi) / 2 + (hi - lo) / 2 * t;
            ws[i] = x * scale - 1.5;
            c[i] = f(x);
        }
        double poly[kNodes];
        interpolatingPolynomial(ws, c, poly, kNodes);
        for (int d = 0; d < kNodes; ++d)
            p.c[d][k] = float(poly[d]);
    }
    for (int k = 0; k < 8; ++k) {
        const double lo =
            k == 0 ? lowestFit : double(std::bit_cast<float>(std::uint32_t(p.first + k) << 23));
        const double hi = std::bit_cast<float>(std::uint32_t(p.first + k + 1) << 23);
        for (int i = 0; i <= 512; ++i) {
            const float x = float(lo + (hi - lo) * i / 512.0);
            if (x < lo || x > hi)
                continue;
            p.maxError = std::max(p.maxError, std::abs(double(p.at(x)) - f(x)));
        }
    }
    return p;
}

float Pieces::at(float x) const
{
    int k = int(std::bit_cast<std::uint32_t>(x) >> 23) - first;
    k = std::clamp(k, 0, 7);
    const float w = std::fma(x, scale[k], -1.5f);
    float v = c[kDegree][k];
    for (int d = kDegree - 1; d >= 0; --d)
        v = std::fma(v, w, c[d][k]);
    return v;
}

} // namespace imagefilter::detail
