#pragma once

// Internal: a smooth curve as 8 quintic pieces, one per octave of its
// argument (the float's exponent picks the piece), for the AVX2 build, where
// one in-register permute fetches a coefficient for eight values at once: no
// look-up from memory, no power function. Used for the sRGB decoding curve,
// whose exact shape is a power.

#include "imagefilter/Simd.h"

#include <cstdint>

#ifdef IMAGEFILTER_SIMD_DISPATCH
#include <immintrin.h>
#endif

namespace imagefilter::detail {

struct Pieces
{
    // Piece k covers the octave [2^(e - 127), 2^(e - 126)) for e = first + k,
    // as float bits [(first + k) << 23, (first + k + 1) << 23). On it
    // f(x) = sum c[d][k] w^d (d up to kDegree), w = x * scale[k] - 1.5 (the mantissa less 1.5:
    // small, so the powers stay well conditioned).
    static constexpr int kDegree = 5;
    float c[kDegree + 1][8];
    float scale[8];
    std::int32_t first = 0;
    // The largest error of the float evaluation against f in double, over a
    // fine sample of every piece, measured when the pieces are made.
    double maxError = 0;

    // Pieces of f over the 8 octaves from the one holding `from`; the
    // lowest piece is fitted from `lowestFit` up (below it f is not needed).
    static Pieces fit(double (*f)(double), float from, double lowestFit);
    // The float evaluation, as the vector code does it (for the measurement).
    float at(float x) const;
};

#ifdef IMAGEFILTER_SIMD_DISPATCH
// The pieces' tables in registers.
struct PiecesAvx2
{
    __m256 c[Pieces::kDegree + 1], scale;
    __m256i first;
};

[[gnu::target(IMAGEFILTER_AVX2_TARGET), gnu::always_inline]] inline void loadPieces(const Pieces& p,
                                                                                    PiecesAvx2& t)
{
    for (int d = 0; d <= Pieces::kDegree; ++d)
        t.c[d] = _mm256_loadu_ps(p.c[d]);
    t.scale = _mm256_loadu_ps(p.scale);
    t.first = _mm256_set1_epi32(p.first);
}

// f at eight values; x below the first piece or above the last is evaluated
// on the nearest piece (callers select another formula there).
[[gnu::target(IMAGEFILTER_AVX2_TARGET), gnu::always_inline]] inline __m256
evalPieces(const PiecesAvx2& t, __m256 x)
{
    __m256i k = _mm256_sub_epi32(_mm256_srli_epi32(_mm256_castps_si256(x), 23), t.first);
    k = _mm256_max_epi32(_mm256_min_epi32(k, _mm256_set1_epi32(7)), _mm256_setzero_si256());
    const __m256 w =
        _mm256_fmadd_ps(x, _mm256_permutevar8x32_ps(t.scale, k), _mm256_set1_ps(-1.5f));
    static_assert(Pieces::kDegree == 5);
    __m256 v = _mm256_permutevar8x32_ps(t.c[5], k);
    v = _mm256_fmadd_ps(v, w, _mm256_permutevar8x32_ps(t.c[4], k));
    v = _mm256_fmadd_ps(v, w, _mm256_permutevar8x32_ps(t.c[3], k));
    v = _mm256_fmadd_ps(v, w, _mm256_permutevar8x32_ps(t.c[2], k));
    v = _mm256_fmadd_ps(v, w, _mm256_permutevar8x32_ps(t.c[1], k));
    v = _mm256_fmadd_ps(v, w, _mm256_permutevar8x32_ps(t.c[0], k));
    return v;
}
#endif

} // namespace imagefilter::detail
