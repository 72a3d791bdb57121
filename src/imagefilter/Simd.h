#pragma once

// Internal: the hot loops are built twice, for the x86-64 baseline (SSE2) and
// for x86-64-v3 (AVX2 and FMA), and one of the two is picked at run time, once
// per process. A loop body is an ordinary inline function; simd::run<body>(...)
// calls it through a wrapper built for the chosen instruction set, with every
// call inside flattened into it so that the whole body is compiled for that set.
//
// The environment variable OLDREEL_FILTER_SIMD=baseline forces the baseline
// build on any machine (the tests run once that way); unset, AVX2 is used
// wherever the processor has it. Both builds follow the same formulas; they
// may differ in the last bits of a float (FMA), never by more than the
// tolerances the filters promise, and each is deterministic on its own.

#include <utility>

namespace imagefilter::simd {

enum class Level {
    Baseline,
    Avx2,
};

// The level in use, decided on the first call.
Level level();
// "baseline" or "avx2".
const char* levelName();

inline bool avx2()
{
    return level() == Level::Avx2;
}

#if (defined(__GNUC__) || defined(__clang__)) && defined(__x86_64__)
#define IMAGEFILTER_SIMD_DISPATCH 1
// What the AVX2 build may use; hand-written AVX2 functions carry it too.
#define IMAGEFILTER_AVX2_TARGET "avx2,fma"

template <auto Body, class... Args>
[[gnu::target(IMAGEFILTER_AVX2_TARGET), gnu::flatten]] inline decltype(auto) runAvx2(Args... args)
{
    return Body(args...);
}

template <auto Body, class... Args> [[gnu::flatten]] inline decltype(auto) runBaseline(Args... args)
{
    return Body(args...);
}

template <auto Body, class... Args> inline decltype(auto) run(Args... args)
{
    if (avx2())
        return runAvx2<Body>(args...);
    return runBaseline<Body>(args...);
}
#else
template <auto Body, class... Args> inline decltype(auto) run(Args... args)
{
    return Body(args...);
}
#endif

} // namespace imagefilter::simd
