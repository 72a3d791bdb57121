#pragma once

#include "imagefilter/Image.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace imagefilter {

// A map of light to add over an image: one value per column of the image
// and coarse rows, in the library's coordinates (row 0 at the bottom). A
// row y of the image reads the map's rows around y * stepY + startY (row
// centres at whole numbers), blended, clamped to the map. `lit` marks the
// rows that hold any light.
struct GlowMap
{
    int width = 0;
    int height = 0;
    double stepY = 1.0, startY = 0.0;
    std::vector<float> values;
    std::vector<std::uint8_t> lit;
};

// The image with the map's light added in linear light, tinted by (red,
// green, blue): out = in + tint x glow x alpha. A null map or a zero tint
// gives the image itself.
Image withGlow(const Image& image, std::shared_ptr<const GlowMap> map, float red, float green,
               float blue);

} // namespace imagefilter
