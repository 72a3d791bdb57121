#pragma once

#include <cstdint>
#include <vector>

namespace projector {

// The grain sizes offered: pixels per grain at 1080 lines; 1 is Fine, one
// pixel per grain at any frame size.
const std::vector<int>& grainSizes();

// The scale of the noise for grain size `size` on a picture `height` lines
// high: 1 for Fine, else size * height / 1080 (at least 1), so 720p and 4K
// show grains of one size relative to the picture.
double grainScaleFor(int size, int height);

} // namespace projector
