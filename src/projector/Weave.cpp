#include "projector/Weave.h"

#include "projector/Bands.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace projector {

double weaveZoom(int width, int height, float strength)
{
    // The largest shift and turn weaveAt() gives at this strength.
    const Weave most = {0.006, 0.010, 0.3};
    const double s = std::clamp(double(strength), 0.0, 100.0) / 100.0;
    const double turn = s * most.degrees * std::numbers::pi / 180.0;
    const double w = width, h = height;
    // The zoomed frame must hold the turned frame plus the shift both ways.
    const double forHeight = std::cos(turn) + std::sin(turn) * w / h + 2.0 * s * most.dy;
    const double forWidth = std::cos(turn) + std::sin(turn) * h / w + 2.0 * s * most.dx * h / w;
    return std::max({1.0, forHeight, forWidth});
}

imagefilter::Bitmap weaved(const imagefilter::Bitmap& source, const Weave& weave, float strength)
{
    if (source.isNull())
        return source;
    const int w = source.width, h = source.height;
    imagefilter::Bitmap out;
    out.width = w;
    out.height = h;
    out.pixels.resize(source.pixels.size());
    // Output pixel centre p maps to source point centre + R^-1 (p - centre - shift) / zoom,
    // in stored rows (y downwards, so the shift upwards is negative).
    const double zoom = weaveZoom(w, h, strength);
    const double turn = weave.degrees * std::numbers::pi / 180.0;
    const double c = std::cos(turn) / zoom, s = std::sin(turn) / zoom;
    const double cx = w / 2.0, cy = h / 2.0;
    const double shiftX = weave.dx * h, shiftY = -weave.dy * h;
    const std::uint8_t* in = source.pixels.data();
    const std::size_t stride = std::size_t(w) * 4;
    forEachBand(h, [&](int first, int last) {
        for (int y = first; y < last; ++y) {
            const double py = y + 0.5 - cy - shiftY;
            const double px0 = 0.5 - cx - shiftX;
            // Source coordinates (pixel centres at half-integers, hence -0.5),
            // 16.16 fixed point, stepped along the row.
            const double u0 = cx + c * px0 + s * py - 0.5;
            const double v0 = cy - s * px0 + c * py - 0.5;
            const long long du = std::llround(c * 65536.0), dv = std::llround(-s * 65536.0);
            long long u = std::llround(u0 * 65536.0), v = std::llround(v0 * 65536.0);
            std::uint8_t* row = out.pixels.data() + std::size_t(y) * stride;
            for (int x = 0; x < w; ++x, u += du, v += dv) {
                // The zoom keeps samples inside; clamping guards the last half pixel.
                const long long uc = std::clamp<long long>(u, 0, (long long)(w - 1) << 16);
                const long long vc = std::clamp<long long>(v, 0, (long long)(h - 1) << 16);
                const int ix = int(uc >> 16), iy = int(vc >> 16);
                const unsigned fx = unsigned(uc & 0xffff) >> 8, fy = unsigned(vc & 0xffff) >> 8;
                const int ix1 = std::min(ix + 1, w - 1), iy1 = std::min(iy + 1, h - 1);
                const std::uint8_t* p00 = in + std::size_t(iy) * stride + std::size_t(ix) * 4;
                const std::uint8_t* p01 = in + std::size_t(iy) * stride + std::size_t(ix1) * 4;
                const std::uint8_t* p10 = in + std::size_t(iy1) * stride + std::size_t(ix) * 4;
                const std::uint8_t* p11 = in + std::size_t(iy1) * stride + std::size_t(ix1) * 4;
                for (int k = 0; k < 4; ++k) {
                    const unsigned top = p00[k] * (256 - fx) + p01[k] * fx;
                    const unsigned bottom = p10[k] * (256 - fx) + p11[k] * fx;
                    row[4 * x + k] = std::uint8_t((top * (256 - fy) + bottom * fy + 32768) >> 16);
                }
            }
        }
    });
    return out;
}

} // namespace projector
