#include "effects/PresetTable.h"

#include "projector/Gate.h"

#include <cctype>

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

std::string lookDescription(const Look& look)
{
    const Look plain;
    std::vector<std::string> words;
    const auto add = [&words](bool on, std::string word) {
        if (on)
            words.push_back(std::move(word));
    };
    // The cadence picks the frames and the weave moves them before any stage.
    add(look.i_Cadence() > 0, "cranked at " + std::to_string(look.i_Cadence()) + " fps");
    add(look.b_Weave(), "weave");
    add(look.b_Chrome(), "chrome");
    add(look.b_Instant(), "instant");
    add(look.b_Process(), "process");
    add(look.b_Sepia(), "sepia");
    add(look.f_Brightness() > plain.f_Brightness(), "brighter");
    add(look.f_Brightness() < plain.f_Brightness(), "darker");
    add(look.f_Contrast() > plain.f_Contrast(), "more contrast");
    add(look.f_Contrast() < plain.f_Contrast(), "less contrast");
    add(look.f_Saturation() == 0.0f, "black and white");
    add(look.f_Saturation() > plain.f_Saturation(), "strong colour");
    add(look.f_Saturation() > 0.0f && look.f_Saturation() < plain.f_Saturation(), "muted colour");
    add(look.b_Gamma(), "gamma");
    add(look.b_Exposure(), "exposure");
    add(look.f_Red_Balance() != plain.f_Red_Balance() ||
            look.f_Green_Balance() != plain.f_Green_Balance() ||
            look.f_Blue_Balance() != plain.f_Blue_Balance(),
        "colour balance");
    add(look.b_Vignetting(), "vignette");
    add(look.b_Halation(), "halation");
    add(look.b_Noise(), look.i_Grain_Size() > 1
                            ? "grain (size " + std::to_string(look.i_Grain_Size()) + ")"
                            : std::string("grain"));
    add(look.b_Light(), "light");
    add(look.b_Flicker(), "flicker");
    // The gate frames the finished picture; Full frames nothing.
    const auto& gates = projector::gateShapes();
    if (look.i_Gate() > 0 && look.i_Gate() < int(gates.size()))
        words.push_back(std::string(gates[std::size_t(look.i_Gate())].name) + " gate");
    // The sound comes after everything the picture shows.
    add(look.b_Old_Sound(), "old sound");
    if (words.empty())
        return "No effects";
    std::string text;
    for (const std::string& word : words) {
        if (!text.empty())
            text += ", ";
        text += word;
    }
    text[0] = char(std::toupper(static_cast<unsigned char>(text[0])));
    return text;
}

} // namespace effects
