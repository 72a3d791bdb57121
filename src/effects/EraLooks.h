#pragma once

#include "effects/Look.h"

#include <string>
#include <string_view>
#include <vector>

namespace effects {

// A period of film in one click: its name as the window shows it and the
// whole look (colour, grain, projector, old sound) it sets.
struct Era
{
    const char* name; // "1920s silent"
    Look look;
};

// The five eras, oldest first.
const std::vector<Era>& eraLooks();

// An era's name as typed on a command line: lower case, words joined by
// hyphens ("1920s-silent").
std::string eraKey(const Era& era);

// The index of the era called `name`, by its key or its shown name, in any
// case, with spaces, hyphens and underscores alike; -1 when none is.
int findEra(std::string_view name);

} // namespace effects
