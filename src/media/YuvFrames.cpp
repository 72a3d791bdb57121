#include "media/YuvFrames.h"

#include "imagefilter/Simd.h"
#include "imagefilter/WorkerPool.h"
#include "media/PictureFilters.h"

#include <QImage>
#ifdef IMAGEFILTER_SIMD_DISPATCH
#include <immintrin.h>
#endif
#include <algorithm>
#include <bit>
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

struct LumaWeights
{
    double kr, kb;
};

LumaWeights lumaWeights(YuvMatrix matrix)
{
    switch (matrix) {
    case YuvMatrix::Bt709:
        return {0.2126, 0.0722};
    case YuvMatrix::Bt2020:
        return {0.2627, 0.0593};
    case YuvMatrix::Bt601:
        break;
    }
    return {0.299, 0.114};
}

Coefficients coefficientsFor(YuvMatrix matrix)
{
    const auto [kr, kb] = lumaWeights(matrix);
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

// The other way: R, G and B of limited-range Y and of U and V eight times
// their value (the weights of the chroma interpolation), 14 fraction bits.
constexpr int kDecodeFraction = 14;
constexpr int kChromaWeight = 8;

struct DecodeCoefficients
{
    std::int32_t y;      // per level of Y above 16
    std::int32_t rv;     // per eighth of a level of V above 128
    std::int32_t gu, gv; // subtracted
    std::int32_t bu;
};

DecodeCoefficients decodeCoefficientsFor(YuvMatrix matrix)
{
    const auto [kr, kb] = lumaWeights(matrix);
    const double kg = 1.0 - kr - kb;
    const double one = double(1 << kDecodeFraction);
    const double luma = 255.0 / 219.0 * one * kChromaWeight;
    const double chroma = 255.0 / 224.0 * one;
    auto fixed = [](double value) { return std::int32_t(std::lround(value)); };
    return {.y = fixed(luma),
            .rv = fixed(2.0 * (1.0 - kr) * chroma),
            .gu = fixed(2.0 * kb * (1.0 - kb) / kg * chroma),
            .gv = fixed(2.0 * kr * (1.0 - kr) / kg * chroma),
            .bu = fixed(2.0 * (1.0 - kb) * chroma)};
}

struct DecodeRow
{
    const std::uint8_t* luma;
    const std::uint8_t* uNear; // the chroma row nearest the pixel row, weighted 3
    const std::uint8_t* uFar;  // the one on its other side, weighted 1
    const std::uint8_t* vNear;
    const std::uint8_t* vFar;
    std::uint8_t* out; // RGBA
    int width;
};

inline std::int32_t clampByte(std::int32_t value)
{
    return std::min(255, std::max(0, value));
}

constexpr int kDecodeShift = kDecodeFraction + 3; // the chroma weight of 8

// Pixels [first, width) of the row. Each chroma sample is level with the even
// pixel of its pair; the odd pixel lies midway to the next sample (the last
// repeats at the edge).
void decodePixels(const DecodeCoefficients& k, const DecodeRow& p, int first)
{
    const int last = (p.width + 1) / 2 - 1;
    auto vertical = [](const std::uint8_t* nearRow, const std::uint8_t* farRow, int j) {
        return 3 * std::int32_t(nearRow[j]) + std::int32_t(farRow[j]);
    };
    for (int x = first; x < p.width; ++x) {
        const int j = x / 2, next = x % 2 == 0 ? j : std::min(j + 1, last);
        const std::int32_t cu =
            vertical(p.uNear, p.uFar, j) + vertical(p.uNear, p.uFar, next) - 128 * kChromaWeight;
        const std::int32_t cv =
            vertical(p.vNear, p.vFar, j) + vertical(p.vNear, p.vFar, next) - 128 * kChromaWeight;
        const std::int32_t y = k.y * (std::int32_t(p.luma[x]) - 16) + (1 << (kDecodeShift - 1));
        std::uint8_t* out = p.out + 4 * std::size_t(x);
        out[0] = std::uint8_t(clampByte((y + k.rv * cv) >> kDecodeShift));
        out[1] = std::uint8_t(clampByte((y - k.gu * cu - k.gv * cv) >> kDecodeShift));
        out[2] = std::uint8_t(clampByte((y + k.bu * cu) >> kDecodeShift));
        out[3] = 255;
    }
}

#ifdef IMAGEFILTER_SIMD_DISPATCH
#define AVX2_HELPER [[gnu::target(IMAGEFILTER_AVX2_TARGET), gnu::always_inline]] inline

// Eight chroma samples' vertical sums: 3 x the nearest row + the far one.
AVX2_HELPER __m128i verticalSums(const std::uint8_t* nearRow, const std::uint8_t* farRow, int j)
{
    const __m128i n =
        _mm_cvtepu8_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(nearRow + j)));
    const __m128i f =
        _mm_cvtepu8_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(farRow + j)));
    return _mm_add_epi16(_mm_add_epi16(n, _mm_add_epi16(n, n)), f);
}

// Chroma at the sixteen pixels of samples j .. j + 7, weighted 8, in order:
// the even pixel twice its sample, the odd one its sample and the next.
AVX2_HELPER void sixteenChroma(const std::uint8_t* nearRow, const std::uint8_t* farRow, int j,
                               __m128i& low, __m128i& high)
{
    const __m128i here = verticalSums(nearRow, farRow, j);
    const __m128i next = verticalSums(nearRow, farRow, j + 1);
    const __m128i even = _mm_add_epi16(here, here), odd = _mm_add_epi16(here, next);
    low = _mm_unpacklo_epi16(even, odd);
    high = _mm_unpackhi_epi16(even, odd);
}

AVX2_HELPER __m256i toByte(__m256i value)
{
    return _mm256_min_epi32(
        _mm256_max_epi32(_mm256_srai_epi32(value, kDecodeShift), _mm256_setzero_si256()),
        _mm256_set1_epi32(255));
}

AVX2_HELPER void eightPixels(const DecodeCoefficients& k, const std::uint8_t* luma, __m128i u16,
                             __m128i v16, std::uint8_t* out)
{
    const __m256i centre = _mm256_set1_epi32(128 * kChromaWeight);
    const __m256i lumaWords =
        _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(luma)));
    const __m256i y =
        _mm256_add_epi32(_mm256_mullo_epi32(_mm256_sub_epi32(lumaWords, _mm256_set1_epi32(16)),
                                            _mm256_set1_epi32(k.y)),
                         _mm256_set1_epi32(1 << (kDecodeShift - 1)));
    const __m256i cu = _mm256_sub_epi32(_mm256_cvtepi16_epi32(u16), centre);
    const __m256i cv = _mm256_sub_epi32(_mm256_cvtepi16_epi32(v16), centre);
    const __m256i r = toByte(_mm256_add_epi32(y, _mm256_mullo_epi32(cv, _mm256_set1_epi32(k.rv))));
    const __m256i g = toByte(
        _mm256_sub_epi32(y, _mm256_add_epi32(_mm256_mullo_epi32(cu, _mm256_set1_epi32(k.gu)),
                                             _mm256_mullo_epi32(cv, _mm256_set1_epi32(k.gv)))));
    const __m256i b = toByte(_mm256_add_epi32(y, _mm256_mullo_epi32(cu, _mm256_set1_epi32(k.bu))));
    // Bytes R, G, B, A in memory (little-endian): the word A << 24 | B << 16 | G << 8 | R.
    const __m256i words = _mm256_or_si256(
        _mm256_or_si256(r, _mm256_slli_epi32(g, 8)),
        _mm256_or_si256(_mm256_slli_epi32(b, 16), _mm256_set1_epi32(std::int32_t(0xff000000u))));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), words);
}

// decodePixels sixteen pixels at a time, as long as the eight chroma samples
// after each step's first are in the row; returns where it stopped.
[[gnu::target(IMAGEFILTER_AVX2_TARGET)]] int decodePixelsAvx2(const DecodeCoefficients& k,
                                                              const DecodeRow& p)
{
    const int samples = (p.width + 1) / 2;
    int x = 0;
    for (; x / 2 + 9 <= samples && x + 16 <= p.width; x += 16) {
        __m128i uLow, uHigh, vLow, vHigh;
        sixteenChroma(p.uNear, p.uFar, x / 2, uLow, uHigh);
        sixteenChroma(p.vNear, p.vFar, x / 2, vLow, vHigh);
        eightPixels(k, p.luma + x, uLow, vLow, p.out + 4 * std::size_t(x));
        eightPixels(k, p.luma + x + 8, uHigh, vHigh, p.out + 4 * std::size_t(x + 8));
    }
    return x;
}
#undef AVX2_HELPER
#endif

void decodeRow(const DecodeCoefficients& k, const DecodeRow& p)
{
    int first = 0;
#ifdef IMAGEFILTER_SIMD_DISPATCH
    if constexpr (std::endian::native == std::endian::little)
        if (imagefilter::simd::avx2())
            first = decodePixelsAvx2(k, p);
#endif
    decodePixels(k, p, first);
}

} // namespace

YuvMatrix encodingYuvMatrix(int width, int height)
{
    return encodingMatrix(width, height) == QLatin1String("bt709") ? YuvMatrix::Bt709
                                                                   : YuvMatrix::Bt601;
}

std::size_t yuv420Bytes(int width, int height)
{
    const std::size_t chroma = std::size_t((width + 1) / 2) * std::size_t((height + 1) / 2);
    return std::size_t(width) * std::size_t(height) + 2 * chroma;
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
    imagefilter::forEachBand(height / 2, [&](int first, int last) {
        for (int pair = first; pair < last; ++pair) {
            const int y = 2 * pair;
            const RowPair rows{
                .top = reinterpret_cast<const std::uint32_t*>(frame.constScanLine(y)),
                .bottom = reinterpret_cast<const std::uint32_t*>(frame.constScanLine(y + 1)),
                .yTop = planes + std::size_t(y) * std::size_t(width),
                .yBottom = planes + std::size_t(y + 1) * std::size_t(width),
                .u = uPlane + std::size_t(pair) * chromaWidth,
                .v = vPlane + std::size_t(pair) * chromaWidth,
                .pairs = width / 2};
            imagefilter::simd::run<convertRowPair>(&coefficients, &rows);
        }
    });
}

void fromYuv420(const std::uint8_t* planes, int width, int height, YuvMatrix matrix,
                std::uint8_t* rgba)
{
    if (width <= 0 || height <= 0)
        return;
    const DecodeCoefficients coefficients = decodeCoefficientsFor(matrix);
    const std::size_t chromaWidth = std::size_t((width + 1) / 2);
    const int chromaRows = (height + 1) / 2;
    const std::uint8_t* const uPlane = planes + std::size_t(width) * std::size_t(height);
    const std::uint8_t* const vPlane = uPlane + chromaWidth * std::size_t(chromaRows);
    imagefilter::forEachBand(height, [&](int first, int last) {
        for (int y = first; y < last; ++y) {
            // A chroma row lies midway between its two pixel rows: a quarter
            // of the way from the nearest sample to the one beyond it.
            const int nearRow = y / 2;
            const int farRow =
                std::clamp(y % 2 == 0 ? nearRow - 1 : nearRow + 1, 0, chromaRows - 1);
            decodeRow(coefficients, {.luma = planes + std::size_t(y) * std::size_t(width),
                                     .uNear = uPlane + std::size_t(nearRow) * chromaWidth,
                                     .uFar = uPlane + std::size_t(farRow) * chromaWidth,
                                     .vNear = vPlane + std::size_t(nearRow) * chromaWidth,
                                     .vFar = vPlane + std::size_t(farRow) * chromaWidth,
                                     .out = rgba + std::size_t(y) * std::size_t(width) * 4,
                                     .width = width});
        }
    });
}

} // namespace media
