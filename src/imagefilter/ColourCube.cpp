// A colour look-up table applied in the colour run: a kernel on straight
// sRGB-encoded colour (the values a .cube file for display looks maps) that
// reads nothing but the pixel itself, so a run holding it stays one pass per
// row segment and position-free.

#include "imagefilter/ColourCube.h"

#include "imagefilter/Kernels.h"
#include "imagefilter/Nodes.h"
#include "imagefilter/Simd.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <mutex>
#include <utility>
#ifdef IMAGEFILTER_SIMD_DISPATCH
#include <immintrin.h>
#endif

namespace imagefilter {

namespace {

// Where a value falls on one axis: the entry below it and the fraction
// towards the next. NaN goes to the domain's low end.
struct Axis
{
    float lo, hi, scale;
    int lastCell; // size - 2: the last entry a cell starts at

    Axis(float low, float high, int size)
        : lo(low), hi(high), scale(float((size - 1) / (double(high) - low))), lastCell(size - 2)
    {
    }

    int cell(float x, float& fraction) const
    {
        x = x > lo ? x : lo;
        x = x < hi ? x : hi;
        const float t = (x - lo) * scale;
        int i = int(t);
        i = i < lastCell ? i : lastCell;
        fraction = t - float(i);
        return i;
    }
};

// The 3-D table at one colour. Of the six tetrahedra of the cell, the one
// whose path from its low corner to its high corner steps first along the
// axis of the largest fraction and last along the smallest; the four corners
// are weighted 1 - largest, largest - middle, middle - smallest, smallest.
// Written without branches (ties may take either tetrahedron: the weights
// of the corners between them are then 0), as the AVX2 build below is.
inline void tetrahedral(const ColourCube& cube, const Axis (&axes)[3], const float in[3],
                        float out[3])
{
    const int n = cube.size;
    float fr, fg, fb;
    const int ir = axes[0].cell(in[0], fr), ig = axes[1].cell(in[1], fg),
              ib = axes[2].cell(in[2], fb);
    const int sr = 3, sg = 3 * n, sb = 3 * n * n;
    const bool redLargest = fr >= fg && fr >= fb, greenLargest = !redLargest && fg >= fb;
    const bool blueSmallest = fb <= fr && fb <= fg, greenSmallest = !blueSmallest && fg <= fr;
    const int first = redLargest ? sr : greenLargest ? sg : sb;
    const int last = blueSmallest ? sb : greenSmallest ? sg : sr;
    const float largest = std::max(std::max(fr, fg), fb), smallest = std::min(std::min(fr, fg), fb);
    const float middle = std::max(std::min(fr, fg), std::min(std::max(fr, fg), fb));
    const float w0 = 1.0f - largest, w1 = largest - middle, w2 = middle - smallest;
    const float* c0 = cube.values.data() + (ir * sr + ig * sg + ib * sb);
    const float* c1 = c0 + first;
    const float* c3 = c0 + sr + sg + sb;
    const float* c2 = c3 - last;
    for (int c = 0; c < 3; ++c)
        out[c] = w0 * c0[c] + w1 * c1[c] + w2 * c2[c] + smallest * c3[c];
}

#ifdef IMAGEFILTER_SIMD_DISPATCH
// Eight pixels at a time, the corners gathered; the rest of the row as above.
[[gnu::target(IMAGEFILTER_AVX2_TARGET)]] void tetrahedralRowAvx2(const ColourCube& cube,
                                                                 const Axis (&axes)[3],
                                                                 const detail::Planar& p, int n,
                                                                 float strength)
{
    const int size = cube.size;
    const __m256i sr = _mm256_set1_epi32(3), sg = _mm256_set1_epi32(3 * size),
                  sb = _mm256_set1_epi32(3 * size * size);
    const __m256i diagonal = _mm256_set1_epi32(3 + 3 * size + 3 * size * size);
    const __m256 one = _mm256_set1_ps(1.0f), s = _mm256_set1_ps(strength);
    const float* v = cube.values.data();
    float* planes[3] = {p.r, p.g, p.b};
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        __m256 in[3], f[3];
        __m256i cell[3];
        for (int c = 0; c < 3; ++c) {
            const Axis& a = axes[c];
            in[c] = _mm256_loadu_ps(planes[c] + i);
            // max and min take their second operand for NaN: NaN goes to lo.
            const __m256 x =
                _mm256_min_ps(_mm256_set1_ps(a.hi), _mm256_max_ps(in[c], _mm256_set1_ps(a.lo)));
            const __m256 t =
                _mm256_mul_ps(_mm256_sub_ps(x, _mm256_set1_ps(a.lo)), _mm256_set1_ps(a.scale));
            cell[c] = _mm256_min_epi32(_mm256_cvttps_epi32(t), _mm256_set1_epi32(a.lastCell));
            f[c] = _mm256_sub_ps(t, _mm256_cvtepi32_ps(cell[c]));
        }
        const __m256 fr = f[0], fg = f[1], fb = f[2];
        const __m256i redLargest = _mm256_castps_si256(
            _mm256_and_ps(_mm256_cmp_ps(fr, fg, _CMP_GE_OQ), _mm256_cmp_ps(fr, fb, _CMP_GE_OQ)));
        const __m256i greenOverBlue = _mm256_castps_si256(_mm256_cmp_ps(fg, fb, _CMP_GE_OQ));
        const __m256i first =
            _mm256_blendv_epi8(_mm256_blendv_epi8(sb, sg, greenOverBlue), sr, redLargest);
        const __m256i blueSmallest = _mm256_castps_si256(
            _mm256_and_ps(_mm256_cmp_ps(fb, fr, _CMP_LE_OQ), _mm256_cmp_ps(fb, fg, _CMP_LE_OQ)));
        const __m256i greenUnderRed = _mm256_castps_si256(_mm256_cmp_ps(fg, fr, _CMP_LE_OQ));
        const __m256i last =
            _mm256_blendv_epi8(_mm256_blendv_epi8(sr, sg, greenUnderRed), sb, blueSmallest);
        const __m256 largest = _mm256_max_ps(_mm256_max_ps(fr, fg), fb);
        const __m256 smallest = _mm256_min_ps(_mm256_min_ps(fr, fg), fb);
        const __m256 middle =
            _mm256_max_ps(_mm256_min_ps(fr, fg), _mm256_min_ps(_mm256_max_ps(fr, fg), fb));
        const __m256 w0 = _mm256_sub_ps(one, largest), w1 = _mm256_sub_ps(largest, middle),
                     w2 = _mm256_sub_ps(middle, smallest);
        const __m256i c0 = _mm256_add_epi32(
            _mm256_add_epi32(_mm256_mullo_epi32(cell[0], sr), _mm256_mullo_epi32(cell[1], sg)),
            _mm256_mullo_epi32(cell[2], sb));
        const __m256i c1 = _mm256_add_epi32(c0, first);
        const __m256i c3 = _mm256_add_epi32(c0, diagonal);
        const __m256i c2 = _mm256_sub_epi32(c3, last);
        for (int c = 0; c < 3; ++c) {
            const float* vc = v + c;
            __m256 table = _mm256_mul_ps(w0, _mm256_i32gather_ps(vc, c0, 4));
            table = _mm256_fmadd_ps(w1, _mm256_i32gather_ps(vc, c1, 4), table);
            table = _mm256_fmadd_ps(w2, _mm256_i32gather_ps(vc, c2, 4), table);
            table = _mm256_fmadd_ps(smallest, _mm256_i32gather_ps(vc, c3, 4), table);
            _mm256_storeu_ps(planes[c] + i, _mm256_fmadd_ps(s, _mm256_sub_ps(table, in[c]), in[c]));
        }
    }
    for (; i < n; ++i) {
        const float in[3] = {p.r[i], p.g[i], p.b[i]};
        float out[3];
        tetrahedral(cube, axes, in, out);
        p.r[i] = in[0] + strength * (out[0] - in[0]);
        p.g[i] = in[1] + strength * (out[1] - in[1]);
        p.b[i] = in[2] + strength * (out[2] - in[2]);
    }
}
#endif

inline void curves(const ColourCube& cube, const Axis (&axes)[3], const float in[3], float out[3])
{
    for (int c = 0; c < 3; ++c) {
        float f;
        const float* v = cube.values.data() + 3 * std::size_t(axes[c].cell(in[c], f)) + c;
        out[c] = v[0] + f * (v[3] - v[0]);
    }
}

struct Axes
{
    Axis axes[3];
    explicit Axes(const ColourCube& cube)
        : axes{{cube.domainMin[0], cube.domainMax[0], cube.size},
               {cube.domainMin[1], cube.domainMax[1], cube.size},
               {cube.domainMin[2], cube.domainMax[2], cube.size}}
    {
    }
};

class ColourCubeKernel final : public detail::Kernel
{
public:
    ColourCubeKernel(std::shared_ptr<const ColourCube> cube, float strength)
        : cube_(std::move(cube)), axes_(*cube_), strength_(strength)
    {
    }
    detail::Space space() const override { return detail::Space::StraightEncoded; }
    // A 3-D table's look-up (eight gathers a channel) costs several times a
    // baked run's; three curves cost about as much as one.
    bool costsMoreThanATable() const override { return cube_->threeD; }
    void apply(const detail::Planar& p, int n, int, int) const override
    {
#ifdef IMAGEFILTER_SIMD_DISPATCH
        if (cube_->threeD && simd::avx2())
            return tetrahedralRowAvx2(*cube_, axes_.axes, p, n, strength_);
#endif
        if (cube_->threeD)
            run<tetrahedral>(p, n);
        else
            run<curves>(p, n);
    }

private:
    template <void (*LookUp)(const ColourCube&, const Axis (&)[3], const float*, float*)>
    void run(const detail::Planar& p, int n) const
    {
        const ColourCube& cube = *cube_;
        const float s = strength_;
        for (int i = 0; i < n; ++i) {
            const float in[3] = {p.r[i], p.g[i], p.b[i]};
            float out[3];
            LookUp(cube, axes_.axes, in, out);
            p.r[i] = in[0] + s * (out[0] - in[0]);
            p.g[i] = in[1] + s * (out[1] - in[1]);
            p.b[i] = in[2] + s * (out[2] - in[2]);
        }
    }

    std::shared_ptr<const ColourCube> cube_;
    Axes axes_;
    float strength_;
};

// One 64-bit word into the hash: MurmurHash3's x64 mixing step.
inline std::uint64_t mixWord(std::uint64_t h, std::uint64_t word)
{
    word *= 0x87c37b91114253d5ull;
    word = std::rotl(word, 31);
    word *= 0x4cf5ad432745937full;
    h ^= word;
    return std::rotl(h, 27) * 5 + 0x52dce729;
}

inline std::uint64_t floatPair(float low, float high)
{
    return std::uint64_t(std::bit_cast<std::uint32_t>(low)) |
           std::uint64_t(std::bit_cast<std::uint32_t>(high)) << 32;
}

// The table's hash, computed once per table: the stock cache hands the same
// table to every frame's graph, and a 65³ table takes about a millisecond to
// hash. Tables are told apart by their owner (control block), which an
// expired entry still holds, so a new table at a freed one's address is never
// taken for it.
std::uint64_t hashOf(const std::shared_ptr<const ColourCube>& cube)
{
    constexpr std::size_t kKept = 8;
    static std::mutex mutex;
    static std::vector<std::pair<std::weak_ptr<const ColourCube>, std::uint64_t>> known;
    const auto same = [&cube](const std::weak_ptr<const ColourCube>& w) {
        return !w.owner_before(cube) && !cube.owner_before(w);
    };
    {
        const std::lock_guard<std::mutex> lock(mutex);
        for (const auto& [table, hash] : known)
            if (same(table))
                return hash;
    }
    const std::uint64_t hash = cube->contentHash();
    const std::lock_guard<std::mutex> lock(mutex);
    std::erase_if(known, [](const auto& entry) { return entry.first.expired(); });
    if (known.size() >= kKept)
        known.erase(known.begin());
    known.emplace_back(cube, hash);
    return hash;
}

} // namespace

std::uint64_t ColourCube::contentHash() const
{
    std::uint64_t h = mixWord(0, std::uint64_t(threeD) << 32 | std::uint32_t(size));
    for (int c = 0; c < 3; ++c)
        h = mixWord(h, floatPair(domainMin[c], domainMax[c]));
    h = mixWord(h, values.size());
    std::size_t i = 0;
    for (; i + 2 <= values.size(); i += 2)
        h = mixWord(h, floatPair(values[i], values[i + 1]));
    if (i < values.size())
        h = mixWord(h, floatPair(values[i], 0.0f));
    // MurmurHash3's finaliser: every bit of the state reaches every bit.
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdull;
    h ^= h >> 33;
    h *= 0xc4ceb9fe1a85ec53ull;
    return h ^ (h >> 33);
}

bool ColourCube::isUsable() const
{
    // Entry offsets are ints.
    if (size < 2 || size > (threeD ? 256 : 1 << 24))
        return false;
    const std::size_t entries =
        threeD ? std::size_t(size) * std::size_t(size) * std::size_t(size) : std::size_t(size);
    if (values.size() != 3 * entries)
        return false;
    return domainUsable(0) && domainUsable(1) && domainUsable(2);
}

void ColourCube::lookUp(const float in[3], float out[3]) const
{
    const Axes axes(*this);
    if (threeD)
        tetrahedral(*this, axes.axes, in, out);
    else
        curves(*this, axes.axes, in, out);
}

Image withColourCube(const Image& image, std::shared_ptr<const ColourCube> cube, float strength)
{
    if (image.isNull() || !cube || !cube->isUsable() || !(std::abs(strength) > 0.0f))
        return image;
    // Keyed by the table's contents and the strength, so that the run's baked
    // table is found again by the next frame's graph and never by another
    // table's. Both halves of the hash are exact as doubles.
    const std::uint64_t hash = hashOf(cube);
    return Image(detail::ColourNode::append(
        image.node(),
        detail::Kernel::keyed(std::make_shared<ColourCubeKernel>(std::move(cube), strength), "cube",
                              {double(hash >> 32), double(hash & 0xffffffffu), strength})));
}

} // namespace imagefilter
