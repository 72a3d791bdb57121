// Feeds arbitrary text to the Cube file parser: it may refuse it, never
// crash, and what it accepts is a table whose sizes, domain and values the
// look-up can trust; what it refuses names a line.
#include "stock/CubeFile.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const stock::CubeText result =
        stock::parseCube(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!result.cube) {
        if (result.error.rfind("line ", 0) != 0)
            std::abort();
        return 0;
    }
    const imagefilter::ColourCube& cube = *result.cube;
    const std::size_t n = std::size_t(cube.size);
    if (cube.size < 2 ||
        cube.size > (cube.threeD ? stock::kMaxCubeSize3D : stock::kMaxCubeSize1D) ||
        cube.values.size() != 3 * (cube.threeD ? n * n * n : n))
        std::abort();
    for (int c = 0; c < 3; ++c)
        if (!(cube.domainMin[c] < cube.domainMax[c]) || !std::isfinite(cube.domainMin[c]) ||
            !std::isfinite(cube.domainMax[c]))
            std::abort();
    for (float v : cube.values)
        if (!std::isfinite(v))
            std::abort();
    return 0;
}
