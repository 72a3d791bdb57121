#include "projector/Halation.h"

#include "imagefilter/Srgb8.h"
#include "imagefilter/WorkerPool.h"
#include "projector/Weave.h"

#include <algorithm>
#include <cmath>

namespace projector {

namespace {

constexpr int kCell = 4;            // pixels per map cell, each way
constexpr float kThreshold = 0.55f; // linear luminance where highlights start

// One pass of a box blur of half-width r along a line of n contiguous values.
void boxLine(float* line, int n, int r, std::vector<float>& copy)
{
    copy.resize(std::size_t(n));
    for (int i = 0; i < n; ++i)
        copy[std::size_t(i)] = line[i];
    const float norm = 1.0f / float(2 * r + 1);
    // Edges repeat the outermost value.
    auto at = [&](int i) { return copy[std::size_t(std::clamp(i, 0, n - 1))]; };
    float sum = 0;
    for (int i = -r; i <= r; ++i)
        sum += at(i);
    for (int i = 0; i < n; ++i) {
        line[i] = sum * norm;
        sum += at(i + r + 1) - at(i - r);
    }
}

} // namespace

std::shared_ptr<imagefilter::GlowMap> halationGlow(const imagefilter::Bitmap& frame, float radius,
                                                   const Weave* weave, float weaveStrength)
{
    if (frame.isNull())
        return nullptr;
    const int w = frame.width, h = frame.height;
    const int mw = (w + kCell - 1) / kCell, mh = (h + kCell - 1) / kCell;
    std::vector<float> cellsOf(std::size_t(mw) * mh, 0.0f);
    const float* linear = imagefilter::Srgb8::tables().decodeTable();
    // Each cell: the mean highlight of its pixels. Map row j is the library's
    // row j from the bottom, so it reads stored rows from the bottom up.
    imagefilter::forEachBand(mh, [&](int first, int last) {
        for (int j = first; j < last; ++j) {
            float* cells = cellsOf.data() + std::size_t(j) * mw;
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
        (0.002 + 0.028 * std::clamp(double(radius), 0.0, 100.0) / 100.0) * h / kCell;
    const int r = std::max(1, int(std::lround(std::sqrt(sigma * sigma + 1.0 / 3.0) - 0.5)));
    // Along rows: each row's three passes in one go.
    imagefilter::forEachBand(mh, [&](int first, int last) {
        std::vector<float> copy;
        for (int j = first; j < last; ++j)
            for (int pass = 0; pass < 3; ++pass)
                boxLine(cellsOf.data() + std::size_t(j) * mw, mw, r, copy);
    });
    // Along columns: a band of columns swept down the rows with running sums,
    // so every read is of contiguous cells.
    imagefilter::forEachBand(mw, [&](int first, int last) {
        const int n = last - first;
        std::vector<float> sum(static_cast<std::size_t>(n)), copy(static_cast<std::size_t>(mh) * n);
        for (int pass = 0; pass < 3; ++pass) {
            for (int j = 0; j < mh; ++j)
                std::copy_n(cellsOf.data() + std::size_t(j) * mw + first, n,
                            copy.data() + std::size_t(j) * n);
            // Edges repeat the outermost row.
            const auto row = [&](int j) {
                return copy.data() + std::size_t(std::clamp(j, 0, mh - 1)) * n;
            };
            std::fill(sum.begin(), sum.end(), 0.0f);
            for (int j = -r; j <= r; ++j) {
                const float* in = row(j);
                for (int i = 0; i < n; ++i)
                    sum[std::size_t(i)] += in[i];
            }
            const float norm = 1.0f / float(2 * r + 1);
            for (int j = 0; j < mh; ++j) {
                float* out = cellsOf.data() + std::size_t(j) * mw + first;
                const float* entering = row(j + r + 1);
                const float* leaving = row(j - r);
                for (int i = 0; i < n; ++i) {
                    out[i] = sum[std::size_t(i)] * norm;
                    sum[std::size_t(i)] += entering[i] - leaving[i];
                }
            }
        }
    });

    // Where a pixel of the picture reads the cells: the cells' centres, moved
    // with the weave (the weaved frame at p shows the source at centre + (p -
    // centre - shift) / zoom; a shift upwards is positive here). Its turn of at
    // most 0.3 degree moves a glow this blurred too little to see.
    double zoom = 1.0, shift[2] = {0.0, 0.0};
    if (weave) {
        zoom = weaveZoom(w, h, weaveStrength);
        shift[0] = weave->dx * h;
        shift[1] = weave->dy * h;
    }
    const double centre[2] = {w / 2.0, h / 2.0};
    double step[2], start[2];
    for (int axis = 0; axis < 2; ++axis) {
        step[axis] = 1.0 / (zoom * kCell);
        start[axis] = (centre[axis] - (centre[axis] + shift[axis]) / zoom) / kCell - 0.5;
    }
    auto map = std::make_shared<imagefilter::GlowMap>();
    map->width = w;
    map->height = mh;
    map->stepY = step[1];
    map->startY = start[1];
    map->values.assign(std::size_t(w) * mh, 0.0f);
    map->lit.assign(std::size_t(mh), 0);
    // Each row of cells widened to the picture's columns, so that a row of the
    // picture blends two of them in one contiguous pass.
    std::vector<int> column(static_cast<std::size_t>(w));
    std::vector<float> weight(static_cast<std::size_t>(w));
    for (int x = 0; x < w; ++x) {
        const double mx = std::clamp((x + 0.5) * step[0] + start[0], 0.0, double(mw - 1));
        column[std::size_t(x)] = std::min(int(mx), std::max(mw - 2, 0));
        weight[std::size_t(x)] = float(mx - column[std::size_t(x)]);
    }
    const int next = mw > 1 ? 1 : 0;
    imagefilter::forEachBand(mh, [&](int first, int last) {
        for (int j = first; j < last; ++j) {
            const float* cells = cellsOf.data() + std::size_t(j) * mw;
            if (std::none_of(cells, cells + mw, [](float v) { return v != 0; }))
                continue; // no light: nothing to add
            map->lit[std::size_t(j)] = 1;
            float* wide = map->values.data() + std::size_t(j) * w;
            for (int x = 0; x < w; ++x) {
                const float* cell = cells + column[std::size_t(x)];
                wide[x] = cell[0] + (cell[next] - cell[0]) * weight[std::size_t(x)];
            }
        }
    });
    return map;
}

void halationTint(float strength, float (&tint)[3])
{
    const float gain = 1.5f * std::clamp(strength, 0.0f, 100.0f) / 100.0f;
    tint[0] = gain * 1.0f;
    tint[1] = gain * 0.32f;
    tint[2] = gain * 0.08f;
}

} // namespace projector
