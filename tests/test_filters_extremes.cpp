// The filters at the edges of their range, against the plain formulas: black
// and white, values far above 1 handed from one filter to the next, alpha at
// and below the unpremultiply floor; and renders from several threads at once.
// Rows are wider than a vector and than a processing segment, so that the
// vector loops run, not only their scalar tails.

#include "imagefilter/PowerCurve.h"
#include "imagefilter/Simd.h"
#include "test_filters_support.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

using namespace imagefilter;
using reference::Rgb;

namespace {

// Straight linear colour in, straight linear colour out.
using Formula = std::function<Rgb(const Rgb&)>;

Rgb each(const Rgb& c, const std::function<double(double, int)>& f)
{
    return {f(c[0], 0), f(c[1], 1), f(c[2], 2)};
}

Rgb aboutY(const Rgb& e, double k)
{
    const double y = reference::luma(e);
    return each(e, [&](double x, int) { return y + k * (x - y); });
}

Formula onEncoded(const std::function<Rgb(const Rgb&)>& look)
{
    return [look](const Rgb& c) {
        const Rgb e = look(each(c, [](double v, int) { return reference::encode(v); }));
        return each(e, [](double v, int) { return reference::decode(v); });
    };
}

struct Case
{
    const char* label;
    const char* filter;
    std::vector<Filter::Input> inputs;
    Formula formula;
};

// The point filters whose formula holds for any colour, above 1 included.
std::vector<Case> cases()
{
    return {
        {"ColorControls",
         "CIColorControls",
         {{"inputSaturation", 1.4f}, {"inputBrightness", 0.05f}, {"inputContrast", 1.3f}},
         [](const Rgb& c) {
             const double y = reference::luma(c);
             return each(
                 c, [&](double x, int) { return 1.3 * (1.4 * x - 0.4 * y) + (0.05 + 0.5 - 0.65); });
         }},
        {"Gamma",
         "CIGammaAdjust",
         {{"inputPower", 0.6f}},
         [](const Rgb& c) { return each(c, [](double x, int) { return std::pow(x, 0.6); }); }},
        {"GammaSteep",
         "CIGammaAdjust",
         {{"inputPower", 2.5f}},
         [](const Rgb& c) { return each(c, [](double x, int) { return std::pow(x, 2.5); }); }},
        {"Sepia",
         "CISepiaTone",
         {{"inputIntensity", 0.8f}},
         [](const Rgb& c) {
             const double y = reference::luma(c), tone[3] = {1.212, 0.969, 0.679};
             return each(c, [&](double x, int i) { return x + (y * tone[i] - x) * 0.8; });
         }},
        {"Chrome", "CIPhotoEffectChrome", {}, onEncoded([](const Rgb& e) {
             return each(aboutY(e, 1.25), [](double x, int) {
                 return x - 0.3 * std::sin(2 * std::numbers::pi * x) / (2 * std::numbers::pi);
             });
         })},
        {"Instant", "CIPhotoEffectInstant", {}, onEncoded([](const Rgb& e) {
             const Rgb s = aboutY(e, 0.75);
             return Rgb{0.08 + 0.90 * s[0], 0.06 + 0.88 * s[1], 0.05 + 0.80 * s[2]};
         })},
        {"Process", "CIPhotoEffectProcess", {}, onEncoded([](const Rgb& e) {
             const Rgb s = aboutY(e, 0.9);
             const double y = reference::luma(s), shade = (1 - y) * (1 - y), light = y * y;
             const double cool[3] = {-0.02, 0.03, 0.08}, warm[3] = {0.03, 0.02, -0.04};
             return each(s, [&](double x, int i) {
                 return 0.5 + 0.85 * (x - 0.5) + cool[i] * shade + warm[i] * light;
             });
         })},
    };
}

Image apply(const char* name, const std::vector<Filter::Input>& inputs, const Image& in)
{
    auto f = Filter::named(name);
    f->setValue("inputImage", in);
    for (const auto& [key, value] : inputs)
        f->setValue(key, value);
    return f->outputImage();
}

Image exposure(const Image& in, float ev)
{
    return apply("CIExposureAdjust", {{"inputEV", ev}}, in);
}

// Black, white and a ramp, 37 pixels wide (four vectors and a tail) and 300
// wide (more than a segment).
std::vector<std::pair<std::string, Bitmap>> extremes()
{
    return {
        {"black", reference::opaque(37, 2,
                                    [](int, int) {
                                        return std::array<int, 3>{0, 0, 0};
                                    })},
        {"white", reference::opaque(37, 2,
                                    [](int, int) {
                                        return std::array<int, 3>{255, 255, 255};
                                    })},
        {"ramp", reference::ramp(300, 3)},
    };
}

void expectBytes(const Bitmap& got, const Bitmap& pic, const std::function<Rgb(const Rgb&)>& want,
                 const std::string& what)
{
    for (int y = 0; y < pic.height; ++y)
        for (int x = 0; x < pic.width; ++x) {
            const Rgb w = want(reference::linearAt(pic, x, y));
            const std::uint8_t* p = reference::pixel(got, x, y);
            for (int ch = 0; ch < 3; ++ch)
                ASSERT_NEAR(p[ch], reference::to8(w[ch]), 1)
                    << what << " x=" << x << " y=" << y << " channel " << ch;
            ASSERT_EQ(p[3], 255) << what;
        }
}

// Each filter on black, on white, and on colour lifted far above 1 by an
// exposure before it and brought back by one after it, so that what the
// filter made of the values above 1 shows in the bytes.
TEST(Extremes, EachFilterFollowsItsFormulaOnBlackWhiteAndValuesAboveOne)
{
    for (const Case& c : cases()) {
        for (const auto& [label, pic] : extremes()) {
            const Image src = reference::source(pic);
            expectBytes(reference::render(apply(c.filter, c.inputs, src)), pic, c.formula,
                        std::string(c.label) + " on " + label);
            for (const float ev : {1.5f, 3.0f}) {
                const Image lifted =
                    exposure(apply(c.filter, c.inputs, exposure(src, ev)), -ev - 1.0f);
                expectBytes(
                    reference::render(lifted), pic,
                    [&](const Rgb& in) {
                        const Rgb out =
                            c.formula(each(in, [ev](double v, int) { return v * std::exp2(ev); }));
                        return each(out, [ev](double v, int) { return v * std::exp2(-ev - 1.0); });
                    },
                    std::string(c.label) + " above 1 (EV " + std::to_string(ev) + ") on " + label);
            }
        }
    }
}

// Alpha taken below the unpremultiply floor (1e-6 < 1e-5) and back to 1 by
// colour matrices around a colour filter: each colour filter divides by
// max(alpha, 1e-5) and multiplies by its own result's alpha, so the colour
// comes out scaled by 1e-6 / 1e-5 twice, around the filter.
TEST(Extremes, AlphaBelowTheFloorScalesTheColourLikeTheFormula)
{
    const Bitmap pic = reference::ramp(300, 3);
    const Image faint =
        apply("CIColorMatrix", {{"inputAVector", Vector4{0, 0, 0, 1e-6}}}, reference::source(pic));
    const double k = double(1e-6f) / 1e-5; // alpha over the floor
    for (const Case& c : cases()) {
        if (std::string(c.filter).rfind("CIPhotoEffect", 0) == 0)
            continue; // the looks are checked below on their own
        const Image middle = apply(c.filter, c.inputs, faint);
        const Image back =
            apply("CIColorMatrix", {{"inputAVector", Vector4{0, 0, 0, 1e6}}}, middle);
        expectBytes(
            reference::render(back), pic,
            [&](const Rgb& in) {
                const Rgb mid = c.formula(each(in, [k](double v, int) { return v * k; }));
                return each(mid, [k](double v, int) { return v * k; });
            },
            std::string(c.label) + " below the alpha floor");
    }
}

// Translucent source pixels down to alpha 1 / 255: the bytes are
// unpremultiplied, filtered and premultiplied again like the formula, and
// alpha 0 stays transparent black.
TEST(Extremes, NearlyTransparentPixelsKeepTheirAlphaAndFollowTheFormula)
{
    Bitmap pic = reference::ramp(300, 2);
    const int alphas[] = {0, 1, 2, 3, 9, 128, 254};
    for (int i = 0; i < pic.width * pic.height; ++i) {
        std::uint8_t* p = pic.pixels.data() + std::size_t(i) * 4;
        p[3] = std::uint8_t(alphas[i % 7]);
        for (int ch = 0; ch < 3; ++ch)
            p[ch] = std::uint8_t(p[ch] * p[3] / 255);
    }
    for (const Case& c : cases()) {
        const Bitmap got = reference::render(apply(c.filter, c.inputs, reference::source(pic)));
        for (int y = 0; y < pic.height; ++y)
            for (int x = 0; x < pic.width; ++x) {
                const std::uint8_t* in = reference::pixel(pic, x, y);
                const std::uint8_t* out = reference::pixel(got, x, y);
                ASSERT_EQ(out[3], in[3]) << c.label;
                if (in[3] == 0) {
                    ASSERT_EQ(out[0] | out[1] | out[2], 0) << c.label << " x=" << x;
                    continue;
                }
                const double a = in[3] / 255.0;
                Rgb straight;
                for (int ch = 0; ch < 3; ++ch)
                    straight[ch] = reference::decode(in[ch] / 255.0 / a);
                const Rgb w = c.formula(straight);
                for (int ch = 0; ch < 3; ++ch) {
                    const double want =
                        std::lround(std::clamp(reference::encode(w[ch]), 0.0, 1.0) * 255) * a;
                    // one step of the straight colour, and the rounding of the
                    // premultiplied byte
                    ASSERT_NEAR(out[ch], want, 1 + a)
                        << c.label << " x=" << x << " alpha " << int(in[3]) << " ch " << ch;
                }
            }
    }
}

// The render's worker threads are shared by the whole process: renders from
// several threads at once, with different thread counts and band heights,
// give the bytes of a lone single-threaded render.
TEST(Render, ConcurrentRendersFromSeveralThreadsGiveTheSameBytes)
{
    const Image pic = reference::source(reference::ramp(523, 301));
    const Image noise =
        Filter::named("CIRandomGenerator")->outputImage().transformed(Affine::translation(417, 93));
    auto specks = Filter::named("CIColorMatrix", {{"inputImage", noise},
                                                  {"inputRVector", Vector4{0, 1, 0, 0}},
                                                  {"inputAVector", Vector4{0, 0.3, 0, 0}}});
    auto over = Filter::named("CISourceOverCompositing", {{"inputImage", specks->outputImage()},
                                                          {"inputBackgroundImage", pic}});
    const Image streaks = noise.transformed(Affine::scale(1.5, 25));
    auto mul =
        Filter::named("CIMultiplyCompositing",
                      {{"inputImage", streaks}, {"inputBackgroundImage", over->outputImage()}});
    auto look = Filter::named("CIPhotoEffectChrome",
                              {{"inputImage", mul->outputImage().croppedTo(pic.extent())}});
    const Image graph = look->outputImage();

    Context one;
    one.setThreadCount(1);
    const Bitmap expected = one.render(graph, graph.extent());
    std::vector<std::vector<std::uint8_t>> results(4);
    std::vector<std::thread> callers;
    for (int t = 0; t < 4; ++t)
        callers.emplace_back([&, t] {
            Context ctx;
            ctx.setThreadCount(t % 2 ? 8 : 2);
            ctx.setBandRows(1 + 5 * t);
            ctx.setInlinePixelLimit(0);
            for (int run = 0; run < 3; ++run) {
                const Bitmap got = ctx.render(graph, graph.extent());
                if (run == 0 || got.pixels != expected.pixels)
                    results[t] = got.pixels;
            }
        });
    for (std::thread& t : callers)
        t.join();
    for (int t = 0; t < 4; ++t)
        EXPECT_EQ(results[t], expected.pixels) << "caller " << t;
}

// OLDREEL_FILTER_SIMD=baseline (the second run of these tests) forces the
// baseline build; otherwise AVX2 runs wherever the processor has it.
TEST(Dispatch, TheEnvironmentForcesTheBaselineBuild)
{
    const char* forced = std::getenv("OLDREEL_FILTER_SIMD");
    if (forced && std::strcmp(forced, "baseline") == 0) {
        EXPECT_EQ(simd::level(), simd::Level::Baseline);
        EXPECT_STREQ(simd::levelName(), "baseline");
    }
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    else if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma")) {
        EXPECT_EQ(simd::level(), simd::Level::Avx2);
    }
#endif
}

// The fitted powers that gamma and the highlight and shadow curve use in the
// AVX2 build: every exponent those filters can ask for within their usual
// range is fitted closely over the whole table, and an exponent out of reach
// is refused (its kernel then keeps the general formula).
TEST(PowerCurve, FitsTheFiltersExponentsAndRefusesTheUnreachable)
{
    std::vector<float> powers;
    for (float g = 0.2f; g <= 4.0f; g += 0.05f)
        powers.push_back(g); // gamma
    for (float s = -0.7f; s <= 1.0f; s += 0.1f)
        powers.push_back(1.0f / (s + 1.0f)); // shadow
    for (float h = 0.0f; h <= 1.0f; h += 0.1f)
        powers.push_back(1.0f / (2.0f - h)); // highlight
    std::uint32_t state = 12345;
    for (const float p : powers) {
        const detail::PowerCurve curve = detail::PowerCurve::fit(p);
        ASSERT_TRUE(curve.usable()) << "power " << p << " error " << curve.maxRelError;
        double worst = 0;
        for (int i = 0; i < 2000; ++i) {
            state = state * 1664525u + 1013904223u;
            const float x = float(std::exp2(-14.0 + 16.0 * (state >> 8) / 16777216.0));
            const double exact = std::pow(double(x), double(p));
            worst = std::max(worst, std::abs(curve.at(x) - exact) / exact);
        }
        EXPECT_LT(worst, 2e-6) << "power " << p;
    }
    for (const float p : {0.0f, -1.0f, 1000.0f, std::nanf("")})
        EXPECT_FALSE(detail::PowerCurve::fit(p).usable()) << "power " << p;
}

// Fitted curves are kept by exponent: what comes back is the fit itself,
// after the keeping has had to let others go, and from several threads.
TEST(PowerCurve, KeptCurvesAreTheFitsThemselves)
{
    auto same = [](const detail::PowerCurve& a, const detail::PowerCurve& b) {
        return std::memcmp(a.c, b.c, sizeof a.c) == 0 &&
               std::memcmp(a.scale, b.scale, sizeof a.scale) == 0 && a.p == b.p &&
               a.maxRelError == b.maxRelError;
    };
    std::vector<std::thread> threads;
    std::vector<int> mismatches(4, 0);
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int round = 0; round < 3; ++round)
                for (int i = 0; i < 40; ++i) { // more exponents than are kept
                    const float p = 0.3f + 0.07f * float((i * 7 + t) % 40);
                    mismatches[t] +=
                        !same(detail::PowerCurve::fitted(p), detail::PowerCurve::fit(p));
                }
        });
    for (std::thread& t : threads)
        t.join();
    for (int t = 0; t < 4; ++t)
        EXPECT_EQ(mismatches[t], 0) << "thread " << t;
    EXPECT_FALSE(detail::PowerCurve::fitted(-1.0f).usable());
    EXPECT_FALSE(detail::PowerCurve::fitted(1000.0f).usable());
}

// A matrix whose rows read one column each (the grain's specks and scratch
// mask) takes a shorter path than a full product: it gives what the full
// product gives, alpha row included, on every alpha from 0 to 255.
TEST(ColorMatrix, OneTermRowsMatchTheFullProduct)
{
    Bitmap pic = reference::ramp(601, 3);
    for (std::size_t i = 0; i < pic.pixels.size() / 4; ++i) { // every alpha, colour premultiplied
        std::uint8_t* px = pic.pixels.data() + 4 * i;
        px[3] = std::uint8_t(i % 256);
        for (int ch = 0; ch < 3; ++ch)
            px[ch] = std::uint8_t(px[ch] * px[3] / 255);
    }
    const struct
    {
        Vector4 r, g, b, a, bias;
    } cases[] = {
        {{0, 1, 0, 0}, {0, 1, 0, 0}, {0, 1, 0, 0}, {0, 0.3, 0, 0}, {0, 0, 0, 0}}, // specks
        {{4, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 1, 1, 1}},   // scratch mask
        {{0, 0, 0.8, 0}, {0, 0, 0, 1}, {1.5, 0, 0, 0}, {0, 0, 0, 1}, {0.1, 0, -0.2, 0}},
    };
    for (const auto& c : cases) {
        auto sparse = Filter::named("CIColorMatrix", {{"inputImage", reference::source(pic)},
                                                      {"inputRVector", c.r},
                                                      {"inputGVector", c.g},
                                                      {"inputBVector", c.b},
                                                      {"inputAVector", c.a},
                                                      {"inputBiasVector", c.bias}});
        // A term too small to change any value makes the rows full.
        Vector4 full = c.r;
        for (int k = 0; k < 4; ++k)
            full[k] = full[k] == 0 ? 1e-30 : full[k];
        auto dense = Filter::named("CIColorMatrix", {{"inputImage", reference::source(pic)},
                                                     {"inputRVector", full},
                                                     {"inputGVector", c.g},
                                                     {"inputBVector", c.b},
                                                     {"inputAVector", c.a},
                                                     {"inputBiasVector", c.bias}});
        const Bitmap got = reference::render(sparse->outputImage());
        const Bitmap want = reference::render(dense->outputImage());
        ASSERT_EQ(got.pixels.size(), want.pixels.size());
        for (std::size_t i = 0; i < got.pixels.size(); ++i)
            ASSERT_NEAR(got.pixels[i], want.pixels[i], 1)
                << "byte " << i << " red row " << c.r[0] << "," << c.r[1];
    }
}

// Colour controls and balance at their defaults compose to the identity and
// are left out (the bytes come back exactly, transparent pixels and all);
// a run only a hair away from the identity is still applied.
TEST(FilterDefaults, OnlyAnExactIdentityRunIsLeftOut)
{
    Bitmap pic = reference::ramp(523, 2);
    for (std::size_t i = 0; i < pic.pixels.size() / 4; ++i)
        if (i % 3 == 0) {
            std::uint8_t* px = pic.pixels.data() + 4 * i;
            px[3] = std::uint8_t(i % 256);
            for (int ch = 0; ch < 3; ++ch)
                px[ch] = std::uint8_t(px[ch] * px[3] / 255);
        }
    auto balanced = [](Image image) {
        for (const char* key : {"inputRVector", "inputGVector", "inputBVector"}) {
            Vector4 row{0, 0, 0, 0};
            row[key[5] == 'R' ? 0 : key[5] == 'G' ? 1 : 2] = 1;
            image =
                Filter::named("CIColorMatrix", {{"inputImage", image}, {key, row}})->outputImage();
        }
        return image;
    };
    const Bitmap plain = reference::render(reference::source(pic));
    const Image defaults =
        Filter::named("CIColorControls", {{"inputImage", reference::source(pic)}})->outputImage();
    EXPECT_EQ(reference::render(balanced(defaults)).pixels, plain.pixels);

    const Image brighter = Filter::named("CIColorControls", {{"inputImage", reference::source(pic)},
                                                             {"inputBrightness", 0.0005f}})
                               ->outputImage();
    const Bitmap alone = reference::render(brighter);
    const Bitmap run = reference::render(balanced(brighter));
    ASSERT_NE(alone.pixels, plain.pixels);
    for (std::size_t i = 0; i < run.pixels.size(); ++i)
        ASSERT_NEAR(run.pixels[i], alone.pixels[i], 1) << "byte " << i;
}

// A run that ends in a look writes opaque rows from its encoded values at
// once; rows with transparent pixels, and the same run read through another
// node, take the long way (decoded, then encoded back). Both give the same
// bytes, to one step, and the bytes the look's formula gives.
TEST(Render, ARunEndingInALookWritesItsEncodedValues)
{
    Bitmap pic = reference::ramp(1031, 6);
    for (std::size_t i = 0; i < pic.pixels.size() / 4; ++i)
        if (i / 1031 == 4 && i % 97 == 0) { // one row with a few transparent pixels
            std::uint8_t* px = pic.pixels.data() + 4 * i;
            px[3] = 128;
            for (int ch = 0; ch < 3; ++ch)
                px[ch] = std::uint8_t(px[ch] / 2);
        }
    for (const char* look :
         {"CIPhotoEffectChrome", "CIPhotoEffectInstant", "CIPhotoEffectProcess"}) {
        Image image = reference::source(pic);
        image = Filter::named("CIColorControls", {{"inputImage", image}, {"inputSaturation", 1.4f}})
                    ->outputImage();
        image = Filter::named(look, {{"inputImage", image}})->outputImage();
        const Bitmap direct = reference::render(image);
        // Moved by a whole pixel, the run is read through a transform node.
        const Image moved = image.transformed(Affine::translation(1, 0));
        Context context;
        const Bitmap around = context.render(moved, Rect::fromXYWH(1, 0, pic.width, pic.height));
        ASSERT_EQ(direct.pixels.size(), around.pixels.size());
        int differing = 0;
        for (std::size_t i = 0; i < direct.pixels.size(); ++i) {
            ASSERT_NEAR(direct.pixels[i], around.pixels[i], 1) << look << " byte " << i;
            differing += direct.pixels[i] != around.pixels[i];
        }
        EXPECT_LT(differing, int(direct.pixels.size() / 1000)) << look;
        // The look's own formula, on the saturated colour, at a few opaque pixels.
        auto formula = std::string(look) == "CIPhotoEffectChrome" ? onEncoded([](const Rgb& e) {
            const Rgb s = aboutY(e, 1.25);
            return each(s, [](double x, int) {
                return x - 0.3 * std::sin(2 * std::numbers::pi * x) / (2 * std::numbers::pi);
            });
        })
                                                                  : Formula();
        if (!formula)
            continue;
        for (int x = 0; x < pic.width; x += 37) {
            const Rgb in = reference::linearAt(pic, x, 2); // an opaque row
            const double y = reference::luma(in);
            Rgb saturated;
            for (int ch = 0; ch < 3; ++ch)
                saturated[ch] = y + 1.4 * (in[ch] - y);
            const Rgb want = formula(saturated);
            for (int ch = 0; ch < 3; ++ch)
                ASSERT_NEAR(reference::pixel(direct, x, 2)[ch],
                            reference::to8(std::clamp(want[ch], 0.0, 1.0)), 1)
                    << look << " x=" << x << " channel " << ch;
        }
    }
}

// A look straight on a bitmap reads its bytes as encoded values at once, and
// must notice one translucent pixel anywhere in a row (in the bulk of the
// row or its last few pixels) and unpremultiply: the same bytes, to one step,
// as the look on the bitmap moved by a pixel, which is decoded as any input.
TEST(Render, ALookOnTheBitmapNoticesOneTranslucentPixelAnywhere)
{
    for (int at : {0, 5, 7, 8, 13, 31, 32, 36}) {
        Bitmap pic = reference::ramp(37, 1);
        std::uint8_t* px = pic.pixels.data() + 4 * at;
        px[3] = 128;
        for (int ch = 0; ch < 3; ++ch)
            px[ch] = std::uint8_t(px[ch] / 2);
        auto look = [](const Image& in) {
            return Filter::named("CIPhotoEffectInstant", {{"inputImage", in}})->outputImage();
        };
        const Bitmap direct = reference::render(look(reference::source(pic)));
        const Bitmap around =
            Context().render(look(reference::source(pic).transformed(Affine::translation(1, 0))),
                             Rect::fromXYWH(1, 0, pic.width, 1));
        for (std::size_t i = 0; i < direct.pixels.size(); ++i)
            ASSERT_NEAR(direct.pixels[i], around.pixels[i], 1)
                << "translucent pixel " << at << ", byte " << i;
    }
}

} // namespace
