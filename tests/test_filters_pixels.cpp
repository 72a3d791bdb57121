// Each filter against a plain double-precision formula, pixel by pixel, on
// small synthetic bitmaps (ramps, black, white, 1 x 1, odd widths, rows wider
// than one processing segment).

#include "imagefilter/PixelMath.h"
#include "imagefilter/Simd.h"
#include "imagefilter/Srgb8.h"
#include "imagefilter/SrgbPlanes.h"
#include "test_filters_support.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <iomanip>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

using namespace imagefilter;
using reference::Rgb;

namespace {

// Colour in, colour out, both straight linear light; x, y, w, h locate the pixel.
using PointFormula = std::function<Rgb(const Rgb&, int x, int y, int w, int h)>;

struct PointCase
{
    std::string label;
    std::string filter;
    std::vector<Filter::Input> inputs;
    PointFormula formula;
};

Rgb perChannel(const Rgb& c, const std::function<double(double, int)>& f)
{
    return {f(c[0], 0), f(c[1], 1), f(c[2], 2)};
}

Rgb saturateAboutY(const Rgb& e, double k)
{
    const double y = reference::luma(e);
    return {y + k * (e[0] - y), y + k * (e[1] - y), y + k * (e[2] - y)};
}

// The looks work on encoded values.
PointFormula look(const std::function<Rgb(const Rgb&)>& onEncoded)
{
    return [onEncoded](const Rgb& c, int, int, int, int) {
        const Rgb e = onEncoded(perChannel(c, [](double v, int) { return reference::encode(v); }));
        return perChannel(e, [](double v, int) { return reference::decode(v); });
    };
}

PointFormula colorControls(double s, double b, double k)
{
    return [=](const Rgb& c, int, int, int, int) {
        const double y = reference::luma(c);
        return perChannel(
            c, [&](double x, int) { return k * (s * x + (1 - s) * y) + (b + 0.5 - 0.5 * k); });
    };
}

PointFormula sepia(double t)
{
    return [=](const Rgb& c, int, int, int, int) {
        const double y = reference::luma(c), tone[3] = {1.212, 0.969, 0.679};
        return perChannel(c, [&](double x, int i) { return x + (y * tone[i] - x) * t; });
    };
}

PointFormula vignette(double radius, double intensity)
{
    return [=](const Rgb& c, int x, int y, int w, int h) {
        const double dx = x + 0.5 - w / 2.0, dy = y + 0.5 - h / 2.0;
        const double R = std::min(w, h) / 2.0 * (4 - std::clamp(radius, 0.0, 2.0));
        const double f = std::pow(std::max(0.0, 1 - (dx * dx + dy * dy) / (R * R)), 2 * intensity);
        return perChannel(c, [&](double v, int) { return v * f; });
    };
}

PointFormula highlightShadow(double s, double h)
{
    return [=](const Rgb& c, int, int, int, int) {
        const double l = reference::luma(c);
        if (l <= 0)
            return c;
        const double shadow =
            std::clamp(std::pow(l, 1 / (s + 1)) - 0.76 * std::pow(l, 2 / (s + 1)) - l, 0.0, 1.0);
        const double highlight = std::clamp(
            1 - (std::pow(1 - l, 1 / (2 - h)) - 0.8 * std::pow(1 - l, 2 / (2 - h))) - l, -1.0, 0.0);
        const double ratio = (l + shadow + highlight) / l;
        return perChannel(c, [&](double v, int) { return v * ratio; });
    };
}

const std::vector<PointCase>& pointCases()
{
    static const std::vector<PointCase> cases = {
        {"ColorControlsMixed",
         "CIColorControls",
         {{"inputSaturation", 0.5f}, {"inputBrightness", 0.1f}, {"inputContrast", 1.2f}},
         colorControls(0.5, 0.1, 1.2)},
        {"ColorControlsGrey",
         "CIColorControls",
         {{"inputSaturation", 0.0f}},
         colorControls(0, 0, 1)},
        {"ColorControlsVivid",
         "CIColorControls",
         {{"inputSaturation", 2.0f}, {"inputContrast", 0.7f}, {"inputBrightness", -0.05f}},
         colorControls(2, -0.05, 0.7)},
        {"ExposureUp",
         "CIExposureAdjust",
         {{"inputEV", 0.5f}},
         [](const Rgb& c, int, int, int, int) {
             return perChannel(c, [](double v, int) { return v * std::exp2(0.5); });
         }},
        {"ExposureDown",
         "CIExposureAdjust",
         {{"inputEV", -1.5f}},
         [](const Rgb& c, int, int, int, int) {
             return perChannel(c, [](double v, int) { return v * std::exp2(-1.5); });
         }},
        {"GammaBelowOne",
         "CIGammaAdjust",
         {{"inputPower", 0.75f}},
         [](const Rgb& c, int, int, int, int) {
             return perChannel(c, [](double v, int) { return std::pow(v, 0.75); });
         }},
        {"GammaAboveOne",
         "CIGammaAdjust",
         {{"inputPower", 2.2f}},
         [](const Rgb& c, int, int, int, int) {
             return perChannel(c, [](double v, int) { return std::pow(v, 2.2); });
         }},
        {"ColorMatrixMixing",
         "CIColorMatrix",
         {{"inputRVector", Vector4{0.5, 0.3, 0.1, 0}},
          {"inputGVector", Vector4{0, 0.8, 0, 0.1}},
          {"inputBVector", Vector4{0.2, 0, 0.6, 0}},
          {"inputBiasVector", Vector4{0.05, 0, -0.02, 0}}},
         [](const Rgb& c, int, int, int, int) {
             return Rgb{0.5 * c[0] + 0.3 * c[1] + 0.1 * c[2] + 0.05, 0.8 * c[1] + 0.1,
                        0.2 * c[0] + 0.6 * c[2] - 0.02};
         }},
        {"SepiaFull", "CISepiaTone", {}, sepia(1)},
        {"SepiaHalf", "CISepiaTone", {{"inputIntensity", 0.5f}}, sepia(0.5)},
        {"VignetteChainValues",
         "CIVignette",
         {{"inputRadius", 1.5f}, {"inputIntensity", 1.0f}},
         vignette(1.5, 1)},
        {"VignetteStrongSmall",
         "CIVignette",
         {{"inputRadius", 2.0f}, {"inputIntensity", 1.7f}},
         vignette(2, 1.7)},
        {"VignetteRadiusClamped",
         "CIVignette",
         {{"inputRadius", 5.0f}, {"inputIntensity", 0.5f}},
         vignette(2, 0.5)},
        {"HighlightShadowLift",
         "CIHighlightShadowAdjust",
         {{"inputShadowAmount", 0.5f}, {"inputHighlightAmount", 0.5f}},
         highlightShadow(0.5, 0.5)},
        {"HighlightShadowDeepen",
         "CIHighlightShadowAdjust",
         {{"inputShadowAmount", -0.4f}, {"inputHighlightAmount", 0.9f}},
         highlightShadow(-0.4, 0.9)},
        {"Chrome", "CIPhotoEffectChrome", {}, look([](const Rgb& e) {
             return perChannel(saturateAboutY(e, 1.25), [](double x, int) {
                 return x - 0.3 * std::sin(2 * std::numbers::pi * x) / (2 * std::numbers::pi);
             });
         })},
        {"Instant", "CIPhotoEffectInstant", {}, look([](const Rgb& e) {
             const Rgb s = saturateAboutY(e, 0.75);
             return Rgb{0.08 + 0.90 * s[0], 0.06 + 0.88 * s[1], 0.05 + 0.80 * s[2]};
         })},
        {"Process", "CIPhotoEffectProcess", {}, look([](const Rgb& e) {
             const Rgb s = saturateAboutY(e, 0.9);
             const double y = reference::luma(s), shade = (1 - y) * (1 - y), light = y * y;
             const double cool[3] = {-0.02, 0.03, 0.08}, warm[3] = {0.03, 0.02, -0.04};
             return perChannel(s, [&](double x, int i) {
                 return 0.5 + 0.85 * (x - 0.5) + cool[i] * shade + warm[i] * light;
             });
         })},
        {"MinimumComponent",
         "CIMinimumComponent",
         {},
         [](const Rgb& c, int, int, int, int) {
             const double m = std::min({c[0], c[1], c[2]});
             return Rgb{m, m, m};
         }},
    };
    return cases;
}

struct Picture
{
    const char* label;
    Bitmap bitmap;
};

std::vector<Picture> pictures()
{
    return {
        {"ramp 301x5", reference::ramp(301, 5)},
        {"ramp 7x9", reference::ramp(7, 9)},
        {"1x1", reference::opaque(1, 1,
                                  [](int, int) {
                                      return std::array<int, 3>{200, 90, 30};
                                  })},
        {"black", reference::opaque(5, 3,
                                    [](int, int) {
                                        return std::array<int, 3>{0, 0, 0};
                                    })},
        {"white", reference::opaque(3, 5,
                                    [](int, int) {
                                        return std::array<int, 3>{255, 255, 255};
                                    })},
    };
}

class PointFilter : public ::testing::TestWithParam<PointCase>
{
};

TEST_P(PointFilter, MatchesFormulaAtEveryPixel)
{
    const PointCase& c = GetParam();
    for (const Picture& pic : pictures()) {
        auto filter = Filter::named(c.filter);
        ASSERT_TRUE(filter);
        filter->setValue("inputImage", reference::source(pic.bitmap));
        for (const auto& [key, value] : c.inputs)
            ASSERT_TRUE(filter->setValue(key, value));
        const Image out = filter->outputImage();
        ASSERT_EQ(out.extent(), Rect::fromXYWH(0, 0, pic.bitmap.width, pic.bitmap.height));
        const Bitmap got = reference::render(out);
        const int w = pic.bitmap.width, h = pic.bitmap.height;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const Rgb want = c.formula(reference::linearAt(pic.bitmap, x, y), x, y, w, h);
                const std::uint8_t* p = reference::pixel(got, x, y);
                for (int ch = 0; ch < 3; ++ch)
                    ASSERT_NEAR(p[ch], reference::to8(want[ch]), 1)
                        << pic.label << " x=" << x << " y=" << y << " channel " << ch;
                ASSERT_EQ(p[3], 255);
            }
    }
}

INSTANTIATE_TEST_SUITE_P(Filters, PointFilter, ::testing::ValuesIn(pointCases()),
                         [](const auto& info) { return info.param.label; });

// A look after a linear stage: dark rows, and rows lifted so far that their
// encoded values pass 1.25, both decode back like the formula.
TEST(Looks, DecodeLikeTheFormulaAfterAnExposureInAnyRange)
{
    const Bitmap pic = reference::ramp(301, 5);
    for (const float ev : {-2.0f, 0.5f, 1.5f}) {
        auto exposure = Filter::named("CIExposureAdjust",
                                      {{"inputImage", reference::source(pic)}, {"inputEV", ev}});
        auto instant =
            Filter::named("CIPhotoEffectInstant", {{"inputImage", exposure->outputImage()}});
        const Bitmap got = reference::render(instant->outputImage());
        for (int y = 0; y < pic.height; ++y)
            for (int x = 0; x < pic.width; ++x) {
                const Rgb lifted = perChannel(reference::linearAt(pic, x, y), [ev](double v, int) {
                    return v * std::exp2(double(ev));
                });
                const Rgb s = saturateAboutY(
                    perChannel(lifted, [](double v, int) { return reference::encode(v); }), 0.75);
                const Rgb e{0.08 + 0.90 * s[0], 0.06 + 0.88 * s[1], 0.05 + 0.80 * s[2]};
                for (int ch = 0; ch < 3; ++ch)
                    ASSERT_NEAR(reference::pixel(got, x, y)[ch],
                                reference::to8(reference::decode(e[ch])), 1)
                        << "EV " << ev << " x=" << x << " y=" << y << " channel " << ch;
            }
    }
}

// After sepia every colour is a multiple of one tone, through the vignette,
// the balance and exposure, and gamma takes one power for all three
// channels; a matrix of rank one (negative here, turned back by the next)
// does the same. Each chain against its formulas at every pixel, powers
// below and above 1, one gamma after another, and a row of translucent and
// transparent pixels.
TEST(Gamma, AfterSepiaOrARankOneMatrixMatchesTheFormulas)
{
    Bitmap pic = reference::ramp(257, 9);
    for (int x = 0; x < pic.width; ++x) { // row y = 4: alpha 0 to 255 along it
        std::uint8_t* px = pic.pixels.data() + (std::size_t(4) * pic.width + x) * 4;
        px[3] = std::uint8_t(x % 256);
        for (int ch = 0; ch < 3; ++ch)
            px[ch] = std::uint8_t(px[ch] * px[3] / 255);
    }
    using Stage = std::pair<std::function<Image(const Image&)>, PointFormula>;
    auto filter = [](const char* name, std::vector<Filter::Input> inputs) {
        return [=](const Image& in) {
            auto f = Filter::named(name, {{"inputImage", in}});
            for (const auto& [key, value] : inputs)
                f->setValue(key, value);
            return f->outputImage();
        };
    };
    auto gamma = [&](double p) {
        return Stage{filter("CIGammaAdjust", {{"inputPower", float(p)}}),
                     [p](const Rgb& c, int, int, int, int) {
                         return perChannel(c, [p](double v, int) {
                             return std::copysign(std::pow(std::abs(v), p), v);
                         });
                     }};
    };
    const Stage sepiaStage{filter("CISepiaTone", {}), sepia(1)};
    const Stage vignetteStage{
        filter("CIVignette", {{"inputRadius", 1.5f}, {"inputIntensity", 1.0f}}), vignette(1.5, 1)};
    const Stage balance{filter("CIColorMatrix", {{"inputRVector", Vector4{0.9, 0, 0, 0}},
                                                 {"inputBVector", Vector4{0, 0, 0.6, 0}}}),
                        [](const Rgb& c, int, int, int, int) {
                            return Rgb{0.9 * c[0], c[1], 0.6 * c[2]};
                        }};
    const Stage exposure{filter("CIExposureAdjust", {{"inputEV", 0.5f}}),
                         [](const Rgb& c, int, int, int, int) {
                             return perChannel(c, [](double v, int) { return v * std::exp2(0.5); });
                         }};
    const Stage negativeRankOne{
        filter("CIColorMatrix", {{"inputRVector", Vector4{-0.2, -0.5, -0.1, 0}},
                                 {"inputGVector", Vector4{-0.4, -1.0, -0.2, 0}},
                                 {"inputBVector", Vector4{-0.1, -0.25, -0.05, 0}}}),
        [](const Rgb& c, int, int, int, int) {
            const double t = 0.2 * c[0] + 0.5 * c[1] + 0.1 * c[2];
            return Rgb{-t, -2 * t, -0.5 * t};
        }};
    const Stage flip{filter("CIColorMatrix", {{"inputRVector", Vector4{-1, 0, 0, 0}},
                                              {"inputGVector", Vector4{0, -1.2, 0, 0}},
                                              {"inputBVector", Vector4{0, 0, -1, 0}}}),
                     [](const Rgb& c, int, int, int, int) {
                         return Rgb{-c[0], -1.2 * c[1], -c[2]};
                     }};
    const std::vector<std::pair<const char*, std::vector<Stage>>> chains = {
        {"sepia, vignette, gamma 0.75", {sepiaStage, vignetteStage, gamma(0.75)}},
        {"sepia, balance, gamma 2.2, exposure, gamma 0.4",
         {sepiaStage, balance, gamma(2.2), exposure, gamma(0.4)}},
        {"negative rank one, gamma 0.75, flip", {negativeRankOne, gamma(0.75), flip}},
        {"negative rank one, flip, gamma 1.6", {negativeRankOne, flip, gamma(1.6)}},
    };
    const int w = pic.width, h = pic.height;
    for (const auto& [label, stages] : chains) {
        Image image = reference::source(pic);
        for (const Stage& stage : stages)
            image = stage.first(image);
        const Bitmap got = reference::render(image);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const std::uint8_t* in = reference::pixel(pic, x, y);
                const int a8 = in[3];
                const std::uint8_t* p = reference::pixel(got, x, y);
                ASSERT_EQ(p[3], a8);
                if (a8 == 0) {
                    ASSERT_EQ(p[0] | p[1] | p[2], 0) << label << " x=" << x;
                    continue;
                }
                Rgb c;
                for (int ch = 0; ch < 3; ++ch)
                    c[ch] = reference::decode(double(in[ch]) / a8);
                for (const Stage& stage : stages)
                    c = stage.second(c, x, y, w, h);
                for (int ch = 0; ch < 3; ++ch)
                    ASSERT_NEAR(p[ch], (reference::to8(c[ch]) * a8 + 127) / 255, 1)
                        << label << " x=" << x << " y=" << y << " channel " << ch;
            }
    }
}

// Inputs left at their defaults change nothing.
TEST(FilterDefaults, LeaveThePictureAsItIs)
{
    const Bitmap pic = reference::ramp(263, 4);
    for (const char* name : {"CIColorControls", "CIExposureAdjust", "CIGammaAdjust",
                             "CIColorMatrix", "CIVignette", "CIHighlightShadowAdjust"}) {
        auto filter = Filter::named(name, {{"inputImage", reference::source(pic)}});
        const Bitmap got = reference::render(filter->outputImage());
        ASSERT_EQ(got.pixels.size(), pic.pixels.size());
        for (std::size_t i = 0; i < pic.pixels.size(); ++i)
            ASSERT_NEAR(got.pixels[i], pic.pixels[i], 1) << name << " byte " << i;
    }
}

TEST(ColorMatrix, AlphaRowGivesPremultipliedResult)
{
    const Bitmap pic = reference::ramp(9, 2);
    auto filter = Filter::named("CIColorMatrix", {{"inputImage", reference::source(pic)},
                                                  {"inputAVector", Vector4{0, 0, 0, 0.5}}});
    const Bitmap got = reference::render(filter->outputImage());
    for (int x = 0; x < 9; ++x) {
        const std::uint8_t* in = reference::pixel(pic, x, 0);
        const std::uint8_t* out = reference::pixel(got, x, 0);
        EXPECT_EQ(out[3], 128);
        for (int ch = 0; ch < 3; ++ch)
            EXPECT_NEAR(out[ch], in[ch] * 128 / 255.0, 1) << "x=" << x;
    }
}

// ---- compositing ---------------------------------------------------------------

Bitmap halfTransparentRed(int w, int h)
{
    Bitmap b;
    b.width = w;
    b.height = h;
    b.pixels.resize(std::size_t(w) * h * 4);
    for (std::size_t i = 0; i < b.pixels.size(); i += 4) {
        b.pixels[i] = 128; // premultiplied: straight 255 at alpha 128
        b.pixels[i + 1] = 0;
        b.pixels[i + 2] = 0;
        b.pixels[i + 3] = 128;
    }
    return b;
}

TEST(Compositing, SourceOverAndMultiplyFollowTheirFormulas)
{
    const Bitmap back = reference::ramp(11, 3);
    const Bitmap front = halfTransparentRed(11, 3);
    const double a = 128 / 255.0;
    for (const char* name : {"CISourceOverCompositing", "CIMultiplyCompositing"}) {
        auto f = Filter::named(name, {{"inputImage", reference::source(front)},
                                      {"inputBackgroundImage", reference::source(back)}});
        const Bitmap got = reference::render(f->outputImage());
        const bool over = std::string(name) == "CISourceOverCompositing";
        for (int x = 0; x < 11; ++x) {
            const Rgb d = reference::linearAt(back, x, 1);
            const Rgb s = {a, 0, 0}; // premultiplied linear: straight 1 times alpha
            const double outA = over ? a + (1 - a) : a;
            const std::uint8_t* p = reference::pixel(got, x, 1);
            EXPECT_EQ(p[3], std::lround(outA * 255)) << name;
            for (int ch = 0; ch < 3; ++ch) {
                const double premul = over ? s[ch] + d[ch] * (1 - a) : s[ch] * d[ch];
                const double want =
                    std::lround(std::clamp(reference::encode(premul / outA), 0.0, 1.0) * 255) *
                    std::lround(outA * 255) / 255.0;
                EXPECT_NEAR(p[ch], want, 1) << name << " x=" << x << " ch=" << ch;
            }
        }
    }
}

TEST(Compositing, ExtentIsTheUnionAndEachInputIsBlackOutsideItsOwn)
{
    const Image small = reference::source(reference::ramp(4, 4));
    const Image moved = small.transformed(Affine::translation(10, 0));
    auto over = Filter::named("CISourceOverCompositing",
                              {{"inputImage", small}, {"inputBackgroundImage", moved}});
    EXPECT_EQ(over->outputImage().extent(), Rect::fromXYWH(0, 0, 14, 4));
    const Bitmap got = reference::render(over->outputImage());
    EXPECT_EQ(reference::pixel(got, 6, 2)[3], 0); // between the two
    EXPECT_EQ(reference::pixel(got, 12, 2)[3], 255);
    auto mul = Filter::named("CIMultiplyCompositing",
                             {{"inputImage", small}, {"inputBackgroundImage", moved}});
    const Bitmap product = reference::render(mul->outputImage());
    for (std::uint8_t v : product.pixels)
        ASSERT_EQ(v, 0); // the inputs never overlap
}

// ---- generator -------------------------------------------------------------------

TEST(RandomGenerator, IsInfiniteRepeatsEvery512AndIsTheSameOnEveryCall)
{
    const Image a = Filter::named("CIRandomGenerator")->outputImage();
    const Image b = Filter::named("CIRandomGenerator")->outputImage();
    EXPECT_TRUE(a.extent().isInfinite());
    Context ctx;
    const Bitmap first = ctx.render(a, Rect::fromXYWH(-3, 5, 40, 7));
    EXPECT_EQ(first.pixels, ctx.render(b, Rect::fromXYWH(-3, 5, 40, 7)).pixels);
    EXPECT_EQ(first.pixels, ctx.render(a, Rect::fromXYWH(-3 + 512, 5 - 1024, 40, 7)).pixels);
    EXPECT_NE(first.pixels, ctx.render(a, Rect::fromXYWH(-2, 5, 40, 7)).pixels);
    // uniform values: the alpha bytes spread over the whole range
    const Bitmap big = ctx.render(a, Rect::fromXYWH(0, 0, 256, 256));
    double sum = 0;
    int low = 0, high = 0;
    for (std::size_t i = 3; i < big.pixels.size(); i += 4) {
        sum += big.pixels[i];
        low += big.pixels[i] < 26;
        high += big.pixels[i] > 229;
    }
    EXPECT_NEAR(sum / (256 * 256), 127.5, 2.0);
    EXPECT_NEAR(low / 65536.0, 0.1, 0.01);
    EXPECT_NEAR(high / 65536.0, 0.1, 0.01);
}

// A moved and scaled noise tile against bilinear sampling of the tile itself,
// over rows wider than a segment that cross the tile's wrap-around: stretched
// (the scratch streaks) and shrunk.
TEST(RandomGenerator, ScaledTileSamplesBilinearlyAcrossTheWrap)
{
    const Image noise = Filter::named("CIRandomGenerator")->outputImage();
    Context ctx;
    const Bitmap tile = ctx.render(noise, Rect::fromXYWH(0, 0, 512, 512));
    auto alphaAt = [&tile](int i, int j) {
        return reference::pixel(tile, i & 511, j & 511)[3] / 255.0;
    };
    for (const auto& [sx, sy] : {std::pair{1.5, 25.0}, std::pair{0.4, 3.0}}) {
        const Image scaled =
            noise.transformed(Affine::translation(417, 93)).transformed(Affine::scale(sx, sy));
        const Bitmap got = ctx.render(scaled, Rect::fromXYWH(-10, 40, 1000, 5));
        for (int y = 0; y < got.height; ++y) {
            for (int x = 0; x < got.width; ++x) {
                const double u = (x - 10 + 0.5) / sx - 417 - 0.5,
                             v = (y + 40 + 0.5) / sy - 93 - 0.5;
                const double i = std::floor(u), j = std::floor(v), fx = u - i, fy = v - j;
                const double top =
                    alphaAt(int(i), int(j)) * (1 - fx) + alphaAt(int(i) + 1, int(j)) * fx;
                const double bottom =
                    alphaAt(int(i), int(j) + 1) * (1 - fx) + alphaAt(int(i) + 1, int(j) + 1) * fx;
                ASSERT_NEAR(reference::pixel(got, x, y)[3], 255 * (top * (1 - fy) + bottom * fy),
                            1.0)
                    << sx << " at " << x << ", " << y;
            }
        }
    }
}

// ---- geometry ----------------------------------------------------------------------

TEST(Transform, IntegerTranslationMovesPixelsExactly)
{
    const Bitmap pic = reference::ramp(13, 6);
    const Image moved = reference::source(pic).transformed(Affine::translation(5, -2));
    EXPECT_EQ(moved.extent(), Rect::fromXYWH(5, -2, 13, 6));
    EXPECT_EQ(Context().render(moved, moved.extent()).pixels, pic.pixels);
    // two steps fold into one and stay exact
    const Image back = moved.transformed(Affine::translation(-5, 2));
    EXPECT_EQ(reference::render(back).pixels, pic.pixels);
    // outside the moved extent: transparent black
    const Bitmap wide = Context().render(moved, Rect::fromXYWH(0, -2, 18, 6));
    EXPECT_EQ(reference::pixel(wide, 2, 0)[3], 0);
    EXPECT_EQ(0, std::memcmp(reference::pixel(wide, 5, 0), reference::pixel(pic, 0, 0), 4));
}

TEST(Transform, ScaleSamplesBilinearlyAtPixelCentres)
{
    const Bitmap pic = reference::opaque(2, 1, [](int x, int) {
        return x == 0 ? std::array<int, 3>{0, 255, 40} : std::array<int, 3>{255, 0, 200};
    });
    const Image big = reference::source(pic).transformed(Affine::scale(2, 3));
    EXPECT_EQ(big.extent(), Rect::fromXYWH(0, 0, 4, 3));
    const Bitmap got = reference::render(big);
    const Rgb a = reference::linearAt(pic, 0, 0), b = reference::linearAt(pic, 1, 0);
    // output centre 1.5 maps to source 0.75: three quarters of pixel 0
    for (int ch = 0; ch < 3; ++ch) {
        EXPECT_NEAR(reference::pixel(got, 1, 1)[ch], reference::to8(0.75 * a[ch] + 0.25 * b[ch]),
                    1);
        EXPECT_NEAR(reference::pixel(got, 2, 1)[ch], reference::to8(0.25 * a[ch] + 0.75 * b[ch]),
                    1);
    }
    // the edge blends with the transparent outside: centre 0.5 maps to 0.25
    EXPECT_NEAR(reference::pixel(got, 0, 1)[3], 255 * 0.75, 1);
    EXPECT_EQ(reference::pixel(got, 1, 1)[3], 255);
    // row 2's centre 2.5 maps to 0.33: two thirds of the single source row
    EXPECT_NEAR(reference::pixel(got, 1, 2)[3], 255 * 2 / 3.0, 1);
}

TEST(Crop, ExtentIsTheIntersectionAndOutsideIsTransparent)
{
    const Image pic = reference::source(reference::ramp(10, 8));
    const Image cropped = pic.croppedTo(Rect::fromXYWH(2, 3, 100, 2));
    EXPECT_EQ(cropped.extent(), Rect::fromXYWH(2, 3, 8, 2));
    EXPECT_TRUE(pic.croppedTo(Rect::fromXYWH(20, 20, 5, 5)).extent().isEmpty());
    EXPECT_EQ(pic.croppedTo(Rect::fromXYWH(-5, -5, 50, 50)).extent(), pic.extent());
    const Image noise =
        Filter::named("CIRandomGenerator")->outputImage().croppedTo(Rect::fromXYWH(1, 2, 3, 4));
    EXPECT_EQ(noise.extent(), Rect::fromXYWH(1, 2, 3, 4));
    const Bitmap got = Context().render(cropped, pic.extent());
    const Bitmap full = reference::render(pic);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 10; ++x) {
            const bool inside = y >= 3 && y < 5 && x >= 2;
            if (inside)
                ASSERT_EQ(
                    0, std::memcmp(reference::pixel(got, x, y), reference::pixel(full, x, y), 4));
            else
                ASSERT_EQ(reference::pixel(got, x, y)[3], 0) << x << "," << y;
        }
    // a point filter over a crop keeps the crop
    auto cc =
        Filter::named("CIColorControls", {{"inputImage", cropped}, {"inputBrightness", 0.5f}});
    EXPECT_EQ(cc->outputImage().extent(), cropped.extent());
    EXPECT_EQ(Context().render(cc->outputImage(), pic.extent()).pixels[3], 0);
}

// ---- registry and inputs ---------------------------------------------------------

TEST(Registry, KnowsExactlyTheFourteenFilters)
{
    const std::vector<std::string> expected = {"CIColorControls",         "CIColorMatrix",
                                               "CIExposureAdjust",        "CIGammaAdjust",
                                               "CIHighlightShadowAdjust", "CIMinimumComponent",
                                               "CIMultiplyCompositing",   "CIPhotoEffectChrome",
                                               "CIPhotoEffectInstant",    "CIPhotoEffectProcess",
                                               "CIRandomGenerator",       "CISepiaTone",
                                               "CISourceOverCompositing", "CIVignette"};
    EXPECT_EQ(Filter::names(), expected);
    EXPECT_EQ(Filter::named("CIGaussianBlur"), nullptr);
    EXPECT_EQ(Filter::named("CIGaussianBlur", {{"inputRadius", 2.0f}}), nullptr);
    EXPECT_EQ(Filter::named("cisepiatone"), nullptr);
}

TEST(Registry, FiltersDeclareTheirKeysAndDefaults)
{
    auto v = Filter::named("CIVignette");
    EXPECT_EQ(v->inputKeys(),
              (std::vector<std::string>{"inputImage", "inputRadius", "inputIntensity"}));
    EXPECT_EQ(v->value("inputRadius").number(), 1.0f);
    EXPECT_EQ(v->value("inputIntensity").number(), 0.0f);
    auto m = Filter::named("CIColorMatrix");
    EXPECT_EQ(m->value("inputAVector").vector(), (Vector4{0, 0, 0, 1}));
    EXPECT_EQ(Filter::named("CISepiaTone")->value("inputIntensity").number(), 1.0f);
    EXPECT_EQ(Filter::named("CIHighlightShadowAdjust")->value("inputHighlightAmount").number(),
              1.0f);
    EXPECT_TRUE(Filter::named("CIRandomGenerator")->inputKeys().empty());
    // no input image: no output
    EXPECT_TRUE(Filter::named("CISepiaTone")->outputImage().isNull());
    EXPECT_TRUE(Filter::named("CIMultiplyCompositing",
                              {{"inputImage", reference::source(reference::ramp(2, 2))}})
                    ->outputImage()
                    .isNull());
}

TEST(Registry, InputsGivenAtOnceOrOneByOneAreRecordedInOrder)
{
    auto all =
        Filter::named("CIColorControls", {{"inputContrast", 1.5f}, {"inputSaturation", 0.25f}});
    EXPECT_TRUE(all->madeWithValues());
    EXPECT_EQ(all->describe(), "CIColorControls(inputContrast=1.5, inputSaturation=0.25)");
    auto one = Filter::named("CIColorControls");
    one->setValue("inputSaturation", 0.25f);
    one->setValue("inputContrast", 1.5f);
    EXPECT_FALSE(one->madeWithValues());
    EXPECT_EQ(one->value("inputContrast").number(), 1.5f);
    EXPECT_EQ(one->value("inputBrightness").number(), 0.0f);
}

#ifdef NDEBUG
TEST(Registry, UnknownKeyOrWrongKindIsRefusedAndLogged)
{
    auto f = Filter::named("CISepiaTone");
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(f->setValue("inputRadius", 2.0f));
    EXPECT_FALSE(f->setValue("inputIntensity", Vector4{1, 1, 1, 1}));
    const std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("CISepiaTone has no input inputRadius"), std::string::npos);
    EXPECT_NE(log.find("wrong kind"), std::string::npos);
    EXPECT_EQ(f->value("inputIntensity").number(), 1.0f);
    EXPECT_TRUE(f->givenInputs().empty());
}
#endif

// ---- rendering ---------------------------------------------------------------------

TEST(Srgb8, EncodeRoundsLikeTheExactCurve)
{
    const Srgb8& t = Srgb8::tables();
    auto exact = [](float v) { return reference::to8(double(v)); };
    for (int i = 0; i <= 2000000; ++i) {
        const float v = float(i) / 2000000.0f;
        ASSERT_EQ(t.encode(v), exact(v)) << v;
    }
    // both sides of every rounding threshold
    for (int k = 0; k < 255; ++k) {
        float v = float(reference::decode((k + 0.5) / 255.0));
        for (int step = 0; step < 4; ++step) {
            ASSERT_EQ(t.encode(v), exact(v)) << v;
            ASSERT_EQ(t.encode(std::nextafter(v, 0.0f)), exact(std::nextafter(v, 0.0f)));
            v = std::nextafter(v, 1.0f);
        }
    }
    EXPECT_EQ(t.encode(-3.0f), 0);
    EXPECT_EQ(t.encode(7.0f), 255);
    EXPECT_EQ(t.encode(std::nanf("")), 0);
    for (int v = 0; v < 256; ++v)
        ASSERT_EQ(t.encode(t.decode(std::uint8_t(v))), v);
}

// The vector row encoder against the scalar one: both sides of every
// threshold, out-of-range values and NaN, over a length that is no multiple of
// any vector width or chunk.
TEST(Srgb8, OpaqueRowEncodesLikeEachValueOnItsOwn)
{
    const Srgb8& t = Srgb8::tables();
    std::vector<float> values = {0.0f, 1.0f, -0.5f, 1.5f, -0.0f, std::nanf(""), 1e-9f, 0.99999f};
    for (int k = 0; k < 255; ++k) {
        const float v = float(reference::decode((k + 0.5) / 255.0));
        values.insert(values.end(), {std::nextafter(v, 0.0f), v, std::nextafter(v, 1.0f)});
    }
    for (int i = 0; i < 300; ++i)
        values.push_back(float(i) / 299.0f);
    const int n = int(values.size());
    std::vector<float> g(values.rbegin(), values.rend()), b(values.begin() + 3, values.end());
    b.insert(b.end(), values.begin(), values.begin() + 3);
    std::vector<std::uint8_t> out(std::size_t(n) * 4, 0);
    t.encodeOpaque(values.data(), g.data(), b.data(), n, out.data());
    for (int i = 0; i < n; ++i) {
        ASSERT_EQ(out[4 * i], t.encode(values[i])) << i << " " << values[i];
        ASSERT_EQ(out[4 * i + 1], t.encode(g[i])) << i;
        ASSERT_EQ(out[4 * i + 2], t.encode(b[i])) << i;
        ASSERT_EQ(out[4 * i + 3], 255) << i;
    }
}

// The vector row encoder against the scalar one on every float from below the
// table's first bucket to above 1.
TEST(Srgb8, OpaqueRowIsExactForEveryFloat)
{
    const Srgb8& t = Srgb8::tables();
    const std::uint32_t first = std::bit_cast<std::uint32_t>(Srgb8::kLow) - 4096;
    const std::uint32_t last = std::bit_cast<std::uint32_t>(1.0f) + 4096;
    constexpr int kChunk = 4096;
    std::vector<float> values(kChunk);
    std::vector<std::uint8_t> out(std::size_t(kChunk) * 4);
    std::uint64_t wrong = 0;
    for (std::uint32_t bits = first; bits < last; bits += kChunk) {
        const int n = int(std::min<std::uint32_t>(kChunk, last - bits));
        for (int i = 0; i < n; ++i)
            values[std::size_t(i)] = std::bit_cast<float>(bits + std::uint32_t(i));
        t.encodeOpaque(values.data(), values.data(), values.data(), n, out.data());
        for (int i = 0; i < n; ++i)
            wrong += out[4 * std::size_t(i)] != t.encode(values[std::size_t(i)]);
    }
    EXPECT_EQ(wrong, 0u);
}

TEST(Render, SourceRoundTripsAndPremultipliedBytesSurvive)
{
    Bitmap pic = reference::ramp(257, 3);
    for (std::size_t i = 0; i < pic.pixels.size(); i += 4 * 7) { // some translucent pixels
        pic.pixels[i + 3] = std::uint8_t(i % 255);
        for (int c = 0; c < 3; ++c)
            pic.pixels[i + c] = std::min(pic.pixels[i + c], pic.pixels[i + 3]);
    }
    const Bitmap got = reference::render(reference::source(pic));
    for (std::size_t i = 0; i < pic.pixels.size(); ++i)
        ASSERT_NEAR(got.pixels[i], pic.pixels[i],
                    (i % 4 == 3 || pic.pixels[i - i % 4 + 3] == 255) ? 0 : 1)
            << i;
    EXPECT_TRUE(Context().render(Image(), Rect::fromXYWH(0, 0, 4, 4)).isNull());
    EXPECT_TRUE(Image::fromBitmap(Bitmap{}).isNull());
}

// A graph with every kind of node, rendered at several thread counts and band
// heights: the bytes never change.
TEST(Render, SameBytesAtAnyThreadCountOrBandHeight)
{
    const Image pic = reference::source(reference::ramp(523, 301));
    const Image noise =
        Filter::named("CIRandomGenerator")->outputImage().transformed(Affine::translation(417, 93));
    auto specks = Filter::named("CIColorMatrix", {{"inputImage", noise},
                                                  {"inputRVector", Vector4{0, 1, 0, 0}},
                                                  {"inputAVector", Vector4{0, 0.3, 0, 0}}});
    auto over = Filter::named("CISourceOverCompositing", {{"inputImage", specks->outputImage()},
                                                          {"inputBackgroundImage", pic}});
    auto vig =
        Filter::named("CIVignette", {{"inputImage", over->outputImage().croppedTo(pic.extent())},
                                     {"inputIntensity", 0.8f}});
    const Image streaks = noise.transformed(Affine::scale(1.5, 25));
    auto mul =
        Filter::named("CIMultiplyCompositing",
                      {{"inputImage", streaks}, {"inputBackgroundImage", vig->outputImage()}});
    const Image graph = mul->outputImage().croppedTo(pic.extent());
    EXPECT_EQ(reference::differsByThreadsOrBands(graph, {1, 7, 64}), "");
}

// ---- accuracy of the fast curves ---------------------------------------------------

// Where a curve is checked: steps + 1 evenly spaced values from lo to hi, or
// (octaves) floats from lo to hi at an even stride of their bits, as dense in
// every octave as in any other; `extra` values are checked as well.
struct Domain
{
    float lo, hi;
    bool octaves = false;
    std::vector<float> extra = {};
    std::uint32_t steps = 1u << 21;
};

std::vector<float> samplesOf(const Domain& d)
{
    std::vector<float> v = d.extra;
    if (d.octaves) { // an odd stride reaches every pattern of the low bits
        const auto lo = std::bit_cast<std::uint32_t>(d.lo), hi = std::bit_cast<std::uint32_t>(d.hi);
        for (auto bits = lo; bits <= hi; bits += std::max(1u, (hi - lo) / d.steps) | 1u)
            v.push_back(std::bit_cast<float>(bits));
    } else {
        for (std::uint32_t i = 0; i <= d.steps; ++i)
            v.push_back(float(d.lo + (double(d.hi) - d.lo) * i / std::max(d.steps, 1u)));
    }
    return v;
}

// Loops built as the library builds its own (Simd.h), so that the AVX2
// build, FMA contractions included, is measured as well as the baseline.
template <float (*F)(float)> void eachValue(float* v, int n, float)
{
    for (int i = 0; i < n; ++i)
        v[i] = F(v[i]);
}

inline void powOfEach(float* v, int n, float p)
{
    for (int i = 0; i < n; ++i)
        v[i] = math::powPos(v[i], p);
}

using Curve = std::function<void(std::vector<float>&)>;

template <auto Loop> Curve built(float p = 0)
{
    return [p](std::vector<float>& v) { simd::run<Loop>(v.data(), int(v.size()), p); };
}

// One of the sRGB passes over the red plane of a row (green and blue alike).
Curve onPlanes(void (*pass)(const detail::Planar&, int))
{
    return [pass](std::vector<float>& v) {
        std::vector<float> g(v), b(v), a(v.size(), 1.0f);
        pass(detail::Planar{v.data(), g.data(), b.data(), a.data()}, int(v.size()));
    };
}

using Exact = std::function<double(double)>;

struct StatedBound
{
    std::string name;
    Curve curve;
    Exact exact; // in double precision
    Domain domain;
    double bound;
    bool relative = false;
};

// The error bounds the comments state for the fast curves, each over a dense
// sweep of the values it is used on. Relative rows require exactly 0 where
// the curve is 0.
TEST(PixelMath, StatedErrorBoundsHold)
{
    constexpr bool kRel = true;
    const Curve log2Pos = built<eachValue<math::log2Pos>>();
    const Curve exp2Fast = built<eachValue<math::exp2Fast>>();
    const Curve byteTable = [](std::vector<float>& v) {
        for (float& x : v)
            x = Srgb8::tables().decode(std::uint8_t(x));
    };
    const Exact log2 = [](double x) { return std::log2(x); };
    const Exact sin2Pi = [](double x) { return std::sin(2 * std::numbers::pi * x); };
    const Exact byte = [](double x) { return reference::decode(x / 255); };
    const float kMin = std::numeric_limits<float>::min(), kMax = std::numeric_limits<float>::max();
    // decodePlanes: a power curve in the AVX2 build (relative 1e-6); in the
    // baseline a table (4e-7) read at c + 0.25 rounded to a float, which adds
    // half an ulp there times a slope below 3.
    const bool fitted = simd::avx2();
    const Domain decoded = fitted ? Domain{-7.999f, 7.999f} : Domain{-0.25f, 1.25f};
    const double decodedBound = fitted ? 1e-6 : 4e-7 + 3 * 0x1p-24;
    std::vector<StatedBound> rows = {
        {"log2Pos, 2^-16 to 2^16", log2Pos, log2, {0x1p-16f, 0x1p16f, true}, 5e-6},
        // further out, rounding e + u g adds up to half an ulp of a result near 127
        {"log2Pos, every normal float", log2Pos, log2, {kMin, kMax, true}, 5e-6 + 0x1p-18},
        {"exp2Fast", exp2Fast, [](double y) { return std::exp2(y); }, {-126, 127}, 8e-6, kRel},
        {"exp2Fast at 0", exp2Fast, [](double) { return 1.0; }, {0, 0, false, {-0.0f}, 0}, 0, kRel},
        {"sin2Pi", built<eachValue<math::sin2Pi>>(), sin2Pi, {-8, 8}, 2e-6},
        // over the values a byte can show; 2e-3 would be a whole 8-bit step
        {"encodeSRGB", onPlanes(detail::encodePlanes), reference::encode, {-1, 1}, 1e-5},
        {"decodeSRGB", built<eachValue<math::decodeSRGB>>(), reference::decode, {-1, 1}, 1e-5},
        {"decodePlanes", onPlanes(detail::decodePlanes), reference::decode, decoded, decodedBound,
         fitted},
        {"Srgb8 decode table", byteTable, byte, {0, 255, false, {}, 255}, 0x1p-24, kRel},
    };
    const Domain positive{0x1p-24f, 0x1p8f, true, {0.0f}};
    for (const float p : {1 / 2.4f, 0.5f, 0.75f, 1.0f, 2.2f, 2.4f, 4.0f})
        rows.push_back({"powPos, p = " + std::to_string(p), built<powOfEach>(p),
                        [p](double x) { return std::pow(x, double(p)); }, positive, 1e-5 * (1 + p),
                        kRel});
    for (const StatedBound& row : rows) {
        const std::vector<float> in = samplesOf(row.domain);
        std::vector<float> out = in;
        row.curve(out);
        double worst = 0, at = 0, got = 0, want = 0;
        for (std::size_t i = 0; i < in.size(); ++i) {
            const double e = row.exact(double(in[i])), g = out[i];
            double err = std::abs(g - e) / (row.relative && e != 0 ? std::abs(e) : 1.0);
            if (std::isnan(err) || (row.relative && e == 0 && g != 0))
                err = std::numeric_limits<double>::infinity();
            if (err > worst)
                std::tie(worst, at, got, want) = std::tuple(err, in[i], g, e);
        }
        EXPECT_LE(worst, row.bound)
            << row.name << ": worst " << (row.relative ? "relative" : "absolute") << " error at "
            << std::setprecision(9) << at << ", " << got << " for " << want;
    }
}

} // namespace
