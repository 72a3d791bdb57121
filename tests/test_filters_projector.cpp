// The projector's effects, by their measurable traits: the weave stays
// within its bounds and moves smoothly, flicker spreads as far as its
// strength, cadence holds frames, the gate has its shape, halation glows red
// only around highlights, grain grows with the picture's height; and one
// frame renders the same bytes at any thread count.
#include "imagefilter/Context.h"
#include "pictures/VintageImage.h"
#include "projector/Cadence.h"
#include "projector/Grain.h"
#include "projector/Motion.h"
#include "support/EffectRecords.h"
#include "test_filters_support.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <set>

namespace {

using imagefilter::Bitmap;

effects::Look plainLook()
{
    effects::Look look;
    look.setB_Instant(0);
    look.setB_Sepia(0);
    return look;
}

Bitmap filled(int w, int h, std::uint8_t value)
{
    Bitmap b{w, h, std::vector<std::uint8_t>(std::size_t(w) * h * 4, value)};
    for (std::size_t i = 3; i < b.pixels.size(); i += 4)
        b.pixels[i] = 255;
    return b;
}

const std::uint8_t* at(const QImage& image, int x, int y)
{
    return image.constScanLine(y) + 4 * x; // B, G, R, A on this machine's byte order
}

int red(const QImage& image, int x, int y)
{
    return qRed(image.pixel(x, y));
}

} // namespace

TEST(Projector, WeaveAndFlickerStayInBoundsAndMoveAsFilmDoes)
{
    for (const double rate : {24.0, 29.97, 59.94}) {
        double most[3] = {}, largestStep = 0, flickerSum = 0, flickerSquares = 0;
        projector::Weave previous;
        const int frames = int(rate * 10);
        for (int n = 0; n < frames; ++n) {
            const projector::FramePlace place{n, rate, 1.0};
            const projector::Weave w = projector::weaveAt(100, 1, place);
            ASSERT_LE(std::abs(w.dx), 0.006);
            ASSERT_LE(std::abs(w.dy), 0.010);
            ASSERT_LE(std::abs(w.degrees), 0.3);
            most[0] = std::max(most[0], std::abs(w.dx));
            most[1] = std::max(most[1], std::abs(w.dy));
            most[2] = std::max(most[2], std::abs(w.degrees));
            if (n > 0) // smooth: a frame moves a small part of the whole range
                largestStep = std::max(largestStep, std::abs(w.dy - previous.dy) / 0.010);
            previous = w;
            const double stops = projector::flickerStops(40, 1, place);
            ASSERT_LE(std::abs(stops), 0.4);
            flickerSum += stops;
            flickerSquares += stops * stops;
        }
        EXPECT_GT(most[0], 0.003) << rate; // it does drift over ten seconds
        EXPECT_GT(most[1], 0.005) << rate;
        EXPECT_GT(most[2], 0.1) << rate;
        EXPECT_LT(largestStep, 30.0 / rate) << rate;
        const double mean = flickerSum / frames;
        const double spread = std::sqrt(flickerSquares / frames - mean * mean);
        EXPECT_GT(spread, 0.08) << rate;
        EXPECT_LT(std::abs(mean), 0.1) << rate;
        EXPECT_EQ(projector::flickerStops(0, 1, {5, rate, 1.0}), 0.0);
    }
    // The frame's edges never show: a white frame in a one-pixel black ring
    // comes out white to its border (the weave's zoom hides the ring).
    effects::Look weaving = plainLook();
    weaving.setB_Weave(1);
    weaving.setF_Weave(100);
    constexpr int w = 640, h = 360;
    Bitmap ringed = filled(w, h, 255);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (x == 0 || y == 0 || x == w - 1 || y == h - 1)
                std::fill_n(ringed.pixels.begin() + (std::size_t(y) * w + x) * 4, 3, 0);
    for (long long n = 0; n < 240; n += 17) {
        const QImage out = pictures::vintageImage(ringed, weaving, {n, 24.0, 1.0});
        int darkest = 255;
        for (int i = 0; i < w; ++i)
            darkest = std::min({darkest, red(out, i, 0), red(out, i, h - 1)});
        for (int i = 0; i < h; ++i)
            darkest = std::min({darkest, red(out, 0, i), red(out, w - 1, i)});
        ASSERT_GT(darkest, 250) << "frame " << n;
    }
}

TEST(Projector, CadenceHoldsFramesAndKeepsTheRate)
{
    struct Row
    {
        double rate;
        int crank;
        std::vector<long long> shown; // frames 0, 1, 2, ...
    };
    const Row rows[] = {
        {30.0, 18, {0, 0, 2, 2, 4, 5, 5, 7, 7, 9, 10, 10}},
        {24.0, 16, {0, 0, 2, 3, 3, 5, 6, 6, 8}},
        {25.0, 24, {0, 0, 2, 3, 4, 5, 6, 7, 8, 9, 10}}, // one frame held a second
        {24.0, 24, {0, 1, 2, 3}},
        {15.0, 18, {0, 1, 2, 3}},
        {30.0, 0, {0, 1, 2, 3}},
    };
    for (const Row& row : rows)
        for (std::size_t n = 0; n < row.shown.size(); ++n)
            EXPECT_EQ(projector::heldFrame((long long)n, row.rate, row.crank), row.shown[n])
                << row.rate << " at " << row.crank << ", frame " << n;
    // Over a minute at 29.97 the motion steps 18 times a second.
    std::set<long long> steps;
    for (long long n = 0; n < 1798; ++n)
        steps.insert(projector::heldFrame(n, 30000.0 / 1001, 18));
    EXPECT_NEAR(double(steps.size()), 18 * 60.0, 1.0);

    // A stream that starts inside a step holds its first frame, and held
    // frames render the same bytes.
    projector::CadenceHold hold(30.0, 18);
    const Bitmap a = filled(8, 8, 40), b = filled(8, 8, 200);
    const auto first = hold.show(3, a); // frame 3 lies in the step of frame 2
    EXPECT_EQ(first.number, 2);
    EXPECT_EQ(first.picture->pixels, a.pixels);
    EXPECT_EQ(hold.show(5, b).picture->pixels, b.pixels); // frame 5 starts a step
    const auto held = hold.show(6, a);
    EXPECT_EQ(held.number, 5);
    EXPECT_EQ(held.picture->pixels, b.pixels);
}

TEST(Projector, GateHalationAndGrainSizeHaveTheirShapes)
{
    // The 1.37 gate on a 16:9 frame: full height, 1.37 wide, black beside it,
    // corners rounded.
    effects::Look gated = plainLook();
    gated.setI_Gate(2);
    const QImage g = pictures::vintageImage(filled(320, 180, 255), gated);
    const int gateWidth = int(180 * 1.37); // 246, so 37 black columns each side
    EXPECT_EQ(red(g, 0, 90), 0);
    EXPECT_EQ(red(g, 160 - gateWidth / 2 - 2, 90), 0);
    EXPECT_EQ(red(g, 160 - gateWidth / 2 + 3, 90), 255);
    EXPECT_EQ(red(g, 160, 1), 255);                   // the gate's top edge is the frame's
    EXPECT_EQ(red(g, 160 - gateWidth / 2 + 1, 1), 0); // a rounded corner
    EXPECT_EQ(at(g, 0, 90)[3], 255);                  // black, not transparent
    effects::Look wide = plainLook();
    wide.setI_Gate(4); // 1.85 on a 4:3 frame: full width, bars above and below
    const QImage w = pictures::vintageImage(filled(240, 180, 255), wide);
    EXPECT_EQ(red(w, 120, 5), 0);
    EXPECT_EQ(red(w, 120, 90), 255);
    EXPECT_EQ(red(w, 120, 174), 0);

    // Halation: a white spot on grey glows red-orange around it; grey below
    // the highlights gets nothing.
    effects::Look glowing = plainLook();
    glowing.setB_Halation(1);
    glowing.setF_Halation(100);
    Bitmap spot = filled(320, 180, 90);
    for (int y = 80; y < 100; ++y)
        for (int x = 150; x < 170; ++x)
            std::fill_n(spot.pixels.begin() + (std::size_t(y) * 320 + x) * 4, 3, 255);
    const QImage plain = pictures::vintageImage(spot, plainLook());
    const QImage h = pictures::vintageImage(spot, glowing);
    const QRgb near = h.pixel(175, 90), nearPlain = plain.pixel(175, 90);
    EXPECT_GT(qRed(near) - qRed(nearPlain), 8);
    EXPECT_GT(qRed(near) - qRed(nearPlain), 2 * (qGreen(near) - qGreen(nearPlain)));
    EXPECT_GE(qGreen(near) - qGreen(nearPlain), qBlue(near) - qBlue(nearPlain));
    EXPECT_EQ(h.pixel(20, 20), plain.pixel(20, 20));
    EXPECT_EQ(pictures::vintageImage(filled(64, 36, 150), glowing),
              pictures::vintageImage(filled(64, 36, 150), plainLook()));

    // Grain size: pixels per grain at 1080 lines, scaled with the height.
    struct Size
    {
        int size, height;
        double scale;
    } sizes[] = {{1, 2160, 1.0}, {2, 1080, 2.0}, {2, 720, 4.0 / 3}, {4, 2160, 8.0}, {3, 240, 1.0}};
    for (const Size& s : sizes)
        EXPECT_DOUBLE_EQ(projector::grainScaleFor(s.size, s.height), s.scale) << s.size;
}

TEST(Projector, AFrameRendersTheSameBytesAtAnyThreadCount)
{
    const Bitmap pic = reference::ramp(480, 270);
    const effects::Look look = effectrecords::everyGateAndProjectorEffectOn();
    const projector::FramePlace place{37, 29.97, 1.0};
    std::vector<QImage> results;
    for (int threads : {1, 2, 5}) {
        imagefilter::Context::setDefaultThreadCount(threads);
        results.push_back(pictures::vintageImage(pic, look, place));
    }
    imagefilter::Context::setDefaultThreadCount(0);
    EXPECT_EQ(results[0], results[1]);
    EXPECT_EQ(results[0], results[2]);
    EXPECT_NE(results[0], pictures::vintageImage(pic, look, {38, 29.97, 1.0}));
}
