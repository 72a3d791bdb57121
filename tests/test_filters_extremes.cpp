// The filters at the edges of their range, against the plain formulas: black
// and white, values far above 1 handed from one filter to the next, alpha at
// and below the unpremultiply floor; and renders from several threads at once.
// Rows are wider than a vector and than a processing segment, so that the
// vector loops run, not only their scalar tails.

#include "test_filters_support.h"

#include "imagefilter/Simd.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

using namespace imagefilter;
using reference::Rgb;

namespace {

// Straight linear colour in, straight linear colour out.
using Formula = std::function<Rgb(const Rgb&)>;

Rgb each(const Rgb& c, const std::function<double(double, int)>& f) { return {f(c[0], 0), f(c[1], 1), f(c[2], 2)}; }

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
        {"ColorControls", "CIColorControls",
         {{"inputSaturation", 1.4f}, {"inputBrightness", 0.05f}, {"inputContrast", 1.3f}},
         [](const Rgb& c) {
             const double y = reference::luma(c);
             return each(c, [&](double x, int) { return 1.3 * (1.4 * x - 0.4 * y) + (0.05 + 0.5 - 0.65); });
         }},
        {"Gamma", "CIGammaAdjust", {{"inputPower", 0.6f}},
         [](const Rgb& c) { return each(c, [](double x, int) { return std::pow(x, 0.6); }); }},
        {"GammaSteep", "CIGammaAdjust", {{"inputPower", 2.5f}},
         [](const Rgb& c) { return each(c, [](double x, int) { return std::pow(x, 2.5); }); }},
        {"Sepia", "CISepiaTone", {{"inputIntensity", 0.8f}},
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
             return each(s, [&](double x, int i) { return 0.5 + 0.85 * (x - 0.5) + cool[i] * shade + warm[i] * light; });
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

Image exposure(const Image& in, float ev) { return apply("CIExposureAdjust", {{"inputEV", ev}}, in); }

// Black, white and a ramp, 37 pixels wide (four vectors and a tail) and 300
// wide (more than a segment).
std::vector<std::pair<std::string, Bitmap>> extremes()
{
    return {
        {"black", reference::opaque(37, 2, [](int, int) { return std::array<int, 3>{0, 0, 0}; })},
        {"white", reference::opaque(37, 2, [](int, int) { return std::array<int, 3>{255, 255, 255}; })},
        {"ramp", reference::ramp(300, 3)},
    };
}

void expectBytes(const Bitmap& got, const Bitmap& pic, const std::function<Rgb(const Rgb&)>& want, const std::string& what)
{
    for (int y = 0; y < pic.height; ++y)
        for (int x = 0; x < pic.width; ++x) {
            const Rgb w = want(reference::linearAt(pic, x, y));
            const std::uint8_t* p = reference::pixel(got, x, y);
            for (int ch = 0; ch < 3; ++ch)
                ASSERT_NEAR(p[ch], reference::to8(w[ch]), 1) << what << " x=" << x << " y=" << y << " channel " << ch;
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
                const Image lifted = exposure(apply(c.filter, c.inputs, exposure(src, ev)), -ev - 1.0f);
                expectBytes(reference::render(lifted), pic,
                            [&](const Rgb& in) {
                                const Rgb out = c.formula(each(in, [ev](double v, int) { return v * std::exp2(ev); }));
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
    const Image faint = apply("CIColorMatrix", {{"inputAVector", Vector4{0, 0, 0, 1e-6}}}, reference::source(pic));
    const double k = double(1e-6f) / 1e-5; // alpha over the floor
    for (const Case& c : cases()) {
        if (std::string(c.filter).rfind("CIPhotoEffect", 0) == 0)
            continue; // the looks are checked below on their own
        const Image middle = apply(c.filter, c.inputs, faint);
        const Image back = apply("CIColorMatrix", {{"inputAVector", Vector4{0, 0, 0, 1e6}}}, middle);
        expectBytes(reference::render(back), pic,
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
                    const double want = std::lround(std::clamp(reference::encode(w[ch]), 0.0, 1.0) * 255) * a;
                    // one step of the straight colour, and the rounding of the
                    // premultiplied byte
                    ASSERT_NEAR(out[ch], want, 1 + a) << c.label << " x=" << x << " alpha " << int(in[3]) << " ch " << ch;
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
    const Image noise = Filter::named("CIRandomGenerator")->outputImage().transformed(Affine::translation(417, 93));
    auto specks = Filter::named("CIColorMatrix", {{"inputImage", noise},
                                                  {"inputRVector", Vector4{0, 1, 0, 0}},
                                                  {"inputAVector", Vector4{0, 0.3, 0, 0}}});
    auto over = Filter::named("CISourceOverCompositing",
                              {{"inputImage", specks->outputImage()}, {"inputBackgroundImage", pic}});
    const Image streaks = noise.transformed(Affine::scale(1.5, 25));
    auto mul = Filter::named("CIMultiplyCompositing",
                             {{"inputImage", streaks}, {"inputBackgroundImage", over->outputImage()}});
    auto look = Filter::named("CIPhotoEffectChrome", {{"inputImage", mul->outputImage().croppedTo(pic.extent())}});
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

} // namespace
