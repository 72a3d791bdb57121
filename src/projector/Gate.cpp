#include "projector/Gate.h"

#include <algorithm>
#include <cmath>

namespace projector {

const std::vector<GateShape>& gateShapes()
{
    static const std::vector<GateShape> shapes{
        {"Full", 0.0}, {"4:3", 4.0 / 3.0}, {"1.37", 1.37}, {"1.66", 1.66}, {"1.85", 1.85}};
    return shapes;
}

namespace {

// The gate as a rounded rectangle around the frame's centre, in pixels.
struct RoundedRect
{
    double cx, cy, halfWidth, halfHeight, radius, feather;

    // The share of a pixel centred at (x, y) that the gate lets through: 1
    // inside, 0 outside, a linear ramp `feather` wide across the edge.
    double coverage(double x, double y) const
    {
        const double qx = std::abs(x - cx) - (halfWidth - radius);
        const double qy = std::abs(y - cy) - (halfHeight - radius);
        const double outside = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0));
        const double distance = outside + std::min(std::max(qx, qy), 0.0) - radius;
        return std::clamp(0.5 - distance / feather, 0.0, 1.0);
    }
};

RoundedRect gateFor(int width, int height, double aspect)
{
    double w = width, h = height;
    if (aspect * h > w)
        h = w / aspect;
    else
        w = h * aspect;
    const double feather = std::max(1.5, 0.006 * h);
    // The soft edge lies inside the frame, so a gate as wide as the frame
    // still shows its edge.
    return {width / 2.0, height / 2.0, w / 2.0 - feather / 2.0, h / 2.0 - feather / 2.0,
            0.045 * h,   feather};
}

void darken(std::uint8_t* pixel, double coverage)
{
    for (int c = 0; c < 3; ++c)
        pixel[c] = std::uint8_t(std::lround(pixel[c] * coverage));
}

} // namespace

void applyGate(std::uint8_t* pixels, int width, int height, std::size_t bytesPerLine, int shape)
{
    const auto& shapes = gateShapes();
    if (shape <= 0 || shape >= int(shapes.size()) || width <= 0 || height <= 0)
        return;
    const RoundedRect gate = gateFor(width, height, shapes[std::size_t(shape)].aspect);
    const double reach = gate.feather / 2.0; // beyond it a pixel is wholly in or out
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = pixels + std::size_t(y) * bytesPerLine;
        const double py = y + 0.5;
        const double dy = std::abs(py - gate.cy);
        if (dy >= gate.halfHeight + reach) {
            for (int x = 0; x < width; ++x)
                darken(row + 4 * x, 0.0);
            continue;
        }
        // Away from the corners a row's coverage depends on x alone: only the
        // pixels near its two ends need work.
        const bool nearCorner = dy > gate.halfHeight - gate.radius - reach;
        const double inner = nearCorner ? 0.0 : gate.halfWidth - reach;
        for (int x = 0; x < width; ++x) {
            const double px = x + 0.5;
            if (std::abs(px - gate.cx) < inner) {
                x = int(std::ceil(gate.cx + inner - 0.5)) - 1; // skip to the right end
                continue;
            }
            const double coverage = gate.coverage(px, py);
            if (coverage < 1.0)
                darken(row + 4 * x, coverage);
        }
    }
}

} // namespace projector
