#include "projector/Weave.h"

#include "imagefilter/Simd.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <numbers>
#ifdef IMAGEFILTER_SIMD_DISPATCH
#include <immintrin.h>
#endif

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

namespace {

// One row of the resampled frame: pixel x takes the source at (u, v) + x (du,
// dv), in 16.16 fixed point, blended from its four neighbours with 8-bit
// weights. Red and blue (and green and alpha) are blended together in the
// two 16-bit halves of one 32-bit product.
struct RowWalk
{
    const std::uint32_t* source;
    int width, height;
    long long u, v, du, dv;
};

inline std::uint32_t blend(std::uint32_t a, std::uint32_t b, std::uint32_t weight)
{
    const std::uint32_t rb = ((a & 0x00ff00ffu) * (256 - weight) + (b & 0x00ff00ffu) * weight) >> 8;
    const std::uint32_t ga =
        (((a >> 8) & 0x00ff00ffu) * (256 - weight) + ((b >> 8) & 0x00ff00ffu) * weight) >> 8;
    return (rb & 0x00ff00ffu) | ((ga & 0x00ff00ffu) << 8);
}

inline void sampleRow(const RowWalk* walk, std::uint32_t* out, int first, int count)
{
    const RowWalk& r = *walk;
    const long long maxU = ((long long)(r.width - 1) << 16) - 1;
    const long long maxV = (long long)(r.height - 1) << 16;
    long long u = r.u + r.du * first, v = r.v + r.dv * first;
    for (int x = first; x < count; ++x, u += r.du, v += r.dv) {
        // The zoom keeps samples inside; clamping guards the last half pixel
        // (and keeps a right neighbour for every sample).
        const long long uc = std::clamp<long long>(u, 0, maxU);
        const long long vc = std::clamp<long long>(v, 0, maxV);
        const int ix = int(uc >> 16), iy = int(vc >> 16);
        const std::uint32_t fx = std::uint32_t(uc & 0xffff) >> 8,
                            fy = std::uint32_t(vc & 0xffff) >> 8;
        const int iy1 = std::min(iy + 1, r.height - 1);
        const std::uint32_t* top = r.source + std::size_t(iy) * r.width;
        const std::uint32_t* bottom = r.source + std::size_t(iy1) * r.width;
        out[x] = blend(blend(top[ix], top[ix + 1], fx), blend(bottom[ix], bottom[ix + 1], fx), fy);
    }
}

#ifdef IMAGEFILTER_SIMD_DISPATCH
// blend() for eight pixels: each 16-bit half of a masked word holds one
// channel, so 16-bit products (at most 255 x 256) suffice.
[[gnu::target(IMAGEFILTER_AVX2_TARGET)]] inline __m256i blend8(__m256i a, __m256i b, __m256i weight)
{
    const __m256i low = _mm256_set1_epi32(0x00ff00ff);
    const __m256i w = _mm256_or_si256(weight, _mm256_slli_epi32(weight, 16));
    const __m256i inverse = _mm256_sub_epi16(_mm256_set1_epi16(256), w);
    const __m256i rb =
        _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(_mm256_and_si256(a, low), inverse),
                                           _mm256_mullo_epi16(_mm256_and_si256(b, low), w)),
                          8);
    const __m256i ga = _mm256_srli_epi16(
        _mm256_add_epi16(
            _mm256_mullo_epi16(_mm256_and_si256(_mm256_srli_epi32(a, 8), low), inverse),
            _mm256_mullo_epi16(_mm256_and_si256(_mm256_srli_epi32(b, 8), low), w)),
        8);
    return _mm256_or_si256(rb, _mm256_slli_epi32(ga, 8));
}

// Eight pixels' neighbour pairs (the pixel and the one right of it) in one
// 64-bit gather per four pixels, split into the left and right neighbours.
[[gnu::target(IMAGEFILTER_AVX2_TARGET)]] inline void
gatherPairs(const std::uint32_t* source, __m256i index, __m256i& left, __m256i& right)
{
    const auto* base = reinterpret_cast<const long long*>(source);
    const __m256 low =
        _mm256_castsi256_ps(_mm256_i32gather_epi64(base, _mm256_castsi256_si128(index), 4));
    const __m256 high =
        _mm256_castsi256_ps(_mm256_i32gather_epi64(base, _mm256_extracti128_si256(index, 1), 4));
    // Within each 128-bit half: pixels (0, 1, 4, 5) | (2, 3, 6, 7); the
    // permute puts them in order.
    left = _mm256_permute4x64_epi64(
        _mm256_castps_si256(_mm256_shuffle_ps(low, high, _MM_SHUFFLE(2, 0, 2, 0))),
        _MM_SHUFFLE(3, 1, 2, 0));
    right = _mm256_permute4x64_epi64(
        _mm256_castps_si256(_mm256_shuffle_ps(low, high, _MM_SHUFFLE(3, 1, 3, 1))),
        _MM_SHUFFLE(3, 1, 2, 0));
}

// Pixels `index` (0 to 15; `high` where above 7) of the sixteen from `row`.
[[gnu::target(IMAGEFILTER_AVX2_TARGET)]] inline __m256i pick(const std::uint32_t* row,
                                                             __m256i index, __m256i high)
{
    const __m256i lo = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row));
    const __m256i hi = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + 8));
    return _mm256_blendv_epi8(_mm256_permutevar8x32_epi32(lo, index),
                              _mm256_permutevar8x32_epi32(hi, index), high);
}

// sampleRow() eight pixels a step: the same arithmetic, the neighbours
// gathered. Returns how many pixels it did.
[[gnu::target(IMAGEFILTER_AVX2_TARGET)]] int sampleRowAvx2(const RowWalk& r, std::uint32_t* out,
                                                           int count)
{
    // 16.16 positions of a frame up to 8192 pixels fit 32-bit lanes.
    const long long maxU = ((long long)(r.width - 1) << 16) - 1;
    const long long maxV = (long long)(r.height - 1) << 16;
    const __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    const __m256i zero = _mm256_setzero_si256(), byteMask = _mm256_set1_epi32(0xff);
    const __m256i vMaxU = _mm256_set1_epi32(int(maxU)), vMaxV = _mm256_set1_epi32(int(maxV));
    const __m256i lastY = _mm256_set1_epi32(r.height - 1);
    const __m256i stride = _mm256_set1_epi32(r.width), one = _mm256_set1_epi32(1);
    const __m256i stepU = _mm256_mullo_epi32(lane, _mm256_set1_epi32(int(r.du)));
    const __m256i stepV = _mm256_mullo_epi32(lane, _mm256_set1_epi32(int(r.dv)));
    int x = 0;
    for (; x + 8 <= count; x += 8) {
        const long long u0 = r.u + r.du * x, v0 = r.v + r.dv * x;
        if (u0 < INT32_MIN / 2 || u0 > INT32_MAX / 2 || v0 < INT32_MIN / 2 || v0 > INT32_MAX / 2)
            break;
        const __m256i u = _mm256_min_epi32(
            _mm256_max_epi32(_mm256_add_epi32(_mm256_set1_epi32(int(u0)), stepU), zero), vMaxU);
        const __m256i v = _mm256_min_epi32(
            _mm256_max_epi32(_mm256_add_epi32(_mm256_set1_epi32(int(v0)), stepV), zero), vMaxV);
        const __m256i ix = _mm256_srli_epi32(u, 16), iy = _mm256_srli_epi32(v, 16);
        const __m256i fx = _mm256_and_si256(_mm256_srli_epi32(u, 8), byteMask);
        const __m256i fy = _mm256_and_si256(_mm256_srli_epi32(v, 8), byteMask);
        const __m256i iy1 = _mm256_min_epi32(_mm256_add_epi32(iy, one), lastY);
        __m256i p00, p01, p10, p11;
        // The usual case: the eight pixels read one pair of rows (the turn is
        // slight) and at most nine neighbouring columns (the zoom is at least
        // 1): sixteen loaded pixels, picked by permutes instead of gathers.
        const int firstRow = _mm256_cvtsi256_si32(iy);
        const int lastRow = _mm256_extract_epi32(iy, 7);
        const int firstColumn = _mm256_cvtsi256_si32(ix);
        if (firstRow == lastRow && _mm256_extract_epi32(ix, 7) - firstColumn <= 7 &&
            firstColumn + 16 <= r.width) {
            const int nextRow = std::min(firstRow + 1, r.height - 1);
            const std::uint32_t* top = r.source + std::size_t(firstRow) * r.width + firstColumn;
            const std::uint32_t* bottom = r.source + std::size_t(nextRow) * r.width + firstColumn;
            const __m256i left = _mm256_sub_epi32(ix, _mm256_set1_epi32(firstColumn));
            const __m256i right = _mm256_add_epi32(left, one);
            const __m256i seven = _mm256_set1_epi32(7);
            const __m256i leftHigh = _mm256_cmpgt_epi32(left, seven);
            const __m256i rightHigh = _mm256_cmpgt_epi32(right, seven);
            p00 = pick(top, left, leftHigh);
            p01 = pick(top, right, rightHigh);
            p10 = pick(bottom, left, leftHigh);
            p11 = pick(bottom, right, rightHigh);
        } else {
            gatherPairs(r.source, _mm256_add_epi32(_mm256_mullo_epi32(iy, stride), ix), p00, p01);
            gatherPairs(r.source, _mm256_add_epi32(_mm256_mullo_epi32(iy1, stride), ix), p10, p11);
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x),
                            blend8(blend8(p00, p01, fx), blend8(p10, p11, fx), fy));
    }
    return x;
}
#endif

} // namespace

namespace {

class WeavedRows final : public imagefilter::BitmapRows
{
public:
    WeavedRows(const imagefilter::Bitmap& source, const Weave& weave, float strength)
        : source_(source)
    {
        const int w = source.width, h = source.height;
        // Output pixel centre p maps to source point centre + R^-1 (p - centre -
        // shift) / zoom, in stored rows (y downwards, so a shift upwards is negative).
        const double zoom = weaveZoom(w, h, strength);
        const double turn = weave.degrees * std::numbers::pi / 180.0;
        c_ = std::cos(turn) / zoom;
        s_ = std::sin(turn) / zoom;
        cx_ = w / 2.0;
        cy_ = h / 2.0;
        shiftX_ = weave.dx * h;
        shiftY_ = -weave.dy * h;
    }

    int width() const override { return source_.width; }
    int height() const override { return source_.height; }

    void fill(int row, int x0, int n, std::uint8_t* bytes) const override
    {
        const double py = row + 0.5 - cy_ - shiftY_;
        const double px = x0 + 0.5 - cx_ - shiftX_;
        // Source coordinates (pixel centres at half-integers, hence -0.5),
        // 16.16 fixed point, stepped along the row.
        const RowWalk walk{.source = reinterpret_cast<const std::uint32_t*>(source_.pixels.data()),
                           .width = source_.width,
                           .height = source_.height,
                           .u = std::llround((cx_ + c_ * px + s_ * py - 0.5) * 65536.0),
                           .v = std::llround((cy_ - s_ * px + c_ * py - 0.5) * 65536.0),
                           .du = std::llround(c_ * 65536.0),
                           .dv = std::llround(-s_ * 65536.0)};
        auto* out = reinterpret_cast<std::uint32_t*>(bytes);
        int done = 0;
#ifdef IMAGEFILTER_SIMD_DISPATCH
        if (imagefilter::simd::avx2())
            done = sampleRowAvx2(walk, out, n);
#endif
        imagefilter::simd::run<sampleRow>(&walk, out, done, n);
    }

private:
    const imagefilter::Bitmap& source_;
    double c_, s_, cx_, cy_, shiftX_, shiftY_;
};

} // namespace

std::shared_ptr<const imagefilter::BitmapRows> weavedRows(const imagefilter::Bitmap& source,
                                                          const Weave& weave, float strength)
{
    // A frame one pixel wide or high has nothing to weave.
    if (source.width < 2 || source.height < 2)
        return nullptr;
    return std::make_shared<WeavedRows>(source, weave, strength);
}

} // namespace projector
