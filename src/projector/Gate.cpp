#include "projector/Gate.h"

#include "imagefilter/WorkerPool.h"

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
    return {.cx = width / 2.0,
            .cy = height / 2.0,
            .halfWidth = w / 2.0 - feather / 2.0,
            .halfHeight = h / 2.0 - feather / 2.0,
            .radius = 0.045 * h,
            .feather = feather};
}

void darken(std::uint8_t* pixel, double coverage)
{
    for (int c = 0; c < 3; ++c)
        pixel[c] = std::uint8_t(std::lround(pixel[c] * coverage));
}

void blacken(std::uint8_t* row, int first, int last)
{
    for (int x = std::max(first, 0); x < last; ++x)
        row[4 * x] = row[4 * x + 1] = row[4 * x + 2] = 0;
}

} // namespace

void applyGate(std::uint8_t* pixels, int width, int height, std::size_t bytesPerLine, int shape)
{
    const auto& shapes = gateShapes();
    if (shape <= 0 || shape >= int(shapes.size()) || width <= 0 || height <= 0)
        return;
    const RoundedRect gate = gateFor(width, height, shapes[std::size_t(shape)].aspect);
    const double reach = gate.feather / 2.0; // beyond it a pixel is wholly in or out
    // The columns wholly outside the gate's sides, and those of its edge.
    const int leftOut = int(std::floor(gate.cx - gate.halfWidth - reach + 0.5));
    const int rightOut = int(std::ceil(gate.cx + gate.halfWidth + reach - 0.5));
    const int leftIn = int(std::ceil(gate.cx - gate.halfWidth + reach - 0.5));
    const int rightIn = int(std::floor(gate.cx + gate.halfWidth - reach + 0.5));
    // Within the straight part of the sides, the columns that reach the corners' arcs.
    const int leftArc = int(std::ceil(gate.cx - gate.halfWidth + gate.radius - 0.5));
    const int rightArc = int(std::floor(gate.cx + gate.halfWidth - gate.radius + 0.5));
    imagefilter::forEachBand(height, [&](int firstRow, int lastRow) {
        for (int y = firstRow; y < lastRow; ++y) {
            std::uint8_t* row = pixels + std::size_t(y) * bytesPerLine;
            const double py = y + 0.5;
            const double dy = std::abs(py - gate.cy);
            if (dy >= gate.halfHeight + reach) {
                blacken(row, 0, width);
                continue;
            }
            blacken(row, 0, leftOut);
            blacken(row, rightOut, width);
            // Away from the corners coverage changes only across the side edges
            // and, near the top and bottom, across the top and bottom edges.
            const bool nearCorner = dy > gate.halfHeight - gate.radius - reach;
            const int edgeEnd = nearCorner ? std::min(leftArc, width) : std::min(leftIn, width);
            const int edgeStart = nearCorner ? std::max(rightArc, 0) : std::max(rightIn, 0);
            for (int x = std::max(leftOut, 0); x < edgeEnd; ++x)
                darken(row + 4 * x, gate.coverage(x + 0.5, py));
            for (int x = edgeStart; x < std::min(rightOut, width); ++x)
                darken(row + 4 * x, gate.coverage(x + 0.5, py));
            if (nearCorner) {
                // Between the arcs only the top or bottom edge counts.
                const double along =
                    std::clamp(0.5 - (dy - gate.halfHeight) / gate.feather, 0.0, 1.0);
                if (along < 1.0)
                    for (int x = std::max(edgeEnd, 0); x < std::min(edgeStart, width); ++x)
                        darken(row + 4 * x, along);
            }
        }
    });
}

} // namespace projector
