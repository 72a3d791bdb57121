#include "effects/PresetTable.h"

namespace effects {

namespace {

// The seven non-empty combinations of the three looks, in the order every
// group runs through them: Chrome, Instant, Process, C+I, C+P, I+P, all three.
struct Looks
{
    bool chrome, instant, process;
};
constexpr Looks kLookCombinations[7] = {
    {true, false, false}, {false, true, false}, {false, false, true}, {true, true, false},
    {true, false, true},  {false, true, true},  {true, true, true},
};

// What each group of seven adds to its look combination.
struct Group
{
    bool sepia, noise, vignetting;
    float saturation; // < 0: keep the record's default
};
constexpr Group kGroups[6] = {
    {false, false, false, -1.0f},  // looks only
    {true, true, false, -1.0f},    // sepia with grain
    {true, false, false, -1.0f},   // sepia
    {true, true, true, -1.0f},     // sepia with grain and vignette
    {false, false, false, 200.0f}, // strong colour
    {false, false, false, 0.0f},   // black and white
};

} // namespace

std::vector<Look> presetLooks()
{
    std::vector<Look> presets;
    presets.reserve(kPresetCount);
    for (const Group& group : kGroups) {
        for (const Looks& looks : kLookCombinations) {
            Look& preset = presets.emplace_back();
            preset.setB_Chrome(looks.chrome);
            preset.setB_Instant(looks.instant);
            preset.setB_Process(looks.process);
            preset.setB_Sepia(group.sepia);
            preset.setB_Vignetting(group.vignetting);
            preset.setF_Vignetting(10.0f);
            if (group.noise)
                preset.setB_Noise(1);
            if (group.saturation >= 0.0f)
                preset.setF_Saturation(group.saturation);
        }
    }
    return presets;
}

} // namespace effects
