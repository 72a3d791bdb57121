#include "projector/Halation.h"

#include "projector/Bands.h"
#include "projector/Weave.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace projector {

namespace {

constexpr int kCell = 4;            // pixels per map cell, each way
constexpr float kThreshold = 0.55f; // linear luminance where highlights start

const std::array<float, 256>& linearOfByte()
{
    static const std::array<float, 256> table = [] {
        std::array<float, 256> t{};
        for (int i = 0; i < 256; ++i) {
            const double c = i / 255.0;
            t[std::size_t(i)] =
                float(c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
        }
        return t;
    }();
    return table;
}

// One pass of a box blur of half-width r along a line of n values `stride` apart.
void boxLine(float* line, int n, std::ptrdiff_t stride, int r, std::vector<float>& copy)
{
    copy.resize(std::size_t(n));
    for (int i = 0; i < n; ++i)
        copy[std::size_t(i)] = line[i * stride];
    const float norm = 1.0f / float(2 * r + 1);
    // Edges repeat the outermost value.
    auto at = [&](int i) { return copy[std::size_t(std::clamp(i, 0, n - 1))]; };
    float sum = 0;
    for (int i = -r; i <= r; ++i)
        sum += at(i);
    for (int i = 0; i < n; ++i) {
        line[i * stride] = sum * norm;
        sum += at(i + r + 1) - at(i - r);
    }
}

} // namespace

std::shared_ptr<imagefilter::GlowMap> halationGlow(const imagefilter::Bitmap& frame, float radius)
{
    if (frame.isNull())
        return nullptr;
    auto map = std::make_shared<imagefilter::GlowMap>();
    map->stepX = map->stepY = 1.0 / kCell;
    map->startX = map->startY = -0.5;
    map->width = (frame.width + kCell - 1) / kCell;
    map->height = (frame.height + kCell - 1) / kCell;
    map->values.assign(std::size_t(map->width) * map->height, 0.0f);
    const auto& linear = linearOfByte();
    const int w = frame.width, h = frame.height, mw = map->width, mh = map->height;
    // Each cell: the mean highlight of its pixels. Map row j is the library's
    // row j from the bottom, so it reads stored rows from the bottom up.
    forEachBand(mh, [&](int first, int last) {
        for (int j = first; j < last; ++j) {
            float* cells = map->values.data() + std::size_t(j) * mw;
            int rows = 0;
            // Every other pixel of every other row: the map is blurred far
            // wider than a cell, so a quarter of the pixels measure its light.
            for (int dy = 0; dy < kCell; dy += 2) {
                const int y = j * kCell + dy;
                if (y >= h)
                    break;
                const std::uint8_t* row = frame.pixels.data() + std::size_t(h - 1 - y) * w * 4;
                for (int x = 0; x < w; x += 2) {
                    const std::uint8_t* p = row + 4 * x;
                    const float lum =
                        0.2126f * linear[p[0]] + 0.7152f * linear[p[1]] + 0.0722f * linear[p[2]];
                    cells[x / kCell] += std::max(0.0f, lum - kThreshold);
                }
                ++rows;
            }
            const float norm = 1.0f / ((1.0f - kThreshold) * float(kCell / 2 * rows));
            for (int i = 0; i < mw; ++i)
                cells[i] *= norm;
        }
    });
    // Three box passes each way approach a Gaussian of the radius's spread.
    const double sigma =
        (0.002 + 0.028 * std::clamp(double(radius), 0.0, 100.0) / 100.0) * frame.height / kCell;
    const int r = std::max(1, int(std::lround(std::sqrt(sigma * sigma + 1.0 / 3.0) - 0.5)));
    for (int pass = 0; pass < 3; ++pass) {
        forEachBand(mh, [&](int first, int last) {
            std::vector<float> copy;
            for (int j = first; j < last; ++j)
                boxLine(map->values.data() + std::size_t(j) * mw, mw, 1, r, copy);
        });
        forEachBand(mw, [&](int first, int last) {
            std::vector<float> copy;
            for (int i = first; i < last; ++i)
                boxLine(map->values.data() + i, mh, mw, r, copy);
        });
    }
    return map;
}

void followWeave(imagefilter::GlowMap& map, const Weave& weave, float strength, int width,
                 int height)
{
    // The weaved frame at p shows the source at centre + (p - centre - shift) / zoom;
    // in the library's coordinates a shift upwards is positive.
    const double zoom = weaveZoom(width, height, strength);
    const double centre[2] = {width / 2.0, height / 2.0};
    const double shift[2] = {weave.dx * height, weave.dy * height};
    double* step[2] = {&map.stepX, &map.stepY};
    double* start[2] = {&map.startX, &map.startY};
    for (int axis = 0; axis < 2; ++axis) {
        const double cell = 1.0 / *step[axis];
        *step[axis] = 1.0 / (zoom * cell);
        *start[axis] = (centre[axis] - (centre[axis] + shift[axis]) / zoom) / cell - 0.5;
    }
}

void halationTint(float strength, float (&tint)[3])
{
    const float gain = 1.5f * std::clamp(strength, 0.0f, 100.0f) / 100.0f;
    tint[0] = gain * 1.0f;
    tint[1] = gain * 0.32f;
    tint[2] = gain * 0.08f;
}

} // namespace projector
