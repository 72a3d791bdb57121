// Transforms: integer moves, the scaled noise tile sampled in place, and
// bilinear resampling of any other input.

#include "imagefilter/Nodes.h"
#include "imagefilter/Simd.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#ifdef IMAGEFILTER_SIMD_DISPATCH
#include <immintrin.h>
#endif

namespace imagefilter::detail {

namespace {

// One plane of a scaled tile row: bilinear between two tile rows, the column
// stepped from `start` by `step` (both already reduced into the tile).
inline void tileRow(const float* __restrict row0, const float* __restrict row1,
                    float* __restrict dst, int n, float start, float step, float fy)
{
    constexpr int mask = RandomNode::kTile - 1;
    for (int k = 0; k < n; ++k) {
        const float u = start + step * float(k);
        const int i = int(u); // u >= 0
        const float fx = u - float(i);
        const int i0 = i & mask, i1 = (i + 1) & mask;
        const float top = row0[i0] + (row0[i1] - row0[i0]) * fx;
        const float bottom = row1[i0] + (row1[i1] - row1[i0]) * fx;
        dst[k] = top + (bottom - top) * fy;
    }
}

// The same when the columns are stepped by at most a few pixels: each of the
// two tile rows is resampled along x (col[m] holding tile column first + m,
// each pixel blending two neighbours of it), then the two are blended.
// (`out` may be `row0`.)
inline void blendRows(const float* row0, const float* __restrict row1, float* out, int n, float fy)
{
    for (int i = 0; i < n; ++i)
        out[i] = row0[i] + (row1[i] - row0[i]) * fy;
}

inline void blendColumns(const float* __restrict col, float* __restrict dst, int k0, int n,
                         float start, float step, int first, int last)
{
    for (int k = k0; k < n; ++k) {
        const float u = start + step * float(k);
        const int i = int(u); // u >= 0
        const float fx = u - float(i);
        const int m = std::min(i - first, last);
        dst[k] = col[m] + (col[m + 1] - col[m]) * fx;
    }
}

#ifdef IMAGEFILTER_SIMD_DISPATCH
// blendColumns() eight pixels a step with AVX2, for steps of at most 6/7 of a
// column (the scratch streaks): the eight pixels then read at most eight
// neighbouring columns, fetched by one load and picked by in-register
// permutes instead of gathered. `col` holds at least 8 columns past `last`.
// Returns how many pixels it did; the rest are left to the loop above.
[[gnu::target(IMAGEFILTER_AVX2_TARGET)]] int
blendColumnsAvx2(const float* col, float* dst, int n, float start, float step, int first, int last)
{
    if (!(step > 0.0f && step <= 6.0f / 7.0f))
        return 0;
    const __m256 lane = _mm256_setr_ps(0, 1, 2, 3, 4, 5, 6, 7);
    const __m256 vstep = _mm256_set1_ps(step), vstart = _mm256_set1_ps(start);
    const __m256i vfirst = _mm256_set1_epi32(first), vlast = _mm256_set1_epi32(last),
                  one = _mm256_set1_epi32(1);
    int k = 0;
    for (; k + 8 <= n; k += 8) {
        const __m256 u =
            _mm256_fmadd_ps(vstep, _mm256_add_ps(_mm256_set1_ps(float(k)), lane), vstart);
        const __m256i i = _mm256_cvttps_epi32(u); // u >= 0
        const __m256 fx = _mm256_sub_ps(u, _mm256_cvtepi32_ps(i));
        const __m256i m = _mm256_min_epi32(_mm256_sub_epi32(i, vfirst), vlast);
        const int base = _mm256_cvtsi256_si32(m); // the smallest: u grows with k
        const __m256 block = _mm256_loadu_ps(col + base);
        const __m256i idx = _mm256_sub_epi32(m, _mm256_set1_epi32(base));
        const __m256 v0 = _mm256_permutevar8x32_ps(block, idx);
        const __m256 v1 = _mm256_permutevar8x32_ps(block, _mm256_add_epi32(idx, one));
        _mm256_storeu_ps(dst + k, _mm256_fmadd_ps(_mm256_sub_ps(v1, v0), fx, v0));
    }
    return k;
}
#endif

// One tile row resampled along x: the columns a span reads copied out of the
// row (which wraps), then each pixel blended from two neighbours.
void resampleTileRow(const float* row, float* dst, int n, float start, float step, float* col)
{
    constexpr int kTile = RandomNode::kTile, mask = kTile - 1;
    const int first = int(start);
    // One more column than the last pixel's pair, whatever the rounding of u.
    const int span = int(start + step * float(n - 1)) - first + 3;
    for (int filled = 0; filled < span;) {
        const int i = (first + filled) & mask;
        const int len = std::min(span - filled, kTile - i);
        std::memcpy(col + filled, row + i, std::size_t(len) * sizeof(float));
        filled += len;
    }
    int done = 0;
#ifdef IMAGEFILTER_SIMD_DISPATCH
    if (simd::avx2())
        done = blendColumnsAvx2(col, dst, n, start, step, first, span - 2);
#endif
    simd::run<blendColumns>(static_cast<const float*>(col), dst, done, n, start, step, first,
                            span - 2);
}

} // namespace

TransformNode::TransformNode(NodePtr input, const Affine& transform)
    : Node(transform.map(input->extent())), input_(std::move(input)), transform_(transform),
      inverse_(transform.inverted()),
      fromTile_(dynamic_cast<const RandomNode*>(input_.get()) != nullptr)
{
}

void TransformNode::rowInside(int y, int x0, int n, const Planar& out, Scratch& scratch,
                              unsigned channels) const
{
    if (transform_.isIntegerTranslation()) {
        input_->row(y - int(transform_.ty), x0 - int(transform_.tx), n, out, scratch, channels);
    } else if (fromTile_ && transform_.isAxisAligned()) {
        rowFromTile(y, x0, n, out, scratch, channels);
    } else if (transform_.isAxisAligned()) {
        rowAxisAligned(y, x0, n, out, scratch, channels);
    } else {
        rowGeneral(y, x0, n, out, scratch);
    }
}

// A scaled noise tile is sampled in place: two tile rows, bilinear weights.
// The column coordinate is reduced modulo the tile once per segment and then
// stepped in float, which keeps it small and exact enough for the weights.
void TransformNode::tileRowsFor(int y, int& j0, int& j1, float& fy) const
{
    constexpr int mask = RandomNode::kTile - 1;
    const double v = inverse_.d * (y + 0.5) + inverse_.ty - 0.5;
    const double vj = std::floor(v);
    fy = float(v - vj);
    j0 = int(std::int64_t(vj) & mask);
    j1 = (j0 + 1) & mask;
}

void TransformNode::tileColumnsFor(int x0, float& start, float& step) const
{
    constexpr int kTile = RandomNode::kTile;
    double u0 = inverse_.a * (x0 + 0.5) + inverse_.tx - 0.5;
    u0 -= kTile * std::floor(u0 / kTile);
    step = float(inverse_.a);
    start = float(u0);
}

bool TransformNode::samplesTileAlongX() const
{
    const float step = float(inverse_.a);
    return fromTile_ && transform_.isAxisAligned() && !transform_.isIntegerTranslation() &&
           step > 0.0f && step <= 2.0f;
}

void TransformNode::tileRowAlongX(int j, int channel, int x0, int n, float* out,
                                  Scratch& scratch) const
{
    float start, step;
    tileColumnsFor(x0, start, step);
    Scratch::Frame frame(scratch);
    // (room for the columns a row spans, and 8 more for the vector loads)
    float* col = frame.planar(int(step * float(n)) + 16).r;
    resampleTileRow(RandomNode::plane(channel) + std::size_t(j) * RandomNode::kTile, out, n, start,
                    step, col);
}

void blendTileRows(const float* row0, const float* row1, float* out, int n, float fy)
{
    simd::run<blendRows>(row0, row1, out, n, fy);
}

void TransformNode::rowFromTile(int y, int x0, int n, const Planar& out, Scratch& scratch,
                                unsigned channels) const
{
    constexpr int kTile = RandomNode::kTile;
    int j0, j1;
    float fy, start, step;
    tileRowsFor(y, j0, j1, fy);
    tileColumnsFor(x0, start, step);
    float* dst[4] = {out.r, out.g, out.b, out.a};
    // Stretched or moved by up to two pixels a step (the scratch streaks),
    // each tile row is resampled along x, then the two are blended; the
    // grain's one-pass overlay keeps the resampled rows for the rows after.
    const bool alongX = samplesTileAlongX();
    Scratch::Frame frame(scratch);
    float* second = alongX ? frame.planar(n).r : nullptr;
    // Channel by channel, the ones asked for; the column pattern is the same
    // for each, and the others are left at zero.
    for (int c = 0; c < 4; ++c) {
        if (!(channels & (1u << c))) {
            std::memset(dst[c], 0, std::size_t(n) * sizeof(float));
            continue;
        }
        if (alongX) {
            tileRowAlongX(j0, c, x0, n, dst[c], scratch);
            tileRowAlongX(j1, c, x0, n, second, scratch);
            blendTileRows(dst[c], second, dst[c], n, fy);
        } else {
            const float* row0 = RandomNode::plane(c) + j0 * kTile;
            const float* row1 = RandomNode::plane(c) + j1 * kTile;
            simd::run<tileRow>(row0, row1, dst[c], n, start, step, fy);
        }
    }
}

void TransformNode::rowAxisAligned(int y, int x0, int n, const Planar& out, Scratch& scratch,
                                   unsigned channels) const
{
    const double v = inverse_.d * (y + 0.5) + inverse_.ty - 0.5;
    const double vj = std::floor(v);
    const float fy = float(v - vj);
    const double uFirst = inverse_.a * (x0 + 0.5) + inverse_.tx - 0.5;
    const double uLast = inverse_.a * (x0 + n - 0.5) + inverse_.tx - 0.5;
    const int iMin = int(std::floor(std::min(uFirst, uLast)));
    const int iMax = int(std::floor(std::max(uFirst, uLast))) + 1;
    const int width = iMax - iMin + 1;
    Scratch::Frame frame(scratch);
    const Planar r0 = frame.planar(width), r1 = frame.planar(width);
    input_->row(int(vj), iMin, width, r0, scratch, channels);
    input_->row(int(vj) + 1, iMin, width, r1, scratch, channels);
    const float* src0[4] = {r0.r, r0.g, r0.b, r0.a};
    const float* src1[4] = {r1.r, r1.g, r1.b, r1.a};
    float* dst[4] = {out.r, out.g, out.b, out.a};
    const float step = float(inverse_.a), start = float(uFirst - iMin);
    for (int k = 0; k < n; ++k) {
        const float u = std::max(start + step * float(k), 0.0f); // relative to iMin
        const int i = std::min(int(u), width - 2);
        const float fx = u - float(i);
        for (int c = 0; c < 4; ++c) {
            const float top = src0[c][i] + (src0[c][i + 1] - src0[c][i]) * fx;
            const float bottom = src1[c][i] + (src1[c][i + 1] - src1[c][i]) * fx;
            dst[c][k] = top + (bottom - top) * fy;
        }
    }
}

// Rotation or shear: each pixel reads its own 2 x 2 neighbourhood. Slow, and
// nothing in the effect chain needs it.
void TransformNode::rowGeneral(int y, int x0, int n, const Planar& out, Scratch& scratch) const
{
    Scratch::Frame frame(scratch);
    const Planar q0 = frame.planar(2), q1 = frame.planar(2);
    for (int k = 0; k < n; ++k) {
        const double px = x0 + k + 0.5, py = y + 0.5;
        const double u = inverse_.a * px + inverse_.c * py + inverse_.tx - 0.5;
        const double v = inverse_.b * px + inverse_.d * py + inverse_.ty - 0.5;
        const double ui = std::floor(u), vj = std::floor(v);
        const float fx = float(u - ui), fy = float(v - vj);
        input_->row(int(vj), int(ui), 2, q0, scratch);
        input_->row(int(vj) + 1, int(ui), 2, q1, scratch);
        const float* s0[4] = {q0.r, q0.g, q0.b, q0.a};
        const float* s1[4] = {q1.r, q1.g, q1.b, q1.a};
        float* dst[4] = {out.r, out.g, out.b, out.a};
        for (int c = 0; c < 4; ++c) {
            const float top = s0[c][0] + (s0[c][1] - s0[c][0]) * fx;
            const float bottom = s1[c][0] + (s1[c][1] - s1[c][0]) * fx;
            dst[c][k] = top + (bottom - top) * fy;
        }
    }
}

} // namespace imagefilter::detail
