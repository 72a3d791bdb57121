#include "imagefilter/Srgb8.h"

#include "imagefilter/Simd.h"

#include <algorithm>
#include <cmath>
#ifdef IMAGEFILTER_SIMD_DISPATCH
#include <immintrin.h>
#endif
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace imagefilter {

namespace {

double decodeExact(double e)
{
    return e <= 0.04045 ? e / 12.92 : std::pow((e + 0.055) / 1.055, 2.4);
}
double encodeExact(double x)
{
    return x <= 0.0031308 ? x * 12.92 : 1.055 * std::pow(x, 1.0 / 2.4) - 0.055;
}

// One little-endian word per pixel: the first plane in the low byte, alpha
// 255 in the top.
inline void encodeOpaqueWords(const float* __restrict r, const float* __restrict g,
                              const float* __restrict b, int n,
                              const std::int32_t* __restrict entries, std::uint32_t* __restrict out)
{
    for (int i = 0; i < n; ++i)
        out[i] = Srgb8::encodeBits(r[i], entries) | (Srgb8::encodeBits(g[i], entries) << 8) |
                 (Srgb8::encodeBits(b[i], entries) << 16) | 0xff000000u;
}

#ifdef IMAGEFILTER_SIMD_DISPATCH
// encodeBits() of eight values with AVX2: the compiler does not vectorise the
// look-up itself.
[[gnu::target(IMAGEFILTER_AVX2_TARGET), gnu::always_inline]] inline __m256i
encode8(const float* p, const std::int32_t* entries)
{
    __m256 v = _mm256_loadu_ps(p);
    v = _mm256_max_ps(v, _mm256_set1_ps(Srgb8::kLow)); // NaN gives kLow, as in encodeBits
    v = _mm256_min_ps(v, _mm256_set1_ps(1.0f));
    const __m256i bits = _mm256_castps_si256(v);
    const __m256i index =
        _mm256_sub_epi32(_mm256_srli_epi32(bits, 16), _mm256_set1_epi32(int(Srgb8::kFirstBucket)));
    const __m256i entry = _mm256_i32gather_epi32(reinterpret_cast<const int*>(entries), index, 4);
    // k + 1, less 1 (all bits set) where the value lies below the bucket's threshold
    const __m256i below = _mm256_cmpgt_epi32(_mm256_and_si256(entry, _mm256_set1_epi32(0x1ffff)),
                                             _mm256_and_si256(bits, _mm256_set1_epi32(0xffff)));
    return _mm256_add_epi32(_mm256_add_epi32(_mm256_srai_epi32(entry, 17), _mm256_set1_epi32(1)),
                            below);
}

// encodeOpaqueWords() eight pixels a step, stored straight into the
// interleaved bytes; returns how many it did (the tail is left to the loop
// above).
[[gnu::target(IMAGEFILTER_AVX2_TARGET)]] int encodeOpaqueAvx2(const float* r, const float* g,
                                                              const float* b, int n,
                                                              const std::int32_t* entries,
                                                              std::uint8_t* dst)
{
    const __m256i alpha = _mm256_set1_epi32(int(0xff000000u));
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i word = _mm256_or_si256(
            _mm256_or_si256(encode8(r + i, entries), _mm256_slli_epi32(encode8(g + i, entries), 8)),
            _mm256_or_si256(_mm256_slli_epi32(encode8(b + i, entries), 16), alpha));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + std::size_t(i) * 4), word);
    }
    return i;
}

// quantize() of eight values a step, stored the same way.
[[gnu::target(IMAGEFILTER_AVX2_TARGET), gnu::always_inline]] inline __m256i
quantize8(const float* p)
{
    // max() and min() take the second operand for NaN: NaN gives 0
    __m256 e = _mm256_max_ps(_mm256_loadu_ps(p), _mm256_setzero_ps());
    e = _mm256_min_ps(e, _mm256_set1_ps(1.0f));
    // e * 255 + 0.5 truncated, as quantize() rounds
    return _mm256_cvttps_epi32(_mm256_fmadd_ps(e, _mm256_set1_ps(255.0f), _mm256_set1_ps(0.5f)));
}

[[gnu::target(IMAGEFILTER_AVX2_TARGET)]] int
quantizeOpaqueAvx2(const float* r, const float* g, const float* b, int n, std::uint8_t* dst)
{
    const __m256i alpha = _mm256_set1_epi32(int(0xff000000u));
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i word = _mm256_or_si256(
            _mm256_or_si256(quantize8(r + i), _mm256_slli_epi32(quantize8(g + i), 8)),
            _mm256_or_si256(_mm256_slli_epi32(quantize8(b + i), 16), alpha));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + std::size_t(i) * 4), word);
    }
    return i;
}
#endif

inline std::uint32_t quantize(float e)
{
    e = math::select(e > 0.0f, e, 0.0f); // NaN gives 0
    e = math::select(e < 1.0f, e, 1.0f);
    return std::uint32_t(e * 255.0f + 0.5f);
}

inline void quantizeWords(const float* __restrict r, const float* __restrict g,
                          const float* __restrict b, int n, std::uint32_t* __restrict out)
{
    for (int i = 0; i < n; ++i)
        out[i] = quantize(r[i]) | (quantize(g[i]) << 8) | (quantize(b[i]) << 16) | 0xff000000u;
}

// Opaque pixels from three planes as bytes, alpha 255: through little-endian
// words a chunk at a time (`words` fills a chunk from the planes), or byte by
// byte (`byte` of one value) on other machines.
template <class Byte, class Words>
void writeOpaque(const float* r, const float* g, const float* b, int n, std::uint8_t* dst,
                 Byte byte, Words words)
{
    if constexpr (std::endian::native != std::endian::little) {
        for (int i = 0; i < n; ++i, dst += 4) {
            dst[0] = byte(r[i]);
            dst[1] = byte(g[i]);
            dst[2] = byte(b[i]);
            dst[3] = 255;
        }
        return;
    }
    constexpr int kChunk = 256;
    std::uint32_t chunk[kChunk];
    for (int done = 0; done < n; done += kChunk) {
        const int len = std::min(kChunk, n - done);
        words(r + done, g + done, b + done, len, static_cast<std::uint32_t*>(chunk));
        std::memcpy(dst + std::size_t(done) * 4, chunk, std::size_t(len) * 4);
    }
}

} // namespace

void Srgb8::quantizeOpaque(const float* r, const float* g, const float* b, int n, std::uint8_t* dst)
{
#ifdef IMAGEFILTER_SIMD_DISPATCH
    if (simd::avx2()) {
        const int done = quantizeOpaqueAvx2(r, g, b, n, dst);
        r += done, g += done, b += done, n -= done, dst += std::size_t(done) * 4;
    }
#endif
    writeOpaque(
        r, g, b, n, dst, [](float v) { return std::uint8_t(quantize(v)); },
        [](const float* r, const float* g, const float* b, int len, std::uint32_t* out) {
            simd::run<quantizeWords>(r, g, b, len, out);
        });
}

const Srgb8& Srgb8::tables()
{
    static const Srgb8 instance;
    return instance;
}

void Srgb8::encodeOpaque(const float* r, const float* g, const float* b, int n,
                         std::uint8_t* dst) const
{
#ifdef IMAGEFILTER_SIMD_DISPATCH
    if (simd::avx2()) {
        const int done = encodeOpaqueAvx2(r, g, b, n, entries_, dst);
        r += done, g += done, b += done, n -= done, dst += std::size_t(done) * 4;
    }
#endif
    writeOpaque(
        r, g, b, n, dst, [this](float v) { return encode(v); },
        [this](const float* r, const float* g, const float* b, int len, std::uint32_t* out) {
            simd::run<encodeOpaqueWords>(r, g, b, len, static_cast<const std::int32_t*>(entries_),
                                         out);
        });
}

Srgb8::Srgb8()
{
    for (int i = 0; i < 256; ++i)
        decode_[i] = float(decodeExact(i / 255.0));
    // threshold[k]: the smallest float whose exact encoding rounds to k + 1.
    float threshold[255];
    for (int k = 0; k < 255; ++k) {
        float t = float(decodeExact((k + 0.5) / 255.0));
        while (encodeExact(t) * 255.0 < k + 0.5)
            t = std::nextafter(t, 2.0f);
        while (encodeExact(std::nextafter(t, -1.0f)) * 255.0 >= k + 0.5)
            t = std::nextafter(t, -1.0f);
        threshold[k] = t;
    }
    int k = 0; // the byte of the bucket's lowest value
    for (int i = 0; i < kBuckets; ++i) {
        const std::uint32_t first = (kFirstBucket + std::uint32_t(i)) << 16;
        const float lo = std::bit_cast<float>(first);
        while (k < 255 && lo >= threshold[k])
            ++k;
        std::int32_t low = 0x10000;
        if (k < 255 && (std::bit_cast<std::uint32_t>(threshold[k]) >> 16) == (first >> 16)) {
            low = std::int32_t(std::bit_cast<std::uint32_t>(threshold[k]) & 0xffffu);
            // Two thresholds in one bucket would need a second look-up; the
            // curve's steepest part keeps them far wider apart than a bucket.
            if (k + 1 < 255 &&
                (std::bit_cast<std::uint32_t>(threshold[k + 1]) >> 16) == (first >> 16)) {
                std::fprintf(
                    stderr,
                    "imagefilter: sRGB encode table cannot hold two thresholds in a bucket\n");
                std::abort();
            }
        }
        entries_[i] = std::int32_t(k) << 17 | low;
    }
}

} // namespace imagefilter
