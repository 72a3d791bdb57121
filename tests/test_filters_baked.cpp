// Colour runs baked into 3-D tables against the exact kernels, on a real
// photograph: every preset and every gate, with and without a film stock,
// within one 8-bit level per channel, a quarter level on average. By default
// only the runs holding a stock are baked.

#include "effects/PresetTable.h"
#include "imagefilter/ColourLut.h"
#include "imagefilter/Context.h"
#include "pictures/VintageImage.h"
#include "support/EffectRecords.h"
#include "test_filters_support.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int kWidth = 960, kHeight = 540;

// Wood.jpg from Debian's mate-backgrounds (fetched with apt-get download and
// unpacked, not installed, as bench/export_quality.sh does), as raw RGBA at
// 960 x 540. Kept in the temporary folder for later runs; a null bitmap
// when the package or ffmpeg cannot be had.
imagefilter::Bitmap photograph()
{
    const fs::path dir = fs::temp_directory_path() / "oldreel-test-photograph";
    const fs::path raw = dir / "wood-960x540.rgba";
    if (!fs::exists(raw)) {
        // Each process in a folder of its own, the result renamed into place,
        // so that two runs at once do not meet.
        const fs::path work = dir / ("work." + std::to_string(::getpid()));
        fs::create_directories(work);
        const std::string command = "cd '" + work.string() +
                                    "' && apt-get download mate-backgrounds >/dev/null 2>&1"
                                    " && dpkg-deb -x mate-backgrounds_*.deb pkg"
                                    " && ffmpeg -nostdin -loglevel error -y -i "
                                    "pkg/usr/share/backgrounds/mate/nature/Wood.jpg"
                                    " -vf scale=960:540 -f rawvideo -pix_fmt rgba photo.rgba";
        if (std::system(command.c_str()) == 0)
            fs::rename(work / "photo.rgba", raw);
        fs::remove_all(work);
    }
    imagefilter::Bitmap b;
    std::ifstream in(raw, std::ios::binary);
    if (!in)
        return b;
    std::vector<std::uint8_t> bytes(std::size_t(kWidth) * kHeight * 4);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(bytes.size())))
        return b;
    b.width = kWidth;
    b.height = kHeight;
    b.pixels = std::move(bytes);
    return b;
}

using Tables = imagefilter::Context::BakedColour;

QImage rendered(const imagefilter::Bitmap& photo, const effects::Look& look, Tables tables,
                int frame = 12)
{
    const Tables before = imagefilter::Context::bakedColourMode();
    imagefilter::Context::setBakedColour(tables);
    QImage out = pictures::vintageImage(photo, look, {frame, 24.0, 1.0});
    imagefilter::Context::setBakedColour(before);
    return out;
}

// A 17³ Cube file of f at the grid's points, in the temporary folder.
std::string cubeFile(const std::string& name, double (*f)(double, double, double, int))
{
    const std::string path =
        (fs::temp_directory_path() / ("oldreel-baked-" + std::to_string(::getpid()) + name))
            .string();
    std::ofstream out(path);
    out << "LUT_3D_SIZE 17\n";
    for (int b = 0; b < 17; ++b)
        for (int g = 0; g < 17; ++g)
            for (int r = 0; r < 17; ++r)
                out << f(r / 16.0, g / 16.0, b / 16.0, 0) << ' '
                    << f(r / 16.0, g / 16.0, b / 16.0, 1) << ' '
                    << f(r / 16.0, g / 16.0, b / 16.0, 2) << '\n';
    return path;
}

// The largest and the mean difference of the colour bytes; alpha must match.
struct Difference
{
    int worst = 0;
    double mean = 0;
};

Difference difference(const QImage& exact, const QImage& baked)
{
    EXPECT_EQ(exact.size(), baked.size());
    EXPECT_EQ(exact.format(), baked.format());
    Difference d;
    double sum = 0;
    long count = 0, alphas = 0;
    for (int y = 0; y < std::min(exact.height(), baked.height()); ++y) {
        const std::uint8_t* e = exact.constScanLine(y);
        const std::uint8_t* b = baked.constScanLine(y);
        for (int i = 0; i < std::min(exact.width(), baked.width()) * 4; ++i) {
            if (i % 4 == 3) {
                alphas += e[i] != b[i];
                continue;
            }
            const int level = std::abs(int(e[i]) - int(b[i]));
            d.worst = std::max(d.worst, level);
            sum += level;
            ++count;
        }
    }
    EXPECT_EQ(alphas, 0);
    d.mean = count ? sum / double(count) : 0.0;
    return d;
}

TEST(BakedColour, EveryPresetAndEveryGateStayWithinALevelOfTheExactChain)
{
    const imagefilter::Bitmap photo = photograph();
    if (photo.isNull())
        GTEST_SKIP() << "no photograph: apt-get download mate-backgrounds or ffmpeg failed";
    // Two stocks of one size: a warm print curve and a cool cross-process
    // that mixes the channels. Were two tables ever given one key, the second
    // would be rendered from the first's baked run and miss its exact chain.
    const std::string warm = cubeFile("-warm.cube", [](double r, double g, double b, int c) {
        const double v[3] = {std::pow(r, 0.8) * 0.95 + 0.04, g * (1.1 - 0.15 * g),
                             0.85 * b * b + 0.05};
        return v[c];
    });
    const std::string cool = cubeFile("-cool.cube", [](double r, double g, double b, int c) {
        const double v[3] = {0.7 * r * r + 0.1 * b, std::sqrt(g) * 0.9 + 0.05 * r,
                             0.6 * b + 0.3 * g};
        return v[c];
    });
    const auto withStock = [](effects::Look look, const std::string& path, float strength) {
        look.setS_Stock(path);
        look.setF_Stock_Strength(strength);
        return look;
    };
    struct Row
    {
        std::string name;
        effects::Look look;
        bool stock;
    };
    std::vector<Row> rows;
    const auto presets = effects::presetLooks();
    for (std::size_t i = 0; i < presets.size(); ++i)
        rows.push_back({"preset " + std::to_string(i), presets[i], false});
    rows.push_back({"every gate", effectrecords::everyGateOn(), false});
    rows.push_back(
        {"every gate, warm stock", withStock(effectrecords::everyGateOn(), warm, 60), true});
    rows.push_back(
        {"every gate, cool stock", withStock(effectrecords::everyGateOn(), cool, 60), true});
    rows.push_back({"projector, warm stock at 80 % (over the halation)",
                    withStock(effectrecords::everyGateAndProjectorEffectOn(), warm, 80), true});
    int differing = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QImage exact = rendered(photo, row.look, Tables::Never);
        // By default only a run holding a stock is baked (its table new to
        // the process here), and no other run changes.
        const long bakes = imagefilter::detail::ColourLut::bakes();
        const Difference byDefault =
            difference(exact, rendered(photo, row.look, Tables::WherePaying));
        EXPECT_EQ(imagefilter::detail::ColourLut::bakes() > bakes, row.stock);
        EXPECT_LE(byDefault.worst, row.stock ? 1 : 0);
        EXPECT_LE(byDefault.mean, 0.25);
        // Forced, every run is.
        const Difference forced = difference(exact, rendered(photo, row.look, Tables::Always));
        EXPECT_LE(forced.worst, 1);
        EXPECT_LE(forced.mean, 0.25);
        differing += forced.mean > 0;
    }
    // The tables were used: an exact run everywhere would match to the bit.
    EXPECT_GT(differing, 0);
    fs::remove(warm);
    fs::remove(cool);
}

// Every frame builds a graph of its own; the tables are baked for the first
// and found again for the others, until a setting changes.
TEST(BakedColour, ALookBakesItsTablesOnceForAllItsFrames)
{
    const imagefilter::Bitmap frame = reference::ramp(64, 48);
    effects::Look look = effectrecords::everyGateOn();
    look.setF_Gamma(137.0f); // a look no other test bakes
    const auto frames = [&](int first, int count) {
        for (int n = first; n < first + count; ++n)
            rendered(frame, look, Tables::Always, n);
    };
    const long before = imagefilter::detail::ColourLut::bakes();
    frames(0, 1);
    const long first = imagefilter::detail::ColourLut::bakes();
    EXPECT_GT(first, before);
    frames(1, 29);
    EXPECT_EQ(imagefilter::detail::ColourLut::bakes(), first);
    look.setF_Gamma(138.0f);
    frames(30, 1);
    EXPECT_GT(imagefilter::detail::ColourLut::bakes(), first);
}

} // namespace
