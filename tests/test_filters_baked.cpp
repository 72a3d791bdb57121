// Colour runs baked into 3-D tables against the exact kernels, on a real
// photograph: every preset and every gate within one 8-bit level per
// channel, a quarter level on average.

#include "effects/PresetTable.h"
#include "effects/VintageChain.h"
#include "imagefilter/ColourLut.h"
#include "imagefilter/Context.h"
#include "support/EffectRecords.h"
#include "test_filters_support.h"

#include <algorithm>
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

QImage rendered(const imagefilter::Bitmap& photo, const effects::Look& look, bool baked,
                int frame = 12)
{
    const bool before = imagefilter::Context::bakedColour();
    imagefilter::Context::setBakedColour(baked);
    QImage out = effects::imageVintage(photo, look, {frame, 24.0, 1.0});
    imagefilter::Context::setBakedColour(before);
    return out;
}

TEST(BakedColour, EveryPresetAndEveryGateStayWithinALevelOfTheExactChain)
{
    const imagefilter::Bitmap photo = photograph();
    if (photo.isNull())
        GTEST_SKIP() << "no photograph: apt-get download mate-backgrounds or ffmpeg failed";
    std::vector<std::pair<std::string, effects::Look>> looks;
    const auto presets = effects::presetLooks();
    for (std::size_t i = 0; i < presets.size(); ++i)
        looks.emplace_back("preset " + std::to_string(i), presets[i]);
    looks.emplace_back("every gate", effectrecords::everyGateOn());
    int differing = 0;
    for (const auto& [name, look] : looks) {
        SCOPED_TRACE(name);
        const QImage exact = rendered(photo, look, false), baked = rendered(photo, look, true);
        ASSERT_EQ(exact.size(), baked.size());
        ASSERT_EQ(exact.format(), baked.format());
        int worst = 0;
        double sum = 0;
        long count = 0;
        for (int y = 0; y < exact.height(); ++y) {
            const std::uint8_t* e = exact.constScanLine(y);
            const std::uint8_t* b = baked.constScanLine(y);
            for (int i = 0; i < exact.width() * 4; ++i) {
                if (i % 4 == 3) {
                    ASSERT_EQ(e[i], b[i]); // alpha
                    continue;
                }
                const int d = std::abs(int(e[i]) - int(b[i]));
                worst = std::max(worst, d);
                sum += d;
                ++count;
            }
        }
        EXPECT_LE(worst, 1);
        EXPECT_LE(sum / double(count), 0.25);
        differing += sum > 0;
    }
    // The tables were used: an exact run everywhere would match to the bit.
    EXPECT_GT(differing, 0);
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
            rendered(frame, look, true, n);
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
