// The 42 fixed presets.

#include "effects/PresetTable.h"

#include <gtest/gtest.h>

namespace {

std::vector<effects::Look> presets()
{
    return effects::presetLooks();
}

bool in(int i, int first, int last)
{
    return i >= first && i <= last;
}

TEST(Presets, FortyTwo)
{
    EXPECT_EQ(effects::kPresetCount, 42);
    EXPECT_EQ(presets().size(), 42u);
}

TEST(Presets, FirstIsChromeAloneLastIsAllThreeLooksInBlackAndWhite)
{
    const auto list = presets();
    const effects::Look& first = list[0];
    EXPECT_TRUE(first.b_Chrome());
    EXPECT_FALSE(first.b_Instant() || first.b_Process() || first.b_Sepia() ||
                 first.b_Vignetting() || first.b_Noise());
    const effects::Look& last = list[41];
    EXPECT_TRUE(last.b_Chrome() && last.b_Instant() && last.b_Process());
    EXPECT_EQ(last.f_Saturation(), 0.0f);
    EXPECT_FALSE(last.b_Sepia() || last.b_Noise() || last.b_Vignetting());
}

TEST(Presets, GroupsSetSepiaNoiseVignetteAndSaturation)
{
    const auto list = presets();
    for (int i = 0; i < 42; ++i) {
        const effects::Look& p = list[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(bool(p.b_Sepia()), in(i, 7, 27));
        EXPECT_EQ(bool(p.b_Noise()), in(i, 7, 13) || in(i, 21, 27));
        EXPECT_EQ(bool(p.b_Vignetting()), in(i, 21, 27));
        EXPECT_EQ(p.f_Vignetting(), 10.0f);
        EXPECT_EQ(p.f_Saturation(), in(i, 28, 34) ? 200.0f : in(i, 35, 41) ? 0.0f : 100.0f);
        // the looks cycle through their seven combinations in every group
        const int look = i % 7;
        const bool chrome[7] = {1, 0, 0, 1, 1, 0, 1}, instant[7] = {0, 1, 0, 1, 0, 1, 1},
                   process[7] = {0, 0, 1, 0, 1, 1, 1};
        EXPECT_EQ(bool(p.b_Chrome()), chrome[look]);
        EXPECT_EQ(bool(p.b_Instant()), instant[look]);
        EXPECT_EQ(bool(p.b_Process()), process[look]);
        // nothing else is touched
        EXPECT_FALSE(p.b_Gamma() || p.b_Exposure() || p.b_Light());
        EXPECT_EQ(p.f_Brightness(), 0.0f);
        EXPECT_EQ(p.f_Contrast(), 100.0f);
        EXPECT_EQ(p.f_Red_Balance(), 100.0f);
        EXPECT_EQ(p.f_Green_Balance(), 100.0f);
        EXPECT_EQ(p.f_Blue_Balance(), 100.0f);
        EXPECT_EQ(p.f_Noise(), 50.0f);
        EXPECT_EQ(p.f_Gamma(), 75.0f);
    }
}

} // namespace
