#pragma once

#include "effects/Look.h"

#include <vector>

namespace effects {

inline constexpr int kPresetCount = 42;

// The 42 fixed presets' looks, in index order.
std::vector<Look> presetLooks();

} // namespace effects
