#pragma once

#include "effects/Look.h"

#include <string>
#include <vector>

namespace effects {

inline constexpr int kPresetCount = 42;

// The 42 fixed presets' looks, in index order.
std::vector<Look> presetLooks();

// What a look does, in a few words, in the chain's order: "Chrome, sepia,
// vignette, grain", "Weave, sepia, halation, grain (size 2), flicker, 1.37
// gate"; "No effects" when it leaves the picture as it is.
std::string lookDescription(const Look& look);

} // namespace effects
