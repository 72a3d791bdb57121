#pragma once

// Reference formulas in double precision and small synthetic bitmaps for the
// filter library's tests.

#include "imagefilter/Bitmap.h"
#include "imagefilter/Context.h"
#include "imagefilter/Filter.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>

namespace reference {

using Rgb = std::array<double, 3>;

inline double decode(double e)
{
    const double a = std::abs(e);
    const double d = a <= 0.04045 ? a / 12.92 : std::pow((a + 0.055) / 1.055, 2.4);
    return e < 0 ? -d : d;
}

inline double encode(double x)
{
    const double a = std::abs(x);
    const double e = a <= 0.0031308 ? a * 12.92 : 1.055 * std::pow(a, 1.0 / 2.4) - 0.055;
    return x < 0 ? -e : e;
}

inline int to8(double linear)
{
    return int(std::lround(std::clamp(encode(linear), 0.0, 1.0) * 255.0));
}

inline double luma(const Rgb& c)
{
    return 0.2125 * c[0] + 0.7154 * c[1] + 0.0721 * c[2];
}

// An opaque bitmap whose pixel at stored row r, column x is f(x, y) with
// y = height - 1 - r (the library's lower-left rows).
inline imagefilter::Bitmap opaque(int w, int h,
                                  const std::function<std::array<int, 3>(int, int)>& f)
{
    imagefilter::Bitmap b;
    b.width = w;
    b.height = h;
    b.pixels.resize(std::size_t(w) * h * 4);
    for (int r = 0; r < h; ++r)
        for (int x = 0; x < w; ++x) {
            const auto c = f(x, h - 1 - r);
            std::uint8_t* p = b.pixels.data() + (std::size_t(r) * w + x) * 4;
            p[0] = std::uint8_t(c[0]);
            p[1] = std::uint8_t(c[1]);
            p[2] = std::uint8_t(c[2]);
            p[3] = 255;
        }
    return b;
}

// A colour ramp that reaches every byte value along its width.
inline imagefilter::Bitmap ramp(int w, int h)
{
    return opaque(w, h, [w, h](int x, int y) {
        const int r = w > 1 ? x * 255 / (w - 1) : 128;
        const int g = h > 1 ? 255 - y * 255 / (h - 1) : 64;
        return std::array<int, 3>{r, g, (r + 3 * g + 40) % 256};
    });
}

inline const std::uint8_t* pixel(const imagefilter::Bitmap& b, int x, int y)
{
    return b.pixels.data() + (std::size_t(b.height - 1 - y) * b.width + x) * 4;
}

inline Rgb linearAt(const imagefilter::Bitmap& b, int x, int y)
{
    const std::uint8_t* p = pixel(b, x, y);
    return {decode(p[0] / 255.0), decode(p[1] / 255.0), decode(p[2] / 255.0)};
}

inline imagefilter::Bitmap render(const imagefilter::Image& image)
{
    return imagefilter::Context().render(image, image.extent());
}

inline imagefilter::Image source(const imagefilter::Bitmap& b)
{
    return imagefilter::Image::fromBitmap(b);
}

// Renders `image` on one thread, then at 2 and 8 threads with each band height
// in `bands`; empty when every render gives the same bytes, else which did not.
inline std::string differsByThreadsOrBands(const imagefilter::Image& image,
                                           std::initializer_list<int> bands)
{
    imagefilter::Context one;
    one.setThreadCount(1);
    const imagefilter::Bitmap expected = one.render(image, image.extent());
    for (int threads : {2, 8}) {
        for (int band : bands) {
            imagefilter::Context ctx;
            ctx.setThreadCount(threads);
            ctx.setBandRows(band);
            ctx.setInlinePixelLimit(0);
            if (ctx.render(image, image.extent()).pixels != expected.pixels)
                return std::to_string(threads) + " threads, bands of " + std::to_string(band);
        }
    }
    return {};
}

} // namespace reference
