#pragma once

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
    // (NaN gives 0). A fine bucket table gives the candidate, one comparison
    // with the exact rounding threshold settles it.
    std::uint8_t encode(float v) const
    {
        v = v > 0.0f ? v : 0.0f;
        v = v < 1.0f ? v : 1.0f;
        const int k = bucket_[int(v * float(kBuckets))];
        return std::uint8_t(k + (v >= threshold_[k]));
    }
    // encode() of n opaque pixels from three planes, written as interleaved
    // RGBA bytes with alpha 255.
    void encodeOpaque(const float* r, const float* g, const float* b, int n, std::uint8_t* dst) const;

    // Narrower than the closest two rounding thresholds (the steepest part of
    // the curve, its linear segment, puts them 1 / (12.92 * 255) apart), so a
    // bucket holds at most one threshold.
    static constexpr int kBuckets = 4096;

private:
    Srgb8();
    float decode_[256];
    // threshold_[k]: smallest linear value that rounds to k + 1 (k = 0..254); threshold_[255] = +inf
    float threshold_[256];
    // 32-bit entries, so that vector code can gather them.
    std::int32_t bucket_[kBuckets + 1];
};

} // namespace imagefilter
