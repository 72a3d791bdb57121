#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace projector {

// The projector's gate: the picture framed at an aspect ratio, its corners
// rounded and its edge soft, black outside. Full (aspect 0) frames nothing.
struct GateShape
{
    const char* name; // as the panel and the renderer name it: "Full", "4:3", "1.37", ...
    double aspect;    // width over height; 0 for Full
};
const std::vector<GateShape>& gateShapes();

// The gate of shape `shape` (an index into gateShapes()) drawn over rendered
// 8-bit pixels (4 bytes each, alpha last: only the colour bytes are
// darkened, so premultiplied pixels stay valid). The gate is centred and as
// large as the frame allows.
void applyGate(std::uint8_t* pixels, int width, int height, std::size_t bytesPerLine, int shape);

} // namespace projector
