#pragma once

#include "imagefilter/PixelMath.h"

#include <bit>
#include <cstdint>

namespace imagefilter {

// Tables between 8-bit sRGB-encoded values and linear light, built once.
class Srgb8 final
{
public:
    static const Srgb8& tables();

    // Linear light of an 8-bit encoded value.
    float decode(std::uint8_t v) const { return decode_[v]; }
    const float* decodeTable() const { return decode_; }

    // The 8-bit encoded value nearest to the exact curve at v, v clamped to [0, 1]
    // (NaN gives 0). One table look-up, indexed by the float's exponent and
    // its top 7 mantissa bits, gives the candidate byte and the low bits of
    // the one rounding threshold inside that bucket, if any; an integer
    // comparison with v's own low bits settles it.
    std::uint8_t encode(float v) const { return std::uint8_t(encodeBits(v, entries_)); }
    // encode() of n opaque pixels from three planes, written as interleaved
    // bytes with alpha 255: the planes in that order (R, G, B or B, G, R).
    void encodeOpaque(const float* r, const float* g, const float* b, int n,
                      std::uint8_t* dst) const;
    // The same from values already encoded: each clamped to [0, 1] (NaN
    // gives 0) and rounded to 8 bits.
    static void quantizeOpaque(const float* r, const float* g, const float* b, int n,
                               std::uint8_t* dst);

    // The smallest value the table tells apart from 0: below it everything
    // encodes to 0 (the first rounding threshold lies at 1.5e-4).
    static constexpr float kLow = 1.0f / 8192.0f;
    static constexpr std::uint32_t kFirstBucket = 0x39000000u >> 16; // the bucket of kLow
    static constexpr int kBuckets = int((0x3f800000u >> 16) - kFirstBucket) + 1; // up to 1.0

    // Branch-free and vectorisable: the byte for v from the table.
    static std::uint32_t encodeBits(float v, const std::int32_t* entries)
    {
        v = math::select(v > kLow, v, kLow); // NaN gives kLow, which encodes to 0
        v = math::select(v < 1.0f, v, 1.0f);
        const std::uint32_t bits = std::bit_cast<std::uint32_t>(v);
        const std::int32_t entry =
            entries[int(bits >> 16) - int(kFirstBucket)]; // a signed index gathers
        return std::uint32_t(entry >> 17) +
               std::uint32_t(std::int32_t(bits & 0xffffu) >= (entry & 0x1ffff));
    }
    const std::int32_t* entries() const { return entries_; }

private:
    Srgb8();
    float decode_[256];
    // Per bucket: the byte of its lowest value << 17 | the low 16 bits of the
    // threshold (the smallest float that rounds one byte higher) inside the
    // bucket, or 0x10000 when none lies in it.
    std::int32_t entries_[kBuckets];
};

} // namespace imagefilter
