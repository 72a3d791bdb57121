// Two layers of the noise tile over an image in one pass: one laid over it
// (source over), one multiplied over the result, as a film's grain and
// scratches are made. Built as nodes, that is a dozen passes over every row
// segment: the tile copied twice, divided by its alpha twice, matrix rows
// copied and scaled, multiplied by alpha, then the two composites. Here a
// layer that moves the tile by whole pixels reads it in place, a stretched
// one takes its samples from its transform node, and one loop does the rest
// for every pixel: the same operations in the same order, so the bytes are
// those of the nodes it stands for.

#include "imagefilter/Nodes.h"
#include "imagefilter/PixelMath.h"
#include "imagefilter/Simd.h"

#include <algorithm>
#include <cmath>
#include <vector>
#ifdef IMAGEFILTER_SIMD_DISPATCH
#include <immintrin.h>
#endif

namespace imagefilter::detail {

namespace {

constexpr float kMinAlpha = 1e-5f; // the colour run's unpremultiply floor

// One layer's matrix as the loop reads it: per output channel, the sample
// plane it reads (any plane, unused, when it reads none), whether that plane
// is divided by alpha (colour) or not (alpha itself), and whether it reads
// one at all.
struct LayerRows
{
    const float* plane[4];
    bool divided[4];
    bool reads[4];
    float coef[4];
    float bias[4];
    const float* alpha;
    bool dividing; // some channel reads a colour plane to divide
    bool minimum;
    // For the vector loop: an earlier channel with the same row (the specks'
    // grey), or -1; and whether alpha is the constant 1 (nothing to multiply).
    int same[4];
    bool opaque;
};

// `planes`: the sample's r, g, b and alpha at the span's first pixel, the
// colour already divided by alpha when `straight`.
LayerRows layerRows(const NoiseOverlayNode::Layer& layer, const float* const (&planes)[4],
                    bool straight)
{
    LayerRows rows{};
    for (int k = 0; k < 4; ++k) {
        const int c = layer.rows.column[k];
        rows.reads[k] = c >= 0;
        rows.plane[k] = planes[c >= 0 ? c : 3];
        rows.divided[k] = c >= 0 && c < 3 && !straight;
        rows.dividing = rows.dividing || rows.divided[k];
        rows.coef[k] = layer.rows.coef[k];
        rows.bias[k] = layer.rows.bias[k];
    }
    rows.alpha = planes[3];
    rows.minimum = layer.minimum;
    for (int k = 0; k < 4; ++k) {
        rows.same[k] = -1;
        for (int j = 0; j < k && rows.same[k] < 0; ++j)
            if (layer.rows.column[j] == layer.rows.column[k] && rows.coef[j] == rows.coef[k] &&
                rows.bias[j] == rows.bias[k])
                rows.same[k] = j;
    }
    rows.opaque = !rows.reads[3] && rows.bias[3] == 1.0f;
    return rows;
}

// Pixel i of a layer, premultiplied: the sample divided by max(alpha, 1e-5),
// the matrix rows, multiplied by the new alpha, then the minimum component
// when the layer has one.
inline void layerPixel(const LayerRows& l, int i, float out[4])
{
    float inv = 1.0f;
    if (l.dividing) {
        const float a = l.alpha[i];
        inv = 1.0f / math::select(a > kMinAlpha, a, kMinAlpha);
    }
    for (int k = 0; k < 4; ++k)
        out[k] = l.reads[k] ? l.coef[k] * (l.plane[k][i] * (l.divided[k] ? inv : 1.0f)) + l.bias[k]
                            : l.bias[k];
    out[0] *= out[3];
    out[1] *= out[3];
    out[2] *= out[3];
    if (l.minimum) {
        const float m = std::min(std::min(out[0], out[1]), out[2]);
        out[0] = out[1] = out[2] = m;
    }
}

// The base row in `io` becomes multiplied x (over + base x (1 - over's alpha)).
inline void overlayRow(const LayerRows* over, const LayerRows* multiplied, float* __restrict r,
                       float* __restrict g, float* __restrict b, float* __restrict a, int n)
{
    const LayerRows o = *over, m = *multiplied; // local copies: the stores cannot change them
    for (int i = 0; i < n; ++i) {
        float s[4], t[4];
        layerPixel(o, i, s);
        layerPixel(m, i, t);
        const float k = 1.0f - s[3];
        r[i] = t[0] * (s[0] + r[i] * k);
        g[i] = t[1] * (s[1] + g[i] * k);
        b[i] = t[2] * (s[2] + b[i] * k);
        a[i] = t[3] * (s[3] + a[i] * k);
    }
}

#ifdef IMAGEFILTER_SIMD_DISPATCH
// The same eight pixels a step with AVX2 (the compiler does not vectorise the
// loop above with its per-channel choices); the tail is left to that loop.
struct LayerAvx2
{
    __m256 coef[4], bias[4];
};

[[gnu::target(IMAGEFILTER_AVX2_TARGET), gnu::always_inline]] inline void
loadLayer(const LayerRows& l, LayerAvx2& v)
{
    for (int k = 0; k < 4; ++k) {
        v.coef[k] = _mm256_set1_ps(l.coef[k]);
        v.bias[k] = _mm256_set1_ps(l.bias[k]);
    }
}

// One channel of a layer before the multiplication by alpha.
[[gnu::target(IMAGEFILTER_AVX2_TARGET), gnu::always_inline]] inline __m256
layerChannel(const LayerRows& l, const LayerAvx2& v, int k, int i, __m256 inv)
{
    if (!l.reads[k])
        return v.bias[k];
    __m256 x = _mm256_loadu_ps(l.plane[k] + i);
    if (l.divided[k])
        x = _mm256_mul_ps(x, inv);
    return _mm256_fmadd_ps(v.coef[k], x, v.bias[k]);
}

// The branches are the same for every pixel of the row, so they cost next to
// nothing; a channel with the same row as an earlier one (the specks' grey)
// is computed once. Named values, not an array, keep everything in registers.
[[gnu::target(IMAGEFILTER_AVX2_TARGET), gnu::always_inline]] inline void
layerPixels(const LayerRows& l, const LayerAvx2& v, int i, __m256& r, __m256& g, __m256& b,
            __m256& a)
{
    // max() gives the floor for NaN, as the select in layerPixel does.
    const __m256 inv =
        l.dividing ? _mm256_div_ps(_mm256_set1_ps(1.0f), _mm256_max_ps(_mm256_loadu_ps(l.alpha + i),
                                                                       _mm256_set1_ps(kMinAlpha)))
                   : _mm256_setzero_ps();
    r = layerChannel(l, v, 0, i, inv);
    g = l.same[1] == 0 ? r : layerChannel(l, v, 1, i, inv);
    b = l.same[2] == 0 ? r : l.same[2] == 1 ? g : layerChannel(l, v, 2, i, inv);
    a = l.same[3] == 0   ? r
        : l.same[3] == 1 ? g
        : l.same[3] == 2 ? b
                         : layerChannel(l, v, 3, i, inv);
    if (!l.opaque) {
        r = _mm256_mul_ps(r, a);
        g = l.same[1] == 0 ? r : _mm256_mul_ps(g, a);
        b = l.same[2] == 0 ? r : l.same[2] == 1 ? g : _mm256_mul_ps(b, a);
    }
    if (l.minimum) {
        // std::min(p, q) is q < p ? q : p, which is _mm256_min_ps(q, p).
        r = g = b = _mm256_min_ps(b, _mm256_min_ps(g, r));
    }
}

[[gnu::target(IMAGEFILTER_AVX2_TARGET)]] int
overlayRowAvx2(const LayerRows& over, const LayerRows& multiplied, const Planar& io, int n)
{
    LayerAvx2 ov, mv;
    loadLayer(over, ov);
    loadLayer(multiplied, mv);
    float* planes[4] = {io.r, io.g, io.b, io.a};
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        __m256 s[4], t[4];
        layerPixels(over, ov, i, s[0], s[1], s[2], s[3]);
        layerPixels(multiplied, mv, i, t[0], t[1], t[2], t[3]);
        const __m256 k = _mm256_sub_ps(_mm256_set1_ps(1.0f), s[3]);
        for (int c = 0; c < 4; ++c)
            _mm256_storeu_ps(
                planes[c] + i,
                _mm256_mul_ps(t[c], _mm256_fmadd_ps(_mm256_loadu_ps(planes[c] + i), k, s[c])));
    }
    return i;
}
#endif

// A colour run that is one sparse matrix, optionally followed by the minimum
// component, over the noise tile (moved, scaled or as it is) and of infinite
// extent; false for anything else.
bool noiseLayer(const NodePtr& node, NoiseOverlayNode::Layer& layer)
{
    const auto* run = dynamic_cast<const ColourNode*>(node.get());
    if (!run || !run->extent().isInfinite())
        return false;
    const std::vector<KernelPtr>& kernels = run->kernels();
    if (kernels.empty() || kernels.size() > 2 || !kernels[0]->sparseForm(layer.rows))
        return false;
    layer.minimum = kernels.size() == 2;
    if (layer.minimum && !kernels[1]->isMinimumComponent())
        return false;
    const Node* input = run->input().get();
    layer.inTile = true;
    layer.tx = layer.ty = 0;
    layer.stretched = nullptr;
    if (const auto* moved = dynamic_cast<const TransformNode*>(input)) {
        input = moved->input().get();
        if (moved->samplesTileAlongX())
            layer.stretched = moved;
        layer.inTile = moved->transform().isIntegerTranslation() &&
                       std::abs(moved->transform().tx) < 1e9 &&
                       std::abs(moved->transform().ty) < 1e9;
        if (layer.inTile) {
            layer.tx = int(moved->transform().tx);
            layer.ty = int(moved->transform().ty);
        }
    }
    if (!dynamic_cast<const RandomNode*>(input))
        return false;
    layer.sample = run->input();
    layer.reads = 8u; // every layer divides by its alpha
    for (int k = 0; k < 4; ++k)
        if (layer.rows.column[k] >= 0)
            layer.reads |= 1u << layer.rows.column[k];
    return true;
}

// Tile rows resampled along x, kept per thread: a row of the stretched layer
// blends two of them, and the 25 rows below (at the streaks' stretch) blend
// the same two. A row is known by everything it depends on: the transform's
// x mapping, the tile row, the channel and the span; it is kept in the slot
// of its tile row (four in turn), 512-pixel segment (sixteen, up to 8K wide)
// and channel, where one look finds it.
class ResampledRows final
{
public:
    const float* row(const TransformNode& node, int j, int channel, int x0, int n, Scratch& scratch)
    {
        const double a = node.inverse().a, tx = node.inverse().tx;
        Entry& e = entries_[((j & 3) * 16 + ((x0 >> 9) & 15)) * 4 + (channel & 3)];
        if (e.j == j && e.x0 == x0 && e.channel == channel && e.n == n && e.a == a && e.tx == tx)
            return e.values.data();
        e.values.resize(std::size_t(n));
        node.tileRowAlongX(j, channel, x0, n, e.values.data(), scratch);
        e.a = a;
        e.tx = tx;
        e.j = j;
        e.channel = channel;
        e.x0 = x0;
        e.n = n;
        return e.values.data();
    }

private:
    struct Entry
    {
        double a = 0, tx = 0;
        int j = -1, channel = -1, x0 = 0, n = -1;
        std::vector<float> values; // allocated when the slot is first used
    };
    Entry entries_[4 * 16 * 4];
};

// The stretched layer's samples for row y: the channels it reads, each the
// blend of two kept rows.
void stretchedSamples(const NoiseOverlayNode::Layer& layer, int y, int x0, int n, const Planar& out,
                      Scratch& scratch)
{
    thread_local ResampledRows kept;
    int j0, j1;
    float fy;
    layer.stretched->tileRowsFor(y, j0, j1, fy);
    float* planes[4] = {out.r, out.g, out.b, out.a};
    for (int c = 0; c < 4; ++c) {
        if (!(layer.reads & (1u << c)))
            continue;
        const float* top = kept.row(*layer.stretched, j0, c, x0, n, scratch);
        const float* bottom = kept.row(*layer.stretched, j1, c, x0, n, scratch);
        blendTileRows(top, bottom, planes[c], n, fy);
    }
}

} // namespace

NodePtr NoiseOverlayNode::fuse(const NodePtr& multiplied, const NodePtr& background)
{
    const auto* over = dynamic_cast<const CompositeNode*>(background.get());
    if (!over || over->op() != CompositeOp::SourceOver)
        return nullptr;
    Layer top, bottom;
    if (!noiseLayer(multiplied, top) || !noiseLayer(over->source(), bottom))
        return nullptr;
    return std::make_shared<NoiseOverlayNode>(over->background(), bottom, top,
                                              multiplied->extent().united(background->extent()));
}

NoiseOverlayNode::NoiseOverlayNode(NodePtr base, Layer over, Layer multiplied, const Rect& extent)
    : Node(extent), base_(std::move(base)), over_(std::move(over)),
      multiplied_(std::move(multiplied))
{
}

namespace {

// The span's pixels: out = multiplied x (over + out x (1 - over's alpha)).
void overlaySpan(LayerRows over, LayerRows multiplied, const Planar& out, int n)
{
    int done = 0;
#ifdef IMAGEFILTER_SIMD_DISPATCH
    if (simd::avx2())
        done = overlayRowAvx2(over, multiplied, out, n);
#endif
    for (LayerRows* l : {&over, &multiplied}) {
        for (const float*& p : l->plane)
            if (p) // null for a plane the layer does not read
                p += done;
        if (l->alpha)
            l->alpha += done;
    }
    const Planar rest = out.offset(done);
    simd::run<overlayRow>(static_cast<const LayerRows*>(&over),
                          static_cast<const LayerRows*>(&multiplied), rest.r, rest.g, rest.b,
                          rest.a, n - done);
}

} // namespace

void NoiseOverlayNode::rowInside(int y, int x0, int n, const Planar& out, Scratch& scratch,
                                 unsigned) const
{
    Scratch::Frame frame(scratch);
    base_->row(y, x0, n, out, scratch);
    // A layer that moves the tile by whole pixels reads the tile's own rows;
    // any other takes its samples from its node.
    Planar rows[2] = {};
    const Layer* layers[2] = {&over_, &multiplied_};
    for (int l = 0; l < 2; ++l) {
        if (layers[l]->inTile)
            continue;
        rows[l] = frame.planar(n);
        if (layers[l]->stretched)
            stretchedSamples(*layers[l], y, x0, n, rows[l], scratch);
        else
            layers[l]->sample->row(y, x0, n, rows[l], scratch, layers[l]->reads);
    }
    constexpr int kTile = RandomNode::kTile;
    for (int done = 0; done < n;) {
        int len = n - done;
        LayerRows spans[2];
        for (int l = 0; l < 2; ++l) {
            const Layer& layer = *layers[l];
            if (!layer.inTile) {
                const Planar p = rows[l].offset(done);
                spans[l] = layerRows(layer, {p.r, p.g, p.b, p.a}, false);
                continue;
            }
            // Up to a tile's width at a time, read where the tile's rows are
            // stored twice over; the colour read straight (divided once for
            // good, not per pixel), from the planes the layer reads only.
            const int i = (x0 + done - layer.tx) & (kTile - 1), j = (y - layer.ty) & (kTile - 1);
            len = std::min(len, kTile);
            const std::size_t at = std::size_t(j) * 2 * kTile + i;
            const float* planes[4] = {};
            // The render goes down the rows: the same columns of the tile
            // row below are asked for early, so that they are in cache by
            // the time the next row reads them.
            const std::size_t below = std::size_t((j - 1) & (kTile - 1)) * 2 * kTile + i;
            for (int c : layer.rows.column) {
                if (c < 0 || planes[c])
                    continue;
                const float* plane = RandomNode::wrappedStraightPlane(c);
                planes[c] = plane + at;
                for (int k = 0; k < len; k += 16)
                    __builtin_prefetch(plane + below + k);
            }
            spans[l] = layerRows(layer, planes, true);
        }
        overlaySpan(spans[0], spans[1], out.offset(done), len);
        done += len;
    }
}

} // namespace imagefilter::detail
