#include "effects/EraLooks.h"

#include <cctype>

namespace effects {

namespace {

// Gate shapes by their index in projector::gateShapes().
constexpr int kGate4x3 = 1;
constexpr int kGate137 = 2;

// Every era starts from no colour look, no sepia: each says all it turns on.
Look bareLook()
{
    Look look;
    look.setB_Instant(0);
    look.setB_Sepia(0);
    return look;
}

Look handCranked1910s()
{
    Look l = bareLook();
    l.setB_Sepia(1);
    l.setF_Contrast(132);
    l.setF_Brightness(5);
    l.setB_Vignetting(1);
    l.setF_Vignetting(14);
    l.setB_Noise(1);
    l.setF_Noise(220);
    l.setI_Grain_Size(3);
    l.setB_Weave(1);
    l.setF_Weave(75);
    l.setB_Flicker(1);
    l.setF_Flicker(70);
    l.setI_Cadence(16);
    l.setI_Gate(kGate4x3);
    l.setB_Old_Sound(1);
    l.setF_Old_Sound(85);
    return l;
}

Look silent1920s()
{
    Look l = bareLook();
    l.setB_Sepia(1);
    l.setF_Contrast(108);
    l.setB_Vignetting(1);
    l.setF_Vignetting(15);
    l.setB_Noise(1);
    l.setF_Noise(130);
    l.setI_Grain_Size(2);
    l.setB_Weave(1);
    l.setF_Weave(45);
    l.setB_Flicker(1);
    l.setF_Flicker(45);
    l.setI_Cadence(18);
    l.setI_Gate(kGate137);
    l.setB_Old_Sound(1);
    l.setF_Old_Sound(60);
    return l;
}

Look newsreel1940s()
{
    Look l = bareLook();
    l.setF_Saturation(0);
    l.setF_Contrast(130);
    l.setB_Vignetting(1);
    l.setF_Vignetting(10);
    l.setB_Noise(1);
    l.setF_Noise(100);
    l.setI_Grain_Size(2);
    l.setB_Weave(1);
    l.setF_Weave(20);
    l.setB_Flicker(1);
    l.setF_Flicker(15);
    l.setI_Cadence(24);
    l.setI_Gate(kGate137);
    l.setB_Old_Sound(1);
    l.setF_Old_Sound(35);
    return l;
}

Look homeMovie1960s()
{
    Look l = bareLook();
    l.setB_Chrome(1);
    l.setF_Saturation(115);
    l.setF_Contrast(110);
    l.setF_Red_Balance(108);
    l.setF_Blue_Balance(92);
    l.setB_Vignetting(1);
    l.setF_Vignetting(12);
    l.setB_Noise(1);
    l.setF_Noise(80);
    l.setI_Grain_Size(2);
    l.setB_Weave(1);
    l.setF_Weave(35);
    l.setI_Cadence(18);
    l.setI_Gate(kGate4x3);
    l.setB_Halation(1);
    l.setF_Halation(40);
    l.setB_Old_Sound(1);
    l.setF_Old_Sound(40);
    return l;
}

Look super8In1970s()
{
    Look l = bareLook();
    l.setB_Instant(1);
    l.setF_Saturation(90);
    l.setF_Red_Balance(145);
    l.setF_Green_Balance(100);
    l.setF_Blue_Balance(62);
    l.setB_Vignetting(1);
    l.setF_Vignetting(15);
    l.setB_Noise(1);
    l.setF_Noise(150);
    l.setI_Grain_Size(3);
    l.setB_Weave(1);
    l.setF_Weave(25);
    l.setB_Flicker(1);
    l.setF_Flicker(35);
    l.setI_Cadence(18);
    l.setI_Gate(kGate4x3);
    l.setB_Halation(1);
    l.setF_Halation(60);
    l.setB_Old_Sound(1);
    l.setF_Old_Sound(30);
    return l;
}

// Lower case, with spaces and underscores as hyphens.
std::string normalised(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        out += (c == ' ' || c == '_') ? '-' : char(std::tolower(c));
    }
    return out;
}

} // namespace

const std::vector<Era>& eraLooks()
{
    static const std::vector<Era> eras{
        {"1910s hand-cranked", handCranked1910s()}, {"1920s silent", silent1920s()},
        {"1940s newsreel", newsreel1940s()},        {"1960s home movie", homeMovie1960s()},
        {"1970s Super 8", super8In1970s()},
    };
    return eras;
}

std::string eraKey(const Era& era)
{
    return normalised(era.name);
}

int findEra(std::string_view name)
{
    std::string_view trimmed = name;
    while (!trimmed.empty() && std::isspace(static_cast<unsigned char>(trimmed.front())))
        trimmed.remove_prefix(1);
    while (!trimmed.empty() && std::isspace(static_cast<unsigned char>(trimmed.back())))
        trimmed.remove_suffix(1);
    const std::string wanted = normalised(trimmed);
    const std::vector<Era>& eras = eraLooks();
    for (std::size_t i = 0; i < eras.size(); ++i)
        if (eraKey(eras[i]) == wanted)
            return int(i);
    return -1;
}

} // namespace effects
