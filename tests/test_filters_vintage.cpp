// The old-film chain: which filters a record builds, with which values, in
// which order, and what the rendered result looks like.

#include "effects/VintageChain.h"
#include "pictures/ImageBitmaps.h"
#include "pictures/VintageImage.h"
#include "projector/Seeds.h"
#include "support/EffectRecords.h"
#include "test_filters_support.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using effects::VintageStep;
using imagefilter::Bitmap;
using imagefilter::Value;
using imagefilter::Vector4;

using effectrecords::everyGateOn;

namespace {

effects::Look allOff()
{
    effects::Look r;
    r.setB_Instant(0);
    r.setB_Sepia(0);
    return r;
}

// The filter steps alone, without crops and transforms.
std::vector<VintageStep> filters(const effects::Look& r)
{
    std::vector<VintageStep> out;
    for (const VintageStep& s : effects::vintageGraph(r))
        if (s.op.rfind("CI", 0) == 0)
            out.push_back(s);
    return out;
}

std::vector<std::string> names(const std::vector<VintageStep>& steps)
{
    std::vector<std::string> out;
    for (const VintageStep& s : steps)
        out.push_back(s.op);
    return out;
}

const Value* input(const VintageStep& s, const std::string& key)
{
    for (const auto& [k, v] : s.inputs)
        if (k == key)
            return &v;
    return nullptr;
}

std::vector<std::string> keys(const VintageStep& s)
{
    std::vector<std::string> out;
    for (const auto& [k, v] : s.inputs)
        out.push_back(k);
    return out;
}

const std::vector<std::string> kNeutralTail = {"CIColorControls", "CIColorMatrix", "CIColorMatrix",
                                               "CIColorMatrix"};

TEST(VintageGraph, FreshRecordRunsInstantSepiaThenTheNeutralStages)
{
    const auto steps = filters(effects::Look());
    std::vector<std::string> expected = {"CIPhotoEffectInstant", "CISepiaTone"};
    expected.insert(expected.end(), kNeutralTail.begin(), kNeutralTail.end());
    ASSERT_EQ(names(steps), expected);
    // sepia keeps its default intensity: only the image is given
    EXPECT_EQ(keys(steps[1]), std::vector<std::string>{"inputImage"});
    EXPECT_EQ(input(steps[2], "inputBrightness")->number(), 0.0f);
    EXPECT_EQ(input(steps[2], "inputContrast")->number(), 1.0f);
    EXPECT_EQ(input(steps[2], "inputSaturation")->number(), 1.0f);
    // each balance pass sets only its own vector
    EXPECT_EQ(keys(steps[3]), (std::vector<std::string>{"inputImage", "inputRVector"}));
    EXPECT_EQ(input(steps[3], "inputRVector")->vector(), (Vector4{1, 0, 0, 0}));
    EXPECT_EQ(keys(steps[4]), (std::vector<std::string>{"inputImage", "inputGVector"}));
    EXPECT_EQ(input(steps[4], "inputGVector")->vector(), (Vector4{0, 1, 0, 0}));
    EXPECT_EQ(keys(steps[5]), (std::vector<std::string>{"inputImage", "inputBVector"}));
    EXPECT_EQ(input(steps[5], "inputBVector")->vector(), (Vector4{0, 0, 1, 0}));
    for (const VintageStep& s : steps)
        EXPECT_FALSE(s.keyByKey) << s.op; // all at once outside stage 12
}

TEST(VintageGraph, EveryGateOffOrOnRunsItsStagesInTheirFixedOrder)
{
    const std::vector<std::string> everyStage = {
        "CIPhotoEffectChrome", "CIPhotoEffectInstant", "CIPhotoEffectProcess", "CISepiaTone",
        "CIVignette", "CIColorControls", "CIGammaAdjust", "CIExposureAdjust", "CIColorMatrix",
        "CIColorMatrix", "CIColorMatrix",
        // grain and scratches
        "CIRandomGenerator", "CIColorMatrix", "CISourceOverCompositing", "CIColorMatrix",
        "CIMinimumComponent", "CIMultiplyCompositing", "CIHighlightShadowAdjust"};
    for (const auto& [look, stages] :
         {std::pair{allOff(), kNeutralTail}, {everyGateOn(), everyStage}})
        EXPECT_EQ(names(filters(look)), stages);
}

TEST(VintageGraph, StoredValuesAreScaledAsSinglePrecisionQuotients)
{
    effects::Look r = everyGateOn();
    r.setF_Red_Balance(0);
    r.setF_Green_Balance(200);
    r.setF_Blue_Balance(33);
    r.setF_Brightness(-7);
    r.setF_Contrast(130);
    r.setF_Saturation(0);
    const auto s = filters(r);
    EXPECT_EQ(input(s[4], "inputIntensity")->number(), 1.0f); // f_Vignetting 10
    EXPECT_EQ(input(s[4], "inputRadius")->number(), 1.5f);
    EXPECT_EQ(input(s[5], "inputBrightness")->number(), -7.0f / 100.0f);
    EXPECT_EQ(input(s[5], "inputContrast")->number(), 130.0f / 100.0f);
    EXPECT_EQ(input(s[5], "inputSaturation")->number(), 0.0f);
    EXPECT_EQ(input(s[6], "inputPower")->number(), 0.75f); // f_Gamma 75
    EXPECT_EQ(input(s[7], "inputEV")->number(), 0.5f);     // f_Exposure 50
    EXPECT_EQ(input(s[8], "inputRVector")->vector(), (Vector4{0, 0, 0, 0}));
    EXPECT_EQ(input(s[9], "inputGVector")->vector(), (Vector4{0, 2, 0, 0}));
    // the float quotient widened, not the double quotient
    EXPECT_EQ(input(s[10], "inputBVector")->vector()[2], double(33.0f / 100.0f));
    EXPECT_NE(input(s[10], "inputBVector")->vector()[2], 0.33);
    // f_Noise 50: speck alpha factor 0.0001 as a float
    EXPECT_EQ(input(s[12], "inputAVector")->vector(),
              (Vector4{0, double(50.0f / 500000.0f), 0, 0}));
    EXPECT_FLOAT_EQ(float(input(s[12], "inputAVector")->vector()[1]), 0.0001f);
    EXPECT_EQ(input(s[17], "inputHighlightAmount")->number(), 0.5f); // f_Light 50
    EXPECT_EQ(input(s[17], "inputShadowAmount")->number(), 0.5f);
}

TEST(VintageGraph, GrainAndScratchesAreBuiltKeyByKeyWithTheirExactInputs)
{
    const auto all = effects::vintageGraph(everyGateOn(), 64, 48);
    // Frame 0's offsets, drawn from the look's seed.
    const std::uint64_t seed = projector::frameSeed(everyGateOn().u_Seed(), 0);
    const int tx = int(projector::uniformDraw(seed, 0) * 100000),
              ty = int(projector::uniformDraw(seed, 1) * 100000);
    std::vector<VintageStep> grain;
    bool inGrain = false;
    for (const VintageStep& s : all) {
        inGrain = inGrain || s.op == "CIRandomGenerator";
        if (inGrain && s.op != "croppedTo")
            grain.push_back(s);
        if (s.op == "CIMultiplyCompositing")
            break;
    }
    ASSERT_EQ(names(grain),
              (std::vector<std::string>{"CIRandomGenerator", "translate", "CIColorMatrix",
                                        "CISourceOverCompositing", "scale", "CIColorMatrix",
                                        "CIMinimumComponent", "CIMultiplyCompositing"}));
    EXPECT_EQ(input(grain[1], "tx")->number(), float(tx));
    EXPECT_EQ(input(grain[1], "ty")->number(), float(ty));
    EXPECT_EQ(input(grain[4], "sx")->number(), 1.5f);
    EXPECT_EQ(input(grain[4], "sy")->number(), 25.0f);
    const VintageStep& specks = grain[2];
    EXPECT_EQ(keys(specks),
              (std::vector<std::string>{"inputImage", "inputRVector", "inputGVector",
                                        "inputBVector", "inputAVector", "inputBiasVector"}));
    for (const char* k : {"inputRVector", "inputGVector", "inputBVector"})
        EXPECT_EQ(input(specks, k)->vector(), (Vector4{0, 1, 0, 0}));
    EXPECT_EQ(input(specks, "inputBiasVector")->vector(), (Vector4{0, 0, 0, 0}));
    EXPECT_EQ(input(grain[3], "inputBackgroundImage")->toString(), "image(0,0,64x48)");
    const VintageStep& mask = grain[5];
    EXPECT_EQ(input(mask, "inputRVector")->vector(), (Vector4{4, 0, 0, 0}));
    for (const char* k : {"inputGVector", "inputBVector", "inputAVector"})
        EXPECT_EQ(input(mask, k)->vector(), (Vector4{0, 0, 0, 0}));
    EXPECT_EQ(input(mask, "inputBiasVector")->vector(), (Vector4{0, 1, 1, 1}));
    EXPECT_EQ(input(grain[7], "inputImage")->toString(), "image(infinite)");
    for (const VintageStep& s : grain) {
        if (s.op.rfind("CI", 0) == 0) {
            EXPECT_TRUE(s.keyByKey) << s.op;
        }
    }
}

TEST(VintageGraph, EveryStageIsCroppedBackToTheSourceExtent)
{
    const auto all = effects::vintageGraph(everyGateOn(), 37, 21);
    int crops = 0;
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (all[i].op != "croppedTo")
            continue;
        ++crops;
        EXPECT_EQ(all[i].inputs[0].second.vector(), (Vector4{0, 0, 37, 21}));
        EXPECT_TRUE(i > 0 && all[i - 1].op.rfind("CI", 0) == 0);
    }
    EXPECT_EQ(crops, 13); // 12 single-filter stages and the grain stage
    const std::string text = effects::describeVintageGraph(effects::Look(), 37, 21);
    EXPECT_EQ(text.substr(0, text.find('\n')), "CIPhotoEffectInstant inputImage=image(0,0,37x21)");
}

TEST(VintageGraph, FalseGatesIgnoreTheirValues)
{
    effects::Look changed;
    changed.setF_Gamma(10);
    changed.setF_Exposure(-300);
    changed.setF_Vignetting(90);
    changed.setF_Noise(4000);
    changed.setF_Light(100);
    EXPECT_EQ(effects::describeVintageGraph(changed),
              effects::describeVintageGraph(effects::Look()));
    const Bitmap pic = reference::ramp(40, 30);
    EXPECT_EQ(pictures::vintageImage(pic, changed), pictures::vintageImage(pic, effects::Look()));
}

// ---- rendered results ---------------------------------------------------------------

TEST(ImageVintage, ResultHasTheSourceSizeWhateverRuns)
{
    effects::Look noiseOnly = allOff();
    noiseOnly.setB_Noise(1);
    const effects::Look records[] = {effects::Look(), allOff(), everyGateOn(), noiseOnly};
    for (const auto& size :
         {std::pair{1, 1}, std::pair{7, 5}, std::pair{186, 105}, std::pair{3, 200}}) {
        const Bitmap pic = reference::ramp(size.first, size.second);
        for (const effects::Look& r : records) {
            const QImage out = pictures::vintageImage(pic, r);
            EXPECT_EQ(out.width(), size.first);
            EXPECT_EQ(out.height(), size.second);
            EXPECT_TRUE(out.format() == QImage::Format_ARGB32_Premultiplied ||
                        out.format() == QImage::Format_RGBA8888_Premultiplied);
        }
    }
    const QImage none = pictures::vintageImage(Bitmap{}, everyGateOn());
    EXPECT_TRUE(none.isNull());
    EXPECT_EQ(none.size(), QSize(0, 0));
}

// Frames' buffers are kept for later frames: one still held must keep its
// pixels while others are rendered, before and after frames are let go.
TEST(ImageVintage, HeldFramesKeepTheirPixelsWhileOthersAreRendered)
{
    const Bitmap pic = reference::ramp(64, 48);
    const QImage held = pictures::vintageImage(pic, everyGateOn());
    const QImage copy = held.copy();
    for (int i = 0; i < 4; ++i) {
        const QImage other = pictures::vintageImage(pic, i % 2 ? allOff() : effects::Look());
        EXPECT_NE(other.constBits(), held.constBits());
    }
    EXPECT_EQ(held, copy);
    EXPECT_EQ(pictures::vintageImage(pic, everyGateOn()), copy);
}

TEST(ImageVintage, NeutralRecordLeavesThePictureAsItIs)
{
    const Bitmap pic = reference::ramp(300, 4);
    const Bitmap out = pictures::bitmapFromImage(pictures::vintageImage(pic, allOff()));
    for (std::size_t i = 0; i < pic.pixels.size(); ++i)
        ASSERT_NEAR(out.pixels[i], pic.pixels[i], 1) << i;
}

TEST(ImageVintage, FreshRecordIsInstantThenSepia)
{
    const Bitmap pic = reference::ramp(17, 6);
    const Bitmap out = pictures::bitmapFromImage(pictures::vintageImage(pic, effects::Look()));
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 17; ++x) {
            reference::Rgb e;
            for (int c = 0; c < 3; ++c)
                e[c] = reference::pixel(pic, x, y)[c] / 255.0;
            const double ye = reference::luma(e);
            const double instant[3] = {0.08 + 0.90 * (ye + 0.75 * (e[0] - ye)),
                                       0.06 + 0.88 * (ye + 0.75 * (e[1] - ye)),
                                       0.05 + 0.80 * (ye + 0.75 * (e[2] - ye))};
            reference::Rgb lin;
            for (int c = 0; c < 3; ++c)
                lin[c] = reference::decode(instant[c]);
            const double yl = reference::luma(lin), tone[3] = {1.212, 0.969, 0.679};
            for (int c = 0; c < 3; ++c)
                ASSERT_NEAR(reference::pixel(out, x, y)[c], reference::to8(yl * tone[c]), 1)
                    << x << "," << y;
        }
}

TEST(ImageVintage, BalanceFactorsScaleTheirChannelWithoutClamping)
{
    effects::Look r = allOff();
    r.setF_Red_Balance(0);
    r.setF_Green_Balance(200);
    const Bitmap pic = reference::opaque(3, 2, [](int, int) {
        return std::array<int, 3>{200, 100, 60};
    });
    const Bitmap out = pictures::bitmapFromImage(pictures::vintageImage(pic, r));
    const std::uint8_t* p = reference::pixel(out, 1, 1);
    EXPECT_EQ(p[0], 0);
    EXPECT_EQ(p[1], reference::to8(2 * reference::decode(100 / 255.0)));
    EXPECT_EQ(p[2], 60);
}

TEST(ImageVintage, NoiseDiffersByFrameAndSeedButNeverByCall)
{
    const Bitmap pic = reference::ramp(120, 90);
    const effects::Look grainy = everyGateOn();
    effects::Look q = grainy;
    q.setB_Noise(0);
    effects::Look reseeded = grainy;
    reseeded.setU_Seed(grainy.u_Seed() + 1);
    const projector::FramePlace frame7{7, 25.0, 1.0}, frame8{8, 25.0, 1.0};
    EXPECT_EQ(pictures::vintageImage(pic, q, frame7), pictures::vintageImage(pic, q, frame8));
    EXPECT_EQ(pictures::vintageImage(pic, grainy, frame7),
              pictures::vintageImage(pic, grainy, frame7));
    EXPECT_NE(pictures::vintageImage(pic, grainy, frame7),
              pictures::vintageImage(pic, grainy, frame8));
    EXPECT_NE(pictures::vintageImage(pic, grainy, frame7),
              pictures::vintageImage(pic, reseeded, frame7));
}

TEST(ImageVintage, NoiseAmountZeroStillMultipliesTheScratchMask)
{
    const Bitmap pic = reference::ramp(200, 120);
    effects::Look off = allOff();
    effects::Look on = allOff();
    on.setB_Noise(1);
    on.setF_Noise(0);
    const Bitmap plain = pictures::bitmapFromImage(pictures::vintageImage(pic, off));
    const Bitmap grained = pictures::bitmapFromImage(pictures::vintageImage(pic, on));
    int darker = 0, brighter = 0;
    for (std::size_t i = 0; i < plain.pixels.size(); ++i) {
        if (i % 4 == 3)
            continue;
        darker += grained.pixels[i] < plain.pixels[i];
        brighter += grained.pixels[i] > plain.pixels[i];
    }
    EXPECT_GT(darker, 100); // scratches
    EXPECT_EQ(brighter, 0); // no specks at amount 0
}

TEST(ImageVintage, SameBytesAtOneTwoAndEightThreads)
{
    const Bitmap pic = reference::ramp(640, 360);
    const effects::Look r = everyGateOn();
    std::vector<QImage> results;
    for (int threads : {1, 2, 8}) {
        imagefilter::Context::setDefaultThreadCount(threads);
        results.push_back(pictures::vintageImage(pic, r));
    }
    imagefilter::Context::setDefaultThreadCount(0);
    EXPECT_EQ(results[0], results[1]);
    EXPECT_EQ(results[0], results[2]);
}

TEST(Conversions, KeepThePixelsAndTheSize)
{
    const Bitmap pic = reference::ramp(9, 4);
    const QImage image = pictures::imageFromBitmap(pic);
    EXPECT_EQ(image.size(), QSize(9, 4));
    EXPECT_EQ(pictures::bitmapFromImage(image).pixels, pic.pixels);
    EXPECT_TRUE(pictures::bitmapFromImage(QImage()).isNull());
    EXPECT_TRUE(pictures::imageFromBitmap(Bitmap{}).isNull());
    QImage rgb(2, 1, QImage::Format_RGB32);
    rgb.setPixel(0, 0, qRgb(10, 20, 30));
    rgb.setPixel(1, 0, qRgb(200, 100, 0));
    const Bitmap b = pictures::bitmapFromImage(rgb);
    EXPECT_EQ(b.pixels, (std::vector<std::uint8_t>{10, 20, 30, 255, 200, 100, 0, 255}));
    // Premultiplied ARGB words, as the painter draws them, give the same bytes
    // as their conversion to the bitmap's own layout.
    QImage argb(3, 2, QImage::Format_ARGB32_Premultiplied);
    argb.fill(qPremultiply(qRgba(120, 60, 30, 128)));
    argb.setPixel(2, 1, qRgba(0, 0, 0, 0));
    EXPECT_EQ(pictures::bitmapFromImage(argb).pixels,
              pictures::bitmapFromImage(argb.convertToFormat(QImage::Format_RGBA8888_Premultiplied))
                  .pixels);
}

// The chain renders into any memory; the Qt image holds exactly those bytes,
// whatever was in the memory before (the gate's and the weave's edges too).
TEST(Conversions, TheImageHoldsTheChainsBytesInWhateverMemory)
{
    const Bitmap pic = reference::ramp(97, 41);
    const effects::Look gated = effectrecords::everyGateAndProjectorEffectOn();
    for (const effects::Look& look : {allOff(), everyGateOn(), gated}) {
        std::vector<std::uint8_t> pixels(pic.pixels.size(), 0xab);
        effects::renderVintage(pic, look, {5, 24.0, 1.0}, pixels.data(), 97 * 4);
        EXPECT_EQ(
            pictures::bitmapFromImage(pictures::vintageImage(pic, look, {5, 24.0, 1.0})).pixels,
            pixels);
    }
}

TEST(Conversions, BgraRenderSwapsRedAndBlueAndNothingElse)
{
    // The chain renders into Qt's native ARGB words; every byte must be the
    // RGBA render's with red and blue exchanged, translucent pixels included.
    Bitmap pic = reference::ramp(301, 5);
    for (std::size_t i = 3; i < pic.pixels.size(); i += 4 * 7) {
        pic.pixels[i] = 128; // some translucent pixels (premultiplied)
        pic.pixels[i - 1] = std::min<std::uint8_t>(pic.pixels[i - 1], 128);
        pic.pixels[i - 2] = std::min<std::uint8_t>(pic.pixels[i - 2], 128);
        pic.pixels[i - 3] = std::min<std::uint8_t>(pic.pixels[i - 3], 128);
    }
    auto sepia = imagefilter::Filter::named("CISepiaTone",
                                            {{"inputImage", imagefilter::Image::fromBitmap(pic)}});
    const imagefilter::Image image = sepia->outputImage();
    imagefilter::Context rgbaContext;
    imagefilter::Context bgraContext;
    bgraContext.setByteOrder(imagefilter::Context::ByteOrder::Bgra);
    const Bitmap rgba = rgbaContext.render(image, image.extent());
    const Bitmap bgra = bgraContext.render(image, image.extent());
    ASSERT_EQ(rgba.pixels.size(), bgra.pixels.size());
    for (std::size_t i = 0; i < rgba.pixels.size(); i += 4) {
        ASSERT_EQ(rgba.pixels[i + 0], bgra.pixels[i + 2]) << i;
        ASSERT_EQ(rgba.pixels[i + 1], bgra.pixels[i + 1]) << i;
        ASSERT_EQ(rgba.pixels[i + 2], bgra.pixels[i + 0]) << i;
        ASSERT_EQ(rgba.pixels[i + 3], bgra.pixels[i + 3]) << i;
    }
}

} // namespace
