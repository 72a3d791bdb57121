// Two noise layers over an image, as the grain and the scratches are built:
// a colour matrix of the moved noise tile laid over the image (source over),
// and a matrix and minimum component of the stretched tile multiplied over
// that. The library computes that shape in one pass; these tests hold it to
// the composited nodes it stands for and to the formulas themselves.

#include "imagefilter/Nodes.h"
#include "test_filters_support.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>

using namespace imagefilter;

namespace {

struct Layers
{
    int tx, ty;
    double sx, sy;              // the streaks' stretch
    Vector4 specks[5], mask[5]; // R, G, B, A and bias rows
    bool maskMinimum = true;
};

// The chain's own grain: specks of the tile's green, alpha amount x green;
// the scratch mask 4 x red, then the minimum component.
Layers grain(int tx, int ty, double amount, double stretch = 1.0)
{
    return {tx,
            ty,
            1.5 * stretch,
            25.0 * stretch,
            {{0, 1, 0, 0}, {0, 1, 0, 0}, {0, 1, 0, 0}, {0, amount, 0, 0}, {0, 0, 0, 0}},
            {{4, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 1, 1, 1}}};
}

Image matrix(const Image& in, const Vector4 (&rows)[5])
{
    return Filter::named("CIColorMatrix", {{"inputImage", in},
                                           {"inputRVector", rows[0]},
                                           {"inputGVector", rows[1]},
                                           {"inputBVector", rows[2]},
                                           {"inputAVector", rows[3]},
                                           {"inputBiasVector", rows[4]}})
        ->outputImage();
}

// The layers over `base`. `separate` crops the specks to a finite (but far
// larger) rectangle: the same pixels, but not a shape the library fuses, so
// it is composited node by node.
Image overlay(const Image& base, const Layers& l, bool separate)
{
    const Image moved = Filter::named("CIRandomGenerator")
                            ->outputImage()
                            .transformed(Affine::translation(l.tx, l.ty));
    Image specks = matrix(moved, l.specks);
    if (separate)
        specks = specks.croppedTo(Rect::fromXYWH(-1e7, -1e7, 2e7, 2e7));
    const Image over = Filter::named("CISourceOverCompositing",
                                     {{"inputImage", specks}, {"inputBackgroundImage", base}})
                           ->outputImage();
    Image mask = matrix(moved.transformed(Affine::scale(l.sx, l.sy)), l.mask);
    if (l.maskMinimum)
        mask = Filter::named("CIMinimumComponent", {{"inputImage", mask}})->outputImage();
    return Filter::named("CIMultiplyCompositing",
                         {{"inputImage", mask}, {"inputBackgroundImage", over}})
        ->outputImage()
        .croppedTo(base.extent());
}

bool fused(const Image& image)
{
    const auto* crop = dynamic_cast<const detail::CropNode*>(image.node().get());
    return crop && dynamic_cast<const detail::NoiseOverlayNode*>(crop->input().get());
}

// A picture with every alpha from 0 to 255 along its height (premultiplied
// bytes), placed away from the origin.
Image translucent(int w, int h)
{
    Bitmap b = reference::ramp(w, h);
    for (int r = 0; r < h; ++r) {
        const int a = h > 1 ? r * 255 / (h - 1) : 255;
        for (int x = 0; x < w; ++x) {
            std::uint8_t* p = b.pixels.data() + (std::size_t(r) * w + x) * 4;
            for (int c = 0; c < 3; ++c)
                p[c] = std::uint8_t(p[c] * a / 255);
            p[3] = std::uint8_t(a);
        }
    }
    return reference::source(b).transformed(Affine::translation(-37, 11));
}

// The fused pass gives the bytes of the composited nodes: the chain's grain at
// its default amount, at amounts whose specks are bright or opaque, on a
// reduced frame, with offsets far from the origin, rows wider than a tile and
// a segment (so the tile wraps inside them), a translucent base; and layers
// that read the tile's alpha or skip the minimum component.
TEST(NoiseOverlay, GivesTheBytesOfTheCompositedNodes)
{
    Layers alphaRows = grain(-700, 5, 0.3);
    alphaRows.specks[0] = {0, 0, 0, 0.5};  // red from the tile's alpha
    alphaRows.specks[3] = {0, 0, 0, 0.75}; // alpha from alpha
    alphaRows.mask[1] = {0, 0, 2, 0};      // green from blue
    alphaRows.maskMinimum = false;
    const struct
    {
        std::string label;
        Image base;
        Layers layers;
    } cases[] = {
        {"default amount", reference::source(reference::ramp(1100, 37)),
         grain(41234, 99871, 0.0001)},
        {"bright specks", reference::source(reference::ramp(1100, 37)), grain(-3, -517, 0.3)},
        {"opaque specks", reference::source(reference::ramp(613, 29)), grain(512, 7, 5.0)},
        {"reduced frame", reference::source(reference::ramp(301, 45)),
         grain(77, 3001, 0.0001, 0.37)},
        {"translucent base", translucent(777, 33), grain(9, 12, 0.3)},
        {"alpha rows", translucent(530, 21), alphaRows},
    };
    for (const auto& c : cases) {
        const Image one = overlay(c.base, c.layers, false), apart = overlay(c.base, c.layers, true);
        ASSERT_TRUE(fused(one)) << c.label;
        ASSERT_FALSE(fused(apart)) << c.label;
        const Bitmap got = reference::render(one), want = reference::render(apart);
        ASSERT_EQ(got.width, want.width);
        int differ = 0, worst = 0;
        for (std::size_t i = 0; i < got.pixels.size(); ++i) {
            const int d = std::abs(got.pixels[i] - want.pixels[i]);
            differ += d != 0;
            worst = std::max(worst, d);
        }
        EXPECT_EQ(worst, 0) << c.label << ": " << differ << " bytes differ";
    }
}

// The stretched layer's resampled tile rows are kept per thread for the rows
// after; renders one after another on one thread, with another stretch or
// another offset over the same tile rows, each get their own.
TEST(NoiseOverlay, KeepsNoResampledRowOfAnotherStretchOrOffset)
{
    const Image pic = reference::source(reference::ramp(600, 40));
    Context inline1;
    inline1.setThreadCount(1);
    for (const Layers& l :
         {grain(0, 0, 0.3), grain(0, 0, 0.3, 0.5), grain(1, 0, 0.3, 0.5), grain(0, 0, 0.3)}) {
        const Image one = overlay(pic, l, false), apart = overlay(pic, l, true);
        ASSERT_TRUE(fused(one));
        EXPECT_EQ(inline1.render(one, one.extent()).pixels,
                  inline1.render(apart, apart.extent()).pixels)
            << "stretch " << l.sx << ", offset " << l.tx;
    }
}

// At sampled pixels, the chain's grain against the formulas in double: the
// specks from the tile's own values, the scratch mask by bilinear sampling of
// the stretched tile, both composited over the picture.
TEST(NoiseOverlay, FollowsTheFormulasAtSampledPixels)
{
    const Bitmap pic = reference::ramp(1300, 60);
    const double amount = 0.3;
    const Layers l = grain(-1234, 4321, amount);
    const Image image = overlay(reference::source(pic), l, false);
    ASSERT_TRUE(fused(image));
    const Bitmap got = reference::render(image);
    constexpr int kTile = detail::RandomNode::kTile;
    auto tile = [](int c, long i, long j) {
        const long m = kTile;
        return double(detail::RandomNode::plane(c)[((j % m + m) % m) * m + (i % m + m) % m]);
    };
    int checked = 0;
    for (int y = 0; y < pic.height; y += 7) {
        for (int x = 0; x < pic.width; x += 13) {
            // specks: the moved tile's straight green, alpha amount x green
            const double u =
                tile(1, x - l.tx, y - l.ty) / std::max(tile(3, x - l.tx, y - l.ty), 1e-5);
            const double sa = amount * u, s = u * sa;
            // Where the tile's alpha is nearly 0 the specks' alpha runs into
            // the thousands, and 1 - alpha in float leaves nothing to compare.
            if (sa > 100)
                continue;
            // scratch mask: bilinear red and alpha of the stretched tile
            const double px = (x + 0.5) / l.sx - l.tx - 0.5, py = (y + 0.5) / l.sy - l.ty - 0.5;
            const double fx = px - std::floor(px), fy = py - std::floor(py);
            const long i0 = long(std::floor(px)), j0 = long(std::floor(py));
            auto bilinear = [&](int c) {
                return (tile(c, i0, j0) * (1 - fx) + tile(c, i0 + 1, j0) * fx) * (1 - fy) +
                       (tile(c, i0, j0 + 1) * (1 - fx) + tile(c, i0 + 1, j0 + 1) * fx) * fy;
            };
            const double m = std::min(4.0 * bilinear(0) / std::max(bilinear(3), 1e-5), 1.0);
            const reference::Rgb d = reference::linearAt(pic, x, y);
            const double alpha = sa + (1 - sa);
            const std::uint8_t* p = reference::pixel(got, x, y);
            ASSERT_EQ(p[3], std::lround(std::clamp(alpha, 0.0, 1.0) * 255.0)) << x << "," << y;
            for (int c = 0; c < 3; ++c) {
                const double premultiplied = m * (s + d[c] * (1 - sa));
                ASSERT_NEAR(p[c], reference::to8(premultiplied / alpha), 1)
                    << x << "," << y << " channel " << c;
            }
            ++checked;
        }
    }
    EXPECT_GT(checked, 500);
}

// The fused pass reads the tile in place across its wrap and splits nothing
// by thread or band: the same bytes at any thread count and band height.
TEST(NoiseOverlay, SameBytesAtAnyThreadCountOrBandHeight)
{
    const Image image = overlay(translucent(1500, 70), grain(-255, 613, 0.3), false);
    ASSERT_TRUE(fused(image));
    EXPECT_EQ(reference::differsByThreadsOrBands(image, {1, 5, 64}), "");
}

} // namespace
