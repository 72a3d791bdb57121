#include "imagefilter/Srgb8.h"

#include <cmath>
#include <limits>

namespace imagefilter {

namespace {

double decodeExact(double e) { return e <= 0.04045 ? e / 12.92 : std::pow((e + 0.055) / 1.055, 2.4); }

} // namespace

const Srgb8& Srgb8::tables()
{
    static const Srgb8 instance;
    return instance;
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
        bucket_[i] = std::uint8_t(k);
    }
}

} // namespace imagefilter
