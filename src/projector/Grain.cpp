#include "projector/Grain.h"

#include <algorithm>

namespace projector {

const std::vector<int>& grainSizes()
{
    static const std::vector<int> sizes{1, 2, 3, 4};
    return sizes;
}

double grainScaleFor(int size, int height)
{
    if (size <= 1 || height <= 0)
        return 1.0;
    return std::max(1.0, double(size) * height / 1080.0);
}

} // namespace projector
