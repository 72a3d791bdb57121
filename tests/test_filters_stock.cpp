// Film stocks: the Cube file parser, the look-up table against a
// double-precision evaluation, its mix by strength, and its place in the chain.
#include "effects/VintageChain.h"
#include "imagefilter/ColourCube.h"
#include "pictures/VintageImage.h"
#include "stock/CubeCache.h"
#include "stock/CubeFile.h"
#include "test_filters_support.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <unistd.h>

namespace {

using imagefilter::ColourCube;
using Rgb = std::array<double, 3>;
using Formula = std::function<Rgb(double, double, double)>;

// The text of a Cube file whose entries are `f` at the grid's points.
std::string cubeText(int size, const Formula& f, const std::string& header = "")
{
    std::string text = header + "LUT_3D_SIZE " + std::to_string(size) + "\n";
    char line[96];
    for (int b = 0; b < size; ++b)
        for (int g = 0; g < size; ++g)
            for (int r = 0; r < size; ++r) {
                const double d = size - 1;
                const Rgb v = f(r / d, g / d, b / d);
                std::snprintf(line, sizeof line, "%.9g %.9g %.9g\n", v[0], v[1], v[2]);
                text += line;
            }
    return text;
}

Rgb identity(double r, double g, double b)
{
    return {r, g, b};
}

// Smooth, non-linear and mixing the channels.
Rgb curved(double r, double g, double b)
{
    return {g * g, std::sqrt(r) * b, 0.5 * (r + b) * (r + b) - 0.1};
}

// The 3-D table in double precision, written from the definition: the unit
// cell's corners on the path from (0,0,0) to (1,1,1) that takes the largest
// fraction's axis first, weighted by the sorted fractions' differences.
Rgb tetrahedralReference(const ColourCube& cube, const Rgb& in)
{
    const int n = cube.size;
    int base[3];
    std::array<std::pair<double, int>, 3> fractions;
    for (int c = 0; c < 3; ++c) {
        const double lo = cube.domainMin[c], hi = cube.domainMax[c];
        const double t = (std::clamp(in[c], lo, hi) - lo) / (hi - lo) * (n - 1);
        base[c] = std::min(int(t), n - 2);
        fractions[c] = {t - base[c], c};
    }
    std::sort(fractions.begin(), fractions.end(), std::greater<>());
    const auto entry = [&](const int(&at)[3]) {
        const std::size_t i = 3 * (at[0] + std::size_t(n) * (at[1] + std::size_t(n) * at[2]));
        return Rgb{cube.values[i], cube.values[i + 1], cube.values[i + 2]};
    };
    int at[3] = {base[0], base[1], base[2]};
    Rgb previous = entry(at), out = previous;
    for (int k = 0; k < 3; ++k) {
        ++at[fractions[k].second];
        const Rgb next = entry(at);
        for (int c = 0; c < 3; ++c)
            out[c] += fractions[k].first * (next[c] - previous[c]);
        previous = next;
    }
    return out;
}

std::shared_ptr<const ColourCube> parsed(const std::string& text)
{
    const stock::CubeText result = stock::parseCube(text);
    EXPECT_EQ(result.error, "");
    return result.cube;
}

TEST(CubeFile, ReadsSizesDomainsAndCommentsAndNamesTheLineOfEachFault)
{
    for (int size : {2, 17, 33, 65}) {
        const auto cube = parsed(cubeText(size, curved));
        ASSERT_TRUE(cube) << size;
        EXPECT_TRUE(cube->threeD && cube->size == size && cube->isUsable());
        // Red's index changes fastest: entry (1, 0, 0) is the second line.
        const double step = 1.0 / (size - 1);
        EXPECT_FLOAT_EQ(cube->values[3 + 1], float(curved(step, 0, 0)[1]));
        EXPECT_FLOAT_EQ(cube->values.back(), float(curved(1, 1, 1)[2]));
    }

    const std::string header = "# made by hand\r\nTITLE \"Warm # print\"\r\n\r\n"
                               "DOMAIN_MIN -0.5 0 0.25\nDOMAIN_MAX 1.5 2 +1e0\n  # indented\n";
    const stock::CubeText withHeader = stock::parseCube(cubeText(2, identity, header) + "\n\n");
    ASSERT_EQ(withHeader.error, "");
    EXPECT_EQ(withHeader.title, "Warm # print");
    EXPECT_EQ(withHeader.cube->domainMin[0], -0.5f);
    EXPECT_EQ(withHeader.cube->domainMax[1], 2.0f);
    EXPECT_EQ(withHeader.cube->domainMin[2], 0.25f);
    const auto ranged =
        parsed("LUT_3D_INPUT_RANGE 0 4\nLUT_IN_VIDEO_RANGE\n" + cubeText(2, identity));
    EXPECT_EQ(ranged->domainMax[1], 4.0f);

    const auto curves = parsed("LUT_1D_SIZE 3\n0 0 1\n0.25 0.5 0.5\n1 1 0\n");
    ASSERT_TRUE(curves);
    EXPECT_FALSE(curves->threeD);
    EXPECT_EQ(curves->size, 3);
    EXPECT_TRUE(parsed("LUT_1D_SIZE 65536\n" + [] {
        std::string t;
        for (int i = 0; i < 65536; ++i)
            t += "0 0 0\n";
        return t;
    }()));

    const std::string eight = "0 0 0\n1 0 0\n0 1 0\n1 1 0\n0 0 1\n1 0 1\n0 1 1\n1 1 1\n";
    const struct
    {
        std::string text;
        const char* error;
    } bad[] = {
        {"LUT_3D_SIZE 2\n0 0 0\n1 0\n", "line 3: expected three numbers"},
        {"LUT_3D_SIZE 2\n0 0 0\n1 0 0 0\n", "line 3: expected three numbers"},
        {"LUT_3D_SIZE 2\n0 0 0\n1 0 x\n", "line 3: expected three numbers"},
        {"LUT_3D_SIZE 2\n0 nan 0\n", "line 2: \"nan\" is not a finite number"},
        {"LUT_3D_SIZE 2\n0 0 1e999\n", "line 2: \"1e999\" is not a finite number"},
        {"LUT_3D_SIZE 2\n" + eight.substr(0, 42),
         "line 8: the file ends after 7 data lines; LUT_3D_SIZE 2 takes 8"},
        {"LUT_3D_SIZE 2\n" + eight + "0 0 0\n",
         "line 10: more than the 8 data lines LUT_3D_SIZE 2 takes"},
        {"LUT_3D_SIZE 1\n", "line 1: LUT_3D_SIZE must be a whole number from 2 to 65"},
        {"LUT_3D_SIZE 66\n", "line 1: LUT_3D_SIZE must be a whole number from 2 to 65"},
        {"LUT_3D_SIZE 2.5\n", "line 1: LUT_3D_SIZE must be a whole number from 2 to 65"},
        {"LUT_1D_SIZE 65537\n", "line 1: LUT_1D_SIZE must be a whole number from 2 to 65536"},
        {"LUT_1D_SIZE 2\n# both\nLUT_3D_SIZE 2\n",
         "line 3: both LUT_1D_SIZE and LUT_3D_SIZE given"},
        {"LUT_3D_SIZE 2\nLUT_3D_SIZE 2\n", "line 2: LUT_3D_SIZE given twice"},
        {"DOMAIN_MIN 0 0.5 0\nDOMAIN_MAX 1 0.5 1\nLUT_3D_SIZE 2\n" + eight,
         "line 2: DOMAIN_MIN must be below DOMAIN_MAX in every channel"},
        {"LUT_1D_SIZE 2\nDOMAIN_MIN -3e38 0 0\nDOMAIN_MAX 3e38 1 1\n0 0 0\n1 1 1\n",
         "line 3: DOMAIN_MIN must be below DOMAIN_MAX in every channel"},
        {"DOMAIN_MIN 0 0\n", "line 1: DOMAIN_MIN takes three numbers"},
        {"LUT_3D_SIZE 2\n0 0 0\nTITLE \"late\"\n", "line 3: keyword TITLE after the data"},
        {"0 0 0\n", "line 1: data before LUT_1D_SIZE or LUT_3D_SIZE"},
        {"# nothing\n", "line 1: no LUT_1D_SIZE or LUT_3D_SIZE"},
        {"", "line 1: no LUT_1D_SIZE or LUT_3D_SIZE"},
    };
    for (const auto& b : bad) {
        const stock::CubeText result = stock::parseCube(b.text);
        EXPECT_EQ(result.error, b.error) << b.text;
        EXPECT_FALSE(result.cube) << b.text;
    }
}

TEST(CubeFile, FilesAreReadOnceUntilTheyChangeAndBadOnesSayWhy)
{
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("oldreel-cube-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "look.cube").string();
    const auto write = [&](const std::string& text) { std::ofstream(path) << text; };

    write(cubeText(2, identity));
    const stock::LoadedCube first = stock::loadCube(path);
    ASSERT_TRUE(first.cube);
    EXPECT_TRUE(first.read);
    const stock::LoadedCube again = stock::loadCube(path);
    EXPECT_FALSE(again.read);
    EXPECT_EQ(again.cube, first.cube);

    write(cubeText(3, identity)); // another size: read again
    const stock::LoadedCube changed = stock::loadCube(path);
    EXPECT_TRUE(changed.read);
    EXPECT_EQ(changed.cube->size, 3);

    EXPECT_EQ(stock::loadCube((dir / "none.cube").string()).error, "the file does not exist");
    EXPECT_FALSE(stock::loadCube((dir / "none.cube").string()).read); // said once
    EXPECT_EQ(stock::readCubeFile(dir.string()).error, "it is not a plain file");
    std::filesystem::remove_all(dir);
}

TEST(ColourCube, MatchesADoublePrecisionLookUpAndMixesByStrength)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<double> unit(-0.2, 1.2); // some outside the domain
    const auto cube = parsed(cubeText(9, curved));
    const auto same = parsed(cubeText(5, identity));
    ASSERT_TRUE(cube && same);
    double worst = 0, worstIdentity = 0;
    for (int i = 0; i < 4000; ++i) {
        const Rgb in{unit(random), unit(random), unit(random)};
        const float inF[3] = {float(in[0]), float(in[1]), float(in[2])};
        float out[3], kept[3];
        cube->lookUp(inF, out);
        same->lookUp(inF, kept);
        const Rgb want = tetrahedralReference(*cube, {inF[0], inF[1], inF[2]});
        for (int c = 0; c < 3; ++c) {
            worst = std::max(worst, std::abs(double(out[c]) - want[c]));
            worstIdentity =
                std::max(worstIdentity, double(std::abs(kept[c] - std::clamp(inF[c], 0.f, 1.f))));
        }
    }
    EXPECT_LT(worst, 1e-5);
    EXPECT_LT(worstIdentity, 1e-6);
    // At the grid's points the table is its own formula; NaN takes the low end.
    const float point[3] = {0.25f, 0.75f, 0.5f}, nan[3] = {NAN, 0, 0}, low[3] = {0, 0, 0};
    float out[3], atLow[3];
    cube->lookUp(point, out);
    const Rgb want = curved(0.25, 0.75, 0.5);
    for (int c = 0; c < 3; ++c)
        EXPECT_NEAR(out[c], want[c], 1e-6);
    cube->lookUp(nan, out);
    cube->lookUp(low, atLow);
    EXPECT_EQ(std::vector<float>(out, out + 3), std::vector<float>(atLow, atLow + 3));

    // 1-D curves: linear between entries.
    const auto curves = parsed("LUT_1D_SIZE 3\n0 0 1\n0.25 0.5 0.5\n1 1 0\n");
    const float quarter[3] = {0.25f, 0.75f, 2.0f};
    curves->lookUp(quarter, out);
    EXPECT_FLOAT_EQ(out[0], 0.125f);
    EXPECT_FLOAT_EQ(out[1], 0.75f);
    EXPECT_FLOAT_EQ(out[2], 0.0f);

    // Rendered: on encoded values, mixed by strength, within one 8-bit step.
    const imagefilter::Bitmap ramp = reference::ramp(256, 64);
    for (float strength : {0.0f, 0.6f, 1.0f}) {
        const imagefilter::Bitmap got =
            reference::render(imagefilter::withColourCube(reference::source(ramp), cube, strength));
        int off = 0;
        for (int y = 0; y < ramp.height; ++y)
            for (int x = 0; x < ramp.width; ++x) {
                const std::uint8_t* p = reference::pixel(ramp, x, y);
                const Rgb in{p[0] / 255.0, p[1] / 255.0, p[2] / 255.0};
                const Rgb table = tetrahedralReference(*cube, in);
                for (int c = 0; c < 3; ++c) {
                    const double mixed = in[c] + strength * (table[c] - in[c]);
                    const int want8 = int(std::lround(std::clamp(mixed, 0.0, 1.0) * 255));
                    off += std::abs(reference::pixel(got, x, y)[c] - want8) > 1;
                }
            }
        EXPECT_EQ(off, 0) << strength;
        if (strength == 0.0f) {
            EXPECT_EQ(got.pixels, ramp.pixels);
        }
    }
}

TEST(ColourCube, TheStockComesAfterTheColourBalanceAndAnUnreadableOneIsLeftOut)
{
    const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                       ("oldreel-stock-" + std::to_string(::getpid()) + ".cube");
    std::ofstream(path) << cubeText(2, [](double r, double g, double b) { return Rgb{b, g, r}; });
    effects::Look look;
    look.setB_Noise(1);
    EXPECT_EQ(effects::describeVintageGraph(look).find("filmStock"), std::string::npos);
    look.setS_Stock(path.string());
    look.setF_Stock_Strength(60);
    const std::string graph = effects::describeVintageGraph(look);
    const std::size_t stockAt = graph.find("filmStock strength=60");
    ASSERT_NE(stockAt, std::string::npos) << graph;
    // After the colour balance's last pass, before the grain.
    EXPECT_LT(graph.find("inputBVector"), stockAt);
    EXPECT_LT(stockAt, graph.find("CIRandomGenerator"));

    const imagefilter::Bitmap frame = reference::ramp(64, 32);
    effects::Look plain = look;
    plain.setS_Stock("");
    const QImage without = pictures::vintageImage(frame, plain);
    EXPECT_NE(pictures::vintageImage(frame, look), without);
    look.setF_Stock_Strength(0);
    EXPECT_EQ(pictures::vintageImage(frame, look), without);
    look.setF_Stock_Strength(60);
    std::filesystem::remove(path);
    EXPECT_EQ(pictures::vintageImage(frame, look), without);
}

} // namespace
