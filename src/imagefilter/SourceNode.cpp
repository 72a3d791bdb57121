// The bitmap source: 8-bit sRGB bytes, premultiplied, decoded on read.

#include "imagefilter/Nodes.h"
#include "imagefilter/PixelMath.h"
#include "imagefilter/Simd.h"
#include "imagefilter/Srgb8.h"

#include <vector>

#ifdef IMAGEFILTER_SIMD_DISPATCH
#include <immintrin.h>
#endif

namespace imagefilter::detail {

SourceNode::SourceNode(std::shared_ptr<const Bitmap> bitmap)
    : Node(Rect::fromXYWH(0, 0, bitmap->width, bitmap->height)), bitmap_(std::move(bitmap))
{
}

SourceNode::SourceNode(std::shared_ptr<const BitmapRows> rows)
    : Node(Rect::fromXYWH(0, 0, rows->width(), rows->height())), rows_(std::move(rows))
{
}

const std::uint8_t* SourceNode::bytes(int y, int x0, int n) const
{
    if (bitmap_)
        return bitmap_->pixels.data() +
               (std::size_t(bitmap_->height - 1 - y) * bitmap_->width + std::size_t(x0)) * 4;
    thread_local std::vector<std::uint8_t> made;
    made.resize(std::size_t(n) * 4);
    rows_->fill(rows_->height() - 1 - y, x0, n, made.data());
    return made.data();
}

namespace {

inline bool opaqueBytes(const std::uint8_t* px, int n)
{
    unsigned all = 0xff;
    for (int i = 0; i < n; ++i)
        all &= px[4 * i + 3];
    return all == 0xff;
}

inline void unpackOpaque(const std::uint8_t* __restrict px, int n, const float* __restrict lut,
                         float* __restrict r, float* __restrict g, float* __restrict b,
                         float* __restrict a)
{
    for (int i = 0; i < n; ++i) {
        r[i] = lut[px[4 * i]];
        g[i] = lut[px[4 * i + 1]];
        b[i] = lut[px[4 * i + 2]];
        a[i] = 1.0f;
    }
}

// Encoded bytes as encoded values in [0, 1] and alpha 1, as if opaque;
// returns whether they were (when not, the caller starts again).
inline bool unpackEncodedOpaque(const std::uint8_t* __restrict px, int n, float* __restrict r,
                                float* __restrict g, float* __restrict b, float* __restrict a)
{
    unsigned all = 0xff;
    for (int i = 0; i < n; ++i) {
        r[i] = float(px[4 * i]) * (1.0f / 255.0f);
        g[i] = float(px[4 * i + 1]) * (1.0f / 255.0f);
        b[i] = float(px[4 * i + 2]) * (1.0f / 255.0f);
        a[i] = 1.0f;
        all &= px[4 * i + 3];
    }
    return all == 0xff;
}

#ifdef IMAGEFILTER_SIMD_DISPATCH
// unpackEncodedOpaque() eight pixels a step with AVX2: each channel shifted
// out of the pixels' words, where the compiler's own loop shuffles bytes.
[[gnu::target(IMAGEFILTER_AVX2_TARGET)]] bool
unpackEncodedOpaqueAvx2(const std::uint8_t* px, int n, float* r, float* g, float* b, float* a)
{
    const __m256i low = _mm256_set1_epi32(0xff);
    const __m256 scale = _mm256_set1_ps(1.0f / 255.0f), one = _mm256_set1_ps(1.0f);
    __m256i all = _mm256_set1_epi32(-1);
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i words = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(px + 4 * i));
        all = _mm256_and_si256(all, words);
        _mm256_storeu_ps(r + i,
                         _mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_and_si256(words, low)), scale));
        _mm256_storeu_ps(
            g + i,
            _mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_and_si256(_mm256_srli_epi32(words, 8), low)),
                          scale));
        _mm256_storeu_ps(
            b + i,
            _mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_and_si256(_mm256_srli_epi32(words, 16), low)),
                          scale));
        _mm256_storeu_ps(a + i, one);
    }
    // every alpha byte (the top byte of each word) 255
    const bool opaque = (_mm256_movemask_epi8(_mm256_cmpeq_epi8(all, _mm256_set1_epi32(-1))) &
                         0x88888888u) == 0x88888888u;
    return unpackEncodedOpaque(px + 4 * i, n - i, r + i, g + i, b + i, a + i) && opaque;
}
#endif

// Encoded bytes to straight encoded values: divided by alpha (0 stays 0).
inline void unpackEncodedStraight(const std::uint8_t* __restrict px, int n, float* __restrict r,
                                  float* __restrict g, float* __restrict b, float* __restrict a)
{
    for (int i = 0; i < n; ++i) {
        const float a8 = float(px[4 * i + 3]);
        const float k = math::select(a8 > 0.0f, 1.0f / math::select(a8 > 0.0f, a8, 1.0f), 0.0f);
        r[i] = float(px[4 * i]) * k;
        g[i] = float(px[4 * i + 1]) * k;
        b[i] = float(px[4 * i + 2]) * k;
        a[i] = a8 * (1.0f / 255.0f);
    }
}

} // namespace

void SourceNode::rowInside(int y, int x0, int n, const Planar& out, Scratch&, unsigned) const
{
    const std::uint8_t* px = bytes(y, x0, n);
    const float* lut = Srgb8::tables().decodeTable();
    if (simd::run<opaqueBytes>(px, n)) { // the usual case: a table look-up per byte
        simd::run<unpackOpaque>(px, n, lut, out.r, out.g, out.b, out.a);
        return;
    }
    for (int i = 0; i < n; ++i, px += 4) {
        const std::uint8_t a8 = px[3];
        if (a8 == 255) {
            out.r[i] = lut[px[0]];
            out.g[i] = lut[px[1]];
            out.b[i] = lut[px[2]];
            out.a[i] = 1.0f;
        } else if (a8 == 0) {
            out.r[i] = out.g[i] = out.b[i] = out.a[i] = 0.0f;
        } else {
            // premultiplied encoded bytes: unpremultiply, decode, premultiply
            const float a = a8 / 255.0f, inv = 1.0f / a8;
            out.r[i] = math::decodeSRGB(px[0] * inv) * a;
            out.g[i] = math::decodeSRGB(px[1] * inv) * a;
            out.b[i] = math::decodeSRGB(px[2] * inv) * a;
            out.a[i] = a;
        }
    }
}

bool SourceNode::rowEncodedStraight(int y, int x0, int n, const Planar& out) const
{
    const std::uint8_t* px = bytes(y, x0, n);
    // The usual case, opaque: the same values as below at alpha 255, without
    // the division, in one pass that checks alpha as it goes.
#ifdef IMAGEFILTER_SIMD_DISPATCH
    if (simd::avx2() ? unpackEncodedOpaqueAvx2(px, n, out.r, out.g, out.b, out.a)
                     : simd::run<unpackEncodedOpaque>(px, n, out.r, out.g, out.b, out.a))
        return true;
#else
    if (simd::run<unpackEncodedOpaque>(px, n, out.r, out.g, out.b, out.a))
        return true;
#endif
    simd::run<unpackEncodedStraight>(px, n, out.r, out.g, out.b, out.a);
    return false;
}

} // namespace imagefilter::detail
