#include "imagefilter/Srgb8.h"

#include "imagefilter/PixelMath.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

namespace imagefilter {

namespace {

double decodeExact(double e) { return e <= 0.04045 ? e / 12.92 : std::pow((e + 0.055) / 1.055, 2.4); }

// Srgb8::encode as a branch-free step, for the loop below.
inline std::uint32_t encodeOne(float v, const std::int32_t* bucket, const float* threshold)
{
    v = math::select(v > 0.0f, v, 0.0f); // NaN gives 0
    v = math::select(v < 1.0f, v, 1.0f);
    const std::int32_t k = bucket[int(v * float(Srgb8::kBuckets))];
    return std::uint32_t(k) + std::uint32_t(v >= threshold[k]);
}

// One little-endian word per pixel: r in the low byte, alpha 255 in the top.
IMAGEFILTER_VECTOR_CLONES
void encodeOpaqueWords(const float* __restrict r, const float* __restrict g, const float* __restrict b,
                       int n, const std::int32_t* __restrict bucket, const float* __restrict threshold,
                       std::uint32_t* __restrict out)
{
    for (int i = 0; i < n; ++i)
        out[i] = encodeOne(r[i], bucket, threshold) | (encodeOne(g[i], bucket, threshold) << 8) |
                 (encodeOne(b[i], bucket, threshold) << 16) | 0xff000000u;
}

} // namespace

const Srgb8& Srgb8::tables()
{
    static const Srgb8 instance;
    return instance;
}

void Srgb8::encodeOpaque(const float* r, const float* g, const float* b, int n, std::uint8_t* dst) const
{
    if constexpr (std::endian::native != std::endian::little) {
        for (int i = 0; i < n; ++i, dst += 4) {
            dst[0] = encode(r[i]);
            dst[1] = encode(g[i]);
            dst[2] = encode(b[i]);
            dst[3] = 255;
        }
        return;
    }
    constexpr int kChunk = 256;
    std::uint32_t words[kChunk];
    for (int done = 0; done < n; done += kChunk) {
        const int len = std::min(kChunk, n - done);
        encodeOpaqueWords(r + done, g + done, b + done, len, bucket_, threshold_, words);
        std::memcpy(dst + std::size_t(done) * 4, words, std::size_t(len) * 4);
    }
}

Srgb8::Srgb8()
{
    for (int i = 0; i < 256; ++i)
        decode_[i] = float(decodeExact(i / 255.0));
    for (int k = 0; k < 255; ++k) {
        // The encoded value k + 0.5 is where rounding switches from k to k + 1;
        // take the smallest float whose exact encoding reaches it.
        float t = float(decodeExact((k + 0.5) / 255.0));
        auto encodes = [](float v) {
            const double x = v;
            return x <= 0.0031308 ? x * 12.92 : 1.055 * std::pow(x, 1.0 / 2.4) - 0.055;
        };
        while (encodes(t) * 255.0 < k + 0.5)
            t = std::nextafter(t, 2.0f);
        while (encodes(std::nextafter(t, -1.0f)) * 255.0 >= k + 0.5)
            t = std::nextafter(t, -1.0f);
        threshold_[k] = t;
    }
    threshold_[255] = std::numeric_limits<float>::infinity();
    int k = 0;
    for (int i = 0; i <= kBuckets; ++i) {
        const float lo = float(i) / float(kBuckets);
        while (k < 255 && lo >= threshold_[k])
            ++k;
        bucket_[i] = k;
    }
}

} // namespace imagefilter
