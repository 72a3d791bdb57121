// The two sRGB steps every rendered pixel takes, each in the library's way
// and in the ways tried instead of it, on the same values in the same run:
//
//   encode (linear float -> exactly rounded byte, three planes to words)
//     Table        the library: one 32-bit table entry gathered per value
//     TableWide    the same table gathered sixteen values at a time (AVX-512)
//     Curve        1.055 x^(1/2.4) - 0.055 from a fitted power curve, with the
//                  table asked only where a value lies next to a rounding
//                  threshold (so the bytes are the same)
//   decode (encoded float -> linear light, three planes in place)
//     Library      the library: ((e + 0.055) / 1.055)^2.4 as a power curve's
//                  polynomial times a factor per octave, one permute for
//                  every octave up to 8
//     PowerCurve   the same from the kernels' PowerCurve (two permutes for its
//                  sixteen octaves, the formula from 4 up)
//
// Run with --benchmark_repetitions=N; items are values, so the rate column
// is values per second. A way whose results differ from the library's is
// reported as an error instead of timed.

#include "imagefilter/PixelMath.h"
#include "imagefilter/PowerCurve.h"
#include "imagefilter/Simd.h"
#include "imagefilter/Srgb8.h"
#include "imagefilter/SrgbPlanes.h"

#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

using imagefilter::Srgb8;
using namespace imagefilter::detail;

namespace {

constexpr int kPixels = 4096; // a few row segments: the planes stay in cache

// Encoded values spread like a picture's, and their linear light.
struct Values
{
    std::vector<float> encoded[3], linear[3];
    Values()
    {
        std::uint32_t state = 12345;
        for (int c = 0; c < 3; ++c) {
            for (int i = 0; i < kPixels; ++i) {
                state = state * 1664525u + 1013904223u;
                const double e = double(state >> 8) / double(1u << 24);
                encoded[c].push_back(float(e));
                linear[c].push_back(
                    float(e <= 0.04045 ? e / 12.92 : std::pow((e + 0.055) / 1.055, 2.4)));
            }
        }
    }
};

const Values& values()
{
    static const Values v;
    return v;
}

using EncodeWords = void (*)(const float*, const float*, const float*, int, std::uint32_t*);

void encodeByTable(const float* r, const float* g, const float* b, int n, std::uint32_t* out)
{
    Srgb8::tables().encodeOpaque(r, g, b, n, reinterpret_cast<std::uint8_t*>(out));
}

#ifdef IMAGEFILTER_SIMD_DISPATCH
// GCC 12's AVX-512 headers warn of their own undefined-register helper.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
[[gnu::target("avx512f")]] __m512i encode16(const float* p, const std::int32_t* entries)
{
    __m512 v = _mm512_loadu_ps(p);
    v = _mm512_max_ps(v, _mm512_set1_ps(Srgb8::kLow));
    v = _mm512_min_ps(v, _mm512_set1_ps(1.0f));
    const __m512i bits = _mm512_castps_si512(v);
    const __m512i index =
        _mm512_sub_epi32(_mm512_srli_epi32(bits, 16), _mm512_set1_epi32(int(Srgb8::kFirstBucket)));
    const __m512i entry = _mm512_i32gather_epi32(index, entries, 4);
    const __mmask16 below =
        _mm512_cmpgt_epi32_mask(_mm512_and_si512(entry, _mm512_set1_epi32(0x1ffff)),
                                _mm512_and_si512(bits, _mm512_set1_epi32(0xffff)));
    const __m512i next = _mm512_add_epi32(_mm512_srai_epi32(entry, 17), _mm512_set1_epi32(1));
    return _mm512_mask_sub_epi32(next, below, next, _mm512_set1_epi32(1));
}

[[gnu::target("avx512f")]] void encodeByWideTable(const float* r, const float* g, const float* b,
                                                  int n, std::uint32_t* out)
{
    const std::int32_t* entries = Srgb8::tables().entries();
    int i = 0;
    for (; i + 16 <= n; i += 16) {
        const __m512i word =
            _mm512_or_si512(_mm512_or_si512(encode16(r + i, entries),
                                            _mm512_slli_epi32(encode16(g + i, entries), 8)),
                            _mm512_or_si512(_mm512_slli_epi32(encode16(b + i, entries), 16),
                                            _mm512_set1_epi32(int(0xff000000u))));
        _mm512_storeu_si512(out + i, word);
    }
    encodeByTable(r + i, g + i, b + i, n - i, out + i);
}
#pragma GCC diagnostic pop

// 255 times the encoded value plus one half, floored, is the byte, except
// where that sum lies within the curve's error of a whole number.
[[gnu::target(IMAGEFILTER_AVX2_TARGET)]] __m256i encode8ByCurve(const float* p,
                                                                const PowerCurveAvx2& t)
{
    const __m256 c =
        _mm256_min_ps(_mm256_max_ps(_mm256_loadu_ps(p), _mm256_setzero_ps()), _mm256_set1_ps(1.0f));
    const __m256 power = powerAt(t, _mm256_max_ps(c, _mm256_set1_ps(1.0f / 16384.0f)));
    const __m256 curve = _mm256_fmadd_ps(power, _mm256_set1_ps(1.055f * 255.0f),
                                         _mm256_set1_ps(0.5f - 0.055f * 255.0f));
    const __m256 line = _mm256_fmadd_ps(c, _mm256_set1_ps(12.92f * 255.0f), _mm256_set1_ps(0.5f));
    const __m256 sum =
        _mm256_blendv_ps(curve, line, _mm256_cmp_ps(c, _mm256_set1_ps(0.0031308f), _CMP_LE_OQ));
    const __m256 whole = _mm256_floor_ps(sum);
    const __m256 frac = _mm256_sub_ps(sum, whole);
    const __m256 near = _mm256_or_ps(_mm256_cmp_ps(frac, _mm256_set1_ps(3e-4f), _CMP_LT_OQ),
                                     _mm256_cmp_ps(frac, _mm256_set1_ps(1.0f - 3e-4f), _CMP_GT_OQ));
    if (_mm256_movemask_ps(near) != 0) {
        alignas(32) std::int32_t bytes[8];
        for (int j = 0; j < 8; ++j)
            bytes[j] = Srgb8::tables().encode(p[j]);
        return _mm256_load_si256(reinterpret_cast<const __m256i*>(bytes));
    }
    return _mm256_cvttps_epi32(whole);
}

[[gnu::target(IMAGEFILTER_AVX2_TARGET)]] void
encodeByCurve(const float* r, const float* g, const float* b, int n, std::uint32_t* out)
{
    static const PowerCurve curve = PowerCurve::fit(float(1.0 / 2.4));
    PowerCurveAvx2 t;
    loadPowerCurve(curve, t);
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i word =
            _mm256_or_si256(_mm256_or_si256(encode8ByCurve(r + i, t),
                                            _mm256_slli_epi32(encode8ByCurve(g + i, t), 8)),
                            _mm256_or_si256(_mm256_slli_epi32(encode8ByCurve(b + i, t), 16),
                                            _mm256_set1_epi32(int(0xff000000u))));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), word);
    }
    encodeByTable(r + i, g + i, b + i, n - i, out + i);
}

// With the same duties as the library's loop: any sign, and eight values of
// which any lies outside the curve's range take the formula.
[[gnu::target(IMAGEFILTER_AVX2_TARGET)]] void decodeByPowerCurve(const Planar& p, int n)
{
    static const PowerCurve curve = PowerCurve::fit(2.4f);
    PowerCurveAvx2 t;
    loadPowerCurve(curve, t);
    const __m256 signBit = _mm256_set1_ps(-0.0f);
    const __m256 knee = _mm256_set1_ps(0.04045f), slope = _mm256_set1_ps(1.0f / 12.92f);
    for (float* c : {p.r, p.g, p.b}) {
        int i = 0;
        for (; i + 8 <= n; i += 8) {
            const __m256 x = _mm256_loadu_ps(c + i);
            const __m256 a = _mm256_andnot_ps(signBit, x);
            const __m256 u =
                _mm256_fmadd_ps(a, _mm256_set1_ps(1.0f / 1.055f), _mm256_set1_ps(0.055f / 1.055f));
            if (_mm256_movemask_ps(powerOutside(u)) != 0) {
                for (int j = i; j < i + 8; ++j)
                    c[j] = imagefilter::math::decodeSRGB(c[j]);
                continue;
            }
            const __m256 d = _mm256_blendv_ps(powerAt(t, u), _mm256_mul_ps(a, slope),
                                              _mm256_cmp_ps(a, knee, _CMP_LE_OQ));
            _mm256_storeu_ps(c + i, _mm256_or_ps(d, _mm256_and_ps(x, signBit)));
        }
        for (; i < n; ++i)
            c[i] = imagefilter::math::decodeSRGB(c[i]);
    }
}
#endif

void runEncode(benchmark::State& state, EncodeWords encode)
{
    const Values& v = values();
    std::vector<std::uint32_t> reference(kPixels), out(kPixels);
    encodeByTable(v.linear[0].data(), v.linear[1].data(), v.linear[2].data(), kPixels,
                  reference.data());
    encode(v.linear[0].data(), v.linear[1].data(), v.linear[2].data(), kPixels, out.data());
    if (out != reference) {
        state.SkipWithError("bytes differ from the table's");
        return;
    }
    for (auto _ : state) {
        encode(v.linear[0].data(), v.linear[1].data(), v.linear[2].data(), kPixels, out.data());
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * kPixels * 3);
}

void runDecode(benchmark::State& state, void (*decode)(const Planar&, int))
{
    const Values& v = values();
    std::vector<float> planes[4];
    for (auto& p : planes)
        p.resize(kPixels);
    const Planar p{planes[0].data(), planes[1].data(), planes[2].data(), planes[3].data()};
    auto reload = [&] {
        for (int c = 0; c < 3; ++c)
            std::memcpy(planes[c].data(), v.encoded[c].data(), kPixels * sizeof(float));
    };
    reload();
    decode(p, kPixels);
    for (int c = 0; c < 3; ++c) {
        for (int i = 0; i < kPixels; ++i) {
            const float want = v.linear[c][i];
            if (!(std::abs(planes[c][i] - want) <= 2e-6f * want + 1e-9f)) {
                state.SkipWithError("values differ from the formula by more than 2e-6");
                return;
            }
        }
    }
    for (auto _ : state) {
        reload(); // the same copy for every way
        decode(p, kPixels);
        benchmark::DoNotOptimize(planes[0].data());
    }
    state.SetItemsProcessed(state.iterations() * kPixels * 3);
}

bool hasAvx2()
{
    return imagefilter::simd::avx2();
}

void BM_EncodeTable(benchmark::State& s)
{
    runEncode(s, encodeByTable);
}
void BM_DecodeLibrary(benchmark::State& s)
{
    runDecode(s, decodePlanes);
}

#ifdef IMAGEFILTER_SIMD_DISPATCH
void BM_EncodeTableWide(benchmark::State& s)
{
    if (!__builtin_cpu_supports("avx512f"))
        s.SkipWithError("no AVX-512 on this processor");
    else
        runEncode(s, encodeByWideTable);
}
void BM_EncodeCurve(benchmark::State& s)
{
    if (!hasAvx2())
        s.SkipWithError("no AVX2 on this processor");
    else
        runEncode(s, encodeByCurve);
}
void BM_DecodePowerCurve(benchmark::State& s)
{
    if (!hasAvx2())
        s.SkipWithError("no AVX2 on this processor");
    else
        runDecode(s, decodeByPowerCurve);
}
#endif

BENCHMARK(BM_EncodeTable);
#ifdef IMAGEFILTER_SIMD_DISPATCH
BENCHMARK(BM_EncodeTableWide);
BENCHMARK(BM_EncodeCurve);
#endif
BENCHMARK(BM_DecodeLibrary);
#ifdef IMAGEFILTER_SIMD_DISPATCH
BENCHMARK(BM_DecodePowerCurve);
#endif

} // namespace

BENCHMARK_MAIN();
