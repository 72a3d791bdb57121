#include "media/YuvFrames.h"

#include "imagefilter/Simd.h"
#include "media/PictureFilters.h"
#include "projector/Bands.h"

#include <QImage>
#include <cmath>

namespace media {

namespace {

constexpr int kFraction = 20; // fraction bits of the coefficients

// Limited-range YUV of 8-bit R, G, B as integer coefficients: Y from one
// pixel, U and V from the sum of four. Each row's middle coefficient takes up
// the rounding of the other two, so white gives Y 235 and a grey U = V = 128
// exactly.
struct Coefficients
{
    std::int32_t yr, yg, yb;
    std::int32_t ur, ug, ub;
    std::int32_t vr, vg, vb;
};

Coefficients coefficientsFor(YuvMatrix matrix)
{
    const double kr = matrix == YuvMatrix::Bt709 ? 0.2126 : 0.299;
    const double kb = matrix == YuvMatrix::Bt709 ? 0.0722 : 0.114;
    const double one = double(1 << kFraction);
    const double luma = 219.0 / 255.0 * one;
    const double chroma = 224.0 / 255.0 * one;
    auto fixed = [](double value) { return std::int32_t(std::lround(value)); };
    Coefficients k{};
    k.yr = fixed(kr * luma);
    k.yb = fixed(kb * luma);
    k.yg = fixed(luma) - k.yr - k.yb;
    k.ub = fixed(chroma / 2.0);
    k.ur = fixed(-kr * chroma / (2.0 * (1.0 - kb)));
    k.ug = -k.ub - k.ur;
    k.vr = fixed(chroma / 2.0);
    k.vb = fixed(-kb * chroma / (2.0 * (1.0 - kr)));
    k.vg = -k.vr - k.vb;
    return k;
}

struct RowPair
{
    const std::uint32_t* top;
    const std::uint32_t* bottom;
    std::uint8_t* yTop;
    std::uint8_t* yBottom;
    std::uint8_t* u;
    std::uint8_t* v;
    int pairs; // 2x2 blocks across
};

// A pixel is the word 0xAARRGGBB (QImage's 32-bit formats on any byte order).
inline void lumaRow(const Coefficients* coefficients, const std::uint32_t* __restrict in,
                    std::uint8_t* __restrict out, int count)
{
    const std::int32_t yr = coefficients->yr, yg = coefficients->yg, yb = coefficients->yb;
    const std::int32_t offset = (16 << kFraction) + (1 << (kFraction - 1));
    for (int x = 0; x < count; ++x) {
        const std::uint32_t p = in[x];
        const std::int32_t r = std::int32_t((p >> 16) & 0xff), g = std::int32_t((p >> 8) & 0xff),
                           b = std::int32_t(p & 0xff);
        out[x] = std::uint8_t((yr * r + yg * g + yb * b + offset) >> kFraction);
    }
}

inline void chromaRow(const Coefficients* coefficients, const std::uint32_t* __restrict top,
                      const std::uint32_t* __restrict bottom, std::uint8_t* __restrict u,
                      std::uint8_t* __restrict v, int pairs)
{
    const Coefficients k = *coefficients;
    constexpr int shift = kFraction + 2; // the sum of four pixels
    const std::int32_t offset = (128 << shift) + (1 << (shift - 1));
    for (int x = 0; x < pairs; ++x) {
        const std::uint32_t a = top[2 * x], b = top[2 * x + 1], c = bottom[2 * x],
                            d = bottom[2 * x + 1];
        // Red and blue summed side by side in 16-bit halves, green alone.
        const std::uint32_t rb =
            (a & 0xff00ffu) + (b & 0xff00ffu) + (c & 0xff00ffu) + (d & 0xff00ffu);
        const std::int32_t g = std::int32_t(((a >> 8) & 0xff) + ((b >> 8) & 0xff) +
                                            ((c >> 8) & 0xff) + ((d >> 8) & 0xff));
        const std::int32_t r = std::int32_t(rb >> 16), bl = std::int32_t(rb & 0xffff);
        u[x] = std::uint8_t((k.ur * r + k.ug * g + k.ub * bl + offset) >> shift);
        v[x] = std::uint8_t((k.vr * r + k.vg * g + k.vb * bl + offset) >> shift);
    }
}

inline void convertRowPair(const Coefficients* coefficients, const RowPair* rows)
{
    const RowPair& p = *rows;
    lumaRow(coefficients, p.top, p.yTop, 2 * p.pairs);
    lumaRow(coefficients, p.bottom, p.yBottom, 2 * p.pairs);
    chromaRow(coefficients, p.top, p.bottom, p.u, p.v, p.pairs);
}

} // namespace

YuvMatrix encodingYuvMatrix(int width, int height)
{
    return encodingMatrix(width, height) == QLatin1String("bt709") ? YuvMatrix::Bt709
                                                                   : YuvMatrix::Bt601;
}

std::size_t yuv420Bytes(int width, int height)
{
    const std::size_t luma = std::size_t(width) * std::size_t(height);
    return luma + 2 * (luma / 4);
}

void toYuv420(const QImage& frame, YuvMatrix matrix, std::uint8_t* planes)
{
    const int width = frame.width() & ~1, height = frame.height() & ~1;
    if (width <= 0 || height <= 0)
        return;
    const Coefficients coefficients = coefficientsFor(matrix);
    const std::size_t lumaBytes = std::size_t(width) * std::size_t(height);
    const std::size_t chromaWidth = std::size_t(width / 2);
    std::uint8_t* const uPlane = planes + lumaBytes;
    std::uint8_t* const vPlane = uPlane + lumaBytes / 4;
    projector::forEachBand(height / 2, [&](int first, int last) {
        for (int pair = first; pair < last; ++pair) {
            const int y = 2 * pair;
            const RowPair rows{reinterpret_cast<const std::uint32_t*>(frame.constScanLine(y)),
                               reinterpret_cast<const std::uint32_t*>(frame.constScanLine(y + 1)),
                               planes + std::size_t(y) * std::size_t(width),
                               planes + std::size_t(y + 1) * std::size_t(width),
                               uPlane + std::size_t(pair) * chromaWidth,
                               vPlane + std::size_t(pair) * chromaWidth,
                               width / 2};
            imagefilter::simd::run<convertRowPair>(&coefficients, &rows);
        }
    });
}

} // namespace media
