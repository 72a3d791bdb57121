// A colour run baked into a 3-D table, applied by tetrahedral interpolation.

#include "imagefilter/ColourLut.h"

#include "imagefilter/PixelMath.h"
#include "imagefilter/Simd.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mutex>

#ifdef IMAGEFILTER_SIMD_DISPATCH
#include <immintrin.h>
#endif

namespace imagefilter::detail {

namespace {

constexpr int N = ColourLut::kSize;

std::atomic<long> gBakes{0};

std::atomic<Baking>& bakingMode()
{
    static std::atomic<Baking> mode{[] {
        const char* v = std::getenv("OLDREEL_FILTER_BAKED");
        if (v && std::strcmp(v, "1") == 0)
            return Baking::Always;
        if (v && std::strcmp(v, "0") == 0)
            return Baking::Never;
        return Baking::WherePaying;
    }()};
    return mode;
}

// The cube around a colour is cut into six tetrahedra along its diagonal; the
// one holding the colour is found by ordering its three fractions: its four
// corners are the cube's origin, one step along the largest fraction's axis,
// the far corner less one step along the smallest's, and the far corner.
// Branch-free, since a photograph's colours pick tetrahedra at random, and in
// three passes over a block of pixels: where each pixel's corners lie and
// their weights (a loop the compiler vectorises), the blend of the corners'
// (r, g, b) a pixel at a time in one vector each (no gathers), and the
// results back into planes.
constexpr int kBlock = 64;
constexpr int kStepX = 4, kStepY = 4 * N, kStepZ = 4 * N * N;

struct Corners
{
    int origin[kBlock], alongHi[kBlock], alongLo[kBlock];
    float w[4][kBlock];
};

inline void findCorners(const float* __restrict r, const float* __restrict g,
                        const float* __restrict b, int n, Corners* __restrict c)
{
    constexpr float scale = float(N - 1);
    for (int i = 0; i < n; ++i) {
        const float x = r[i] * scale, y = g[i] * scale, z = b[i] * scale;
        const int ix = std::min(int(x), N - 2), iy = std::min(int(y), N - 2),
                  iz = std::min(int(z), N - 2);
        const float fx = x - float(ix), fy = y - float(iy), fz = z - float(iz);
        const float hi = std::max(fx, std::max(fy, fz)), lo = std::min(fx, std::min(fy, fz));
        const float mid = fx + fy + fz - hi - lo;
        c->origin[i] = iz * kStepZ + iy * kStepY + ix * kStepX;
        c->alongHi[i] = fx == hi ? kStepX : fy == hi ? kStepY : kStepZ;
        c->alongLo[i] = (kStepX + kStepY + kStepZ) - (fz == lo   ? kStepZ
                                                      : fy == lo ? kStepY
                                                                 : kStepX);
        c->w[0][i] = 1.0f - hi;
        c->w[1][i] = hi - mid;
        c->w[2][i] = mid - lo;
        c->w[3][i] = lo;
    }
}

using Float4 = float __attribute__((vector_size(16)));

inline Float4 load4(const float* p)
{
    Float4 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline void blendCorners(const float* __restrict t, const Corners* __restrict c, int n,
                         float* __restrict rgbx)
{
    constexpr int far = kStepX + kStepY + kStepZ;
    for (int i = 0; i < n; ++i) {
        const float* c0 = t + c->origin[i];
        const Float4 v = load4(c0) * c->w[0][i] + load4(c0 + c->alongHi[i]) * c->w[1][i] +
                         load4(c0 + c->alongLo[i]) * c->w[2][i] + load4(c0 + far) * c->w[3][i];
        std::memcpy(rgbx + 4 * i, &v, sizeof v);
    }
}

inline void toPlanes(const float* __restrict rgbx, int n, float* __restrict r, float* __restrict g,
                     float* __restrict b)
{
    for (int i = 0; i < n; ++i) {
        r[i] = rgbx[4 * i];
        g[i] = rgbx[4 * i + 1];
        b[i] = rgbx[4 * i + 2];
    }
}

inline void squares(float* c, int n)
{
    for (int i = 0; i < n; ++i)
        c[i] *= c[i];
}

// Encoded values to the signed square root of their linear light.
inline void linearRoots(float* c, int n)
{
    for (int i = 0; i < n; ++i) {
        const float v = math::decodeSRGB(c[i]);
        c[i] = std::copysign(std::sqrt(std::abs(v)), v);
    }
}

// The largest difference in 8-bit levels between exact encoded values and a
// table's, the table's being encoded values clamped as bytes are ...
inline float encodedLevels(const float* want, const float* got, int n)
{
    float worst = 0.0f;
    for (int i = 0; i < n; ++i)
        worst = std::max(
            worst, std::abs(std::clamp(got[i], 0.0f, 1.0f) - std::clamp(want[i], 0.0f, 1.0f)));
    return worst * 255.0f;
}

// ... or signed square roots of linear light.
inline float rootLevels(const float* want, const float* got, int n)
{
    float worst = 0.0f;
    for (int i = 0; i < n; ++i)
        worst = std::max(worst, std::abs(math::encodeSRGB(got[i] * std::abs(got[i])) - want[i]));
    return worst * 255.0f;
}

#ifdef IMAGEFILTER_SIMD_DISPATCH
// The same three passes eight pixels a step with AVX2: the corners and
// weights found in vector registers, each pixel's four corners blended in one
// 128-bit vector, and eight results turned back into planes by a transpose.
[[gnu::target(IMAGEFILTER_AVX2_TARGET)]] void applyAvx2(const float* t, const Planar& p, int n)
{
    const __m256 scale = _mm256_set1_ps(float(N - 1));
    const __m256i top = _mm256_set1_epi32(N - 2);
    const __m256i sx = _mm256_set1_epi32(kStepX), sy = _mm256_set1_epi32(kStepY),
                  sz = _mm256_set1_epi32(kStepZ), far = _mm256_set1_epi32(kStepX + kStepY + kStepZ);
    const __m256 one = _mm256_set1_ps(1.0f);
    const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    alignas(32) int origin[8], alongHi[8], alongLo[8];
    alignas(32) float w[4][8];
    alignas(32) float rgbx[32];
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256 x = _mm256_mul_ps(_mm256_loadu_ps(p.r + i), scale);
        const __m256 y = _mm256_mul_ps(_mm256_loadu_ps(p.g + i), scale);
        const __m256 z = _mm256_mul_ps(_mm256_loadu_ps(p.b + i), scale);
        const __m256i ix = _mm256_min_epi32(_mm256_cvttps_epi32(x), top);
        const __m256i iy = _mm256_min_epi32(_mm256_cvttps_epi32(y), top);
        const __m256i iz = _mm256_min_epi32(_mm256_cvttps_epi32(z), top);
        const __m256 fx = _mm256_sub_ps(x, _mm256_cvtepi32_ps(ix));
        const __m256 fy = _mm256_sub_ps(y, _mm256_cvtepi32_ps(iy));
        const __m256 fz = _mm256_sub_ps(z, _mm256_cvtepi32_ps(iz));
        const __m256 hi = _mm256_max_ps(fx, _mm256_max_ps(fy, fz));
        const __m256 lo = _mm256_min_ps(fx, _mm256_min_ps(fy, fz));
        const __m256 mid =
            _mm256_sub_ps(_mm256_sub_ps(_mm256_add_ps(_mm256_add_ps(fx, fy), fz), hi), lo);
        const __m256i hiStep = _mm256_castps_si256(
            _mm256_blendv_ps(_mm256_blendv_ps(_mm256_castsi256_ps(sz), _mm256_castsi256_ps(sy),
                                              _mm256_cmp_ps(fy, hi, _CMP_EQ_OQ)),
                             _mm256_castsi256_ps(sx), _mm256_cmp_ps(fx, hi, _CMP_EQ_OQ)));
        const __m256i loStep = _mm256_castps_si256(
            _mm256_blendv_ps(_mm256_blendv_ps(_mm256_castsi256_ps(sx), _mm256_castsi256_ps(sy),
                                              _mm256_cmp_ps(fy, lo, _CMP_EQ_OQ)),
                             _mm256_castsi256_ps(sz), _mm256_cmp_ps(fz, lo, _CMP_EQ_OQ)));
        const __m256i o = _mm256_add_epi32(
            _mm256_add_epi32(_mm256_mullo_epi32(iz, sz), _mm256_mullo_epi32(iy, sy)),
            _mm256_slli_epi32(ix, 2));
        _mm256_store_si256(reinterpret_cast<__m256i*>(origin), o);
        _mm256_store_si256(reinterpret_cast<__m256i*>(alongHi), hiStep);
        _mm256_store_si256(reinterpret_cast<__m256i*>(alongLo), _mm256_sub_epi32(far, loStep));
        _mm256_store_ps(w[0], _mm256_sub_ps(one, hi));
        _mm256_store_ps(w[1], _mm256_sub_ps(hi, mid));
        _mm256_store_ps(w[2], _mm256_sub_ps(mid, lo));
        _mm256_store_ps(w[3], lo);
        __m128 v[8];
#pragma GCC unroll 8
        for (int k = 0; k < 8; ++k) {
            const float* c0 = t + origin[k];
            v[k] = _mm_mul_ps(_mm_loadu_ps(c0), _mm_broadcast_ss(&w[0][k]));
            v[k] = _mm_fmadd_ps(_mm_loadu_ps(c0 + alongHi[k]), _mm_broadcast_ss(&w[1][k]), v[k]);
            v[k] = _mm_fmadd_ps(_mm_loadu_ps(c0 + alongLo[k]), _mm_broadcast_ss(&w[2][k]), v[k]);
            v[k] = _mm_fmadd_ps(_mm_loadu_ps(c0 + kStepX + kStepY + kStepZ),
                                _mm_broadcast_ss(&w[3][k]), v[k]);
        }
        // Pixel pairs (0, 1), (2, 3), ... to planes: within each 128-bit lane
        // a 4 x 4 transpose, then the lanes' pixels interleaved. The pairs are
        // joined in registers: loading what was just stored in halves would
        // stall.
        const __m256 a = _mm256_set_m128(v[1], v[0]), b = _mm256_set_m128(v[3], v[2]),
                     c = _mm256_set_m128(v[5], v[4]), d = _mm256_set_m128(v[7], v[6]);
        const __m256 ab0 = _mm256_unpacklo_ps(a, b), ab1 = _mm256_unpackhi_ps(a, b);
        const __m256 cd0 = _mm256_unpacklo_ps(c, d), cd1 = _mm256_unpackhi_ps(c, d);
        _mm256_storeu_ps(p.r + i,
                         _mm256_permutevar8x32_ps(_mm256_shuffle_ps(ab0, cd0, 0x44), order));
        _mm256_storeu_ps(p.g + i,
                         _mm256_permutevar8x32_ps(_mm256_shuffle_ps(ab0, cd0, 0xee), order));
        _mm256_storeu_ps(p.b + i,
                         _mm256_permutevar8x32_ps(_mm256_shuffle_ps(ab1, cd1, 0x44), order));
    }
    if (i < n) {
        Corners corners;
        findCorners(p.r + i, p.g + i, p.b + i, n - i, &corners);
        blendCorners(t, &corners, n - i, rgbx);
        toPlanes(rgbx, n - i, p.r + i, p.g + i, p.b + i);
    }
}
#endif

} // namespace

ColourLut::ColourLut(Scale in, Scale out, const std::function<void(const Planar&, int)>& exact)
    : table_(std::size_t(N) * N * N * 4)
{
    ++gBakes;
    std::vector<float> rows(std::size_t(kRow) * 4);
    const Planar p{rows.data(), rows.data() + kRow, rows.data() + 2 * kRow, rows.data() + 3 * kRow};
    constexpr int points = N * N * N;
    constexpr float step = 1.0f / float(N - 1);
    for (int first = 0; first < points; first += kRow) {
        const int n = std::min(kRow, points - first);
        for (int i = 0; i < n; ++i) {
            const int k = first + i;
            p.r[i] = float(k % N) * step;
            p.g[i] = float(k / N % N) * step;
            p.b[i] = float(k / (N * N)) * step;
            p.a[i] = 1.0f;
        }
        if (in == Scale::SquareRoot)
            for (float* c : {p.r, p.g, p.b})
                simd::run<squares>(c, n);
        exact(p, n);
        if (out == Scale::SquareRoot)
            for (float* c : {p.r, p.g, p.b})
                simd::run<linearRoots>(c, n);
        float* out = table_.data() + std::size_t(first) * 4;
        for (int i = 0; i < n; ++i) {
            out[4 * i] = p.r[i];
            out[4 * i + 1] = p.g[i];
            out[4 * i + 2] = p.b[i];
            out[4 * i + 3] = 0.0f;
        }
    }
    check(in, out, exact);
}

void ColourLut::check(Scale in, Scale out, const std::function<void(const Planar&, int)>& exact)
{
    std::vector<float> rows(std::size_t(kRow) * 8);
    const auto planes = [&rows](int k) {
        float* b = rows.data() + std::size_t(k) * 4 * kRow;
        return Planar{b, b + kRow, b + 2 * kRow, b + 3 * kRow};
    };
    const Planar p = planes(0), q = planes(1);
    constexpr int cells = (N - 1) * (N - 1) * (N - 1);
    constexpr float step = 1.0f / float(N - 1);
    float worst = 0.0f;
    for (int first = 0; first < cells && worst <= kCentreLevels; first += kRow) {
        const int n = std::min(kRow, cells - first);
        for (int i = 0; i < n; ++i) {
            const int k = first + i;
            p.r[i] = q.r[i] = (float(k % (N - 1)) + 0.5f) * step;
            p.g[i] = q.g[i] = (float(k / (N - 1) % (N - 1)) + 0.5f) * step;
            p.b[i] = q.b[i] = (float(k / ((N - 1) * (N - 1))) + 0.5f) * step;
            p.a[i] = 1.0f;
        }
        if (in == Scale::SquareRoot)
            for (float* c : {p.r, p.g, p.b})
                simd::run<squares>(c, n);
        exact(p, n);
        apply(q, n);
        const float* want[3] = {p.r, p.g, p.b};
        const float* got[3] = {q.r, q.g, q.b};
        for (int c = 0; c < 3; ++c)
            worst = std::max(worst, out == Scale::SquareRoot
                                        ? simd::run<rootLevels>(want[c], got[c], n)
                                        : simd::run<encodedLevels>(want[c], got[c], n));
    }
    holds_ = worst <= kCentreLevels;
}

void ColourLut::apply(const Planar& p, int n) const
{
#ifdef IMAGEFILTER_SIMD_DISPATCH
    if (simd::avx2()) {
        applyAvx2(table_.data(), p, n);
        return;
    }
#endif
    Corners corners;
    alignas(16) float rgbx[4 * kBlock];
    for (int i = 0; i < n; i += kBlock) {
        const int m = std::min(kBlock, n - i);
        simd::run<findCorners>(static_cast<const float*>(p.r + i),
                               static_cast<const float*>(p.g + i),
                               static_cast<const float*>(p.b + i), m, &corners);
        simd::run<blendCorners>(table_.data(), static_cast<const Corners*>(&corners), m,
                                static_cast<float*>(rgbx));
        simd::run<toPlanes>(static_cast<const float*>(rgbx), m, p.r + i, p.g + i, p.b + i);
    }
}

namespace {

// The tables last asked for, most recent first.
struct SharedTables
{
    static constexpr std::size_t kKept = 16;
    std::mutex mutex;
    std::vector<std::pair<std::string, std::shared_ptr<const ColourLut>>> kept;
};

SharedTables& sharedTables()
{
    static SharedTables tables;
    return tables;
}

} // namespace

std::shared_ptr<const ColourLut>
ColourLut::shared(const std::string& key, Scale in, Scale out,
                  const std::function<void(const Planar&, int)>& exact)
{
    if (key.empty())
        return std::make_shared<const ColourLut>(in, out, exact);
    const std::string full =
        key + (in == Scale::Encoded ? " <e" : " <r") + (out == Scale::Encoded ? " >e" : " >r");
    SharedTables& t = sharedTables();
    const auto find = [&]() -> std::shared_ptr<const ColourLut> {
        for (std::size_t i = 0; i < t.kept.size(); ++i)
            if (t.kept[i].first == full) {
                std::rotate(t.kept.begin(), t.kept.begin() + std::ptrdiff_t(i),
                            t.kept.begin() + std::ptrdiff_t(i) + 1);
                return t.kept.front().second;
            }
        return nullptr;
    };
    {
        std::lock_guard<std::mutex> lock(t.mutex);
        if (auto found = find())
            return found;
    }
    // Baked outside the lock: another run's bake need not wait for this one.
    auto made = std::make_shared<const ColourLut>(in, out, exact);
    std::lock_guard<std::mutex> lock(t.mutex);
    if (auto found = find()) // baked meanwhile by another thread
        return found;
    t.kept.insert(t.kept.begin(), {full, made});
    if (t.kept.size() > SharedTables::kKept)
        t.kept.pop_back();
    return made;
}

long ColourLut::bakes()
{
    return gBakes.load();
}

Baking baking()
{
    return bakingMode().load(std::memory_order_relaxed);
}

void setBaking(Baking mode)
{
    bakingMode().store(mode);
}

} // namespace imagefilter::detail
