#include "projector/FramePlace.h"

#include <cmath>

namespace projector {

long long frameNumberAt(double seconds, double rate)
{
    if (!(seconds > 0) || !(rate > 0))
        return 0;
    return std::llround(seconds * rate);
}

} // namespace projector
