#include "imagefilter/Simd.h"

#include <cstdlib>
#include <cstring>

namespace imagefilter::simd {

namespace {

Level detect()
{
    const char* forced = std::getenv("OLDREEL_FILTER_SIMD");
    if (forced && std::strcmp(forced, "baseline") == 0)
        return Level::Baseline;
#ifdef IMAGEFILTER_SIMD_DISPATCH
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma"))
        return Level::Avx2;
#endif
    return Level::Baseline;
}

} // namespace

Level level()
{
    static const Level chosen = detect();
    return chosen;
}

const char* levelName()
{
    return level() == Level::Avx2 ? "avx2" : "baseline";
}

} // namespace imagefilter::simd
