#pragma once

#include "app/NodeImageInformation.h"

#include <QList>

namespace effects {

inline constexpr int kPresetCount = 42;

// Appends the 42 fixed presets, in index order, one by one at the list's end.
void appendPresets(QList<VideoRecord>& presets);

} // namespace effects
