#include "imagefilter/Kernels.h"
#include "imagefilter/PixelMath.h"
#include "imagefilter/Srgb8.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace imagefilter {

using namespace detail;

// ---- Image ----------------------------------------------------------------

Image Image::fromBitmap(Bitmap bitmap)
{
    return fromBitmap(std::make_shared<const Bitmap>(std::move(bitmap)));
}

Image Image::fromBitmap(std::shared_ptr<const Bitmap> bitmap)
{
    if (!bitmap || bitmap->isNull() ||
        bitmap->pixels.size() < std::size_t(bitmap->width) * bitmap->height * 4)
        return Image();
    return Image(std::make_shared<SourceNode>(std::move(bitmap)));
}

Rect Image::extent() const { return node_ ? node_->extent() : Rect(); }

Image Image::croppedTo(const Rect& rect) const
{
    if (!node_ || rect.contains(node_->extent()))
        return *this;
    return Image(node_->croppedTo(node_, rect));
}

Image Image::transformed(const Affine& t) const
{
    if (!node_ || (t.isIntegerTranslation() && t.tx == 0 && t.ty == 0))
        return *this;
    // Integer translations resample nothing, so they fold into a neighbouring
    // transform exactly; other pairs keep both resamplings.
    if (auto inner = std::dynamic_pointer_cast<const TransformNode>(node_)) {
        if (t.isIntegerTranslation() || inner->transform().isIntegerTranslation())
            return Image(inner->input()).transformed(t.after(inner->transform()));
    }
    return Image(std::make_shared<TransformNode>(node_, t));
}

namespace detail {

// ---- rows and scratch -----------------------------------------------------

void zeroPlanar(const Planar& p, int n)
{
    if (n <= 0)
        return;
    const std::size_t bytes = std::size_t(n) * sizeof(float);
    std::memset(p.r, 0, bytes);
    std::memset(p.g, 0, bytes);
    std::memset(p.b, 0, bytes);
    std::memset(p.a, 0, bytes);
}

Planar Scratch::take(int n)
{
    if (used_ == blocks_.size()) {
        blocks_.emplace_back();
        sizes_.push_back(0);
    }
    if (sizes_[used_] < n) {
        blocks_[used_] = std::make_unique<float[]>(std::size_t(n) * 4);
        sizes_[used_] = n;
    }
    float* base = blocks_[used_].get();
    const int stride = sizes_[used_];
    ++used_;
    return {base, base + stride, base + 2 * stride, base + 3 * stride};
}

void pixelSpan(double lo, double hi, int x0, int n, int& first, int& last)
{
    // pixel i is inside when lo <= i + 0.5 < hi
    double f = std::ceil(lo - 0.5) - x0, l = std::ceil(hi - 0.5) - x0;
    f = std::clamp(f, 0.0, double(n));
    l = std::clamp(l, 0.0, double(n));
    first = int(f);
    last = std::max(first, int(l));
}

void Node::row(int y, int x0, int n, const Planar& out, Scratch& scratch, unsigned channels) const
{
    const double cy = y + 0.5;
    if (!(cy >= extent_.y0 && cy < extent_.y1)) {
        zeroPlanar(out, n);
        return;
    }
    int first, last;
    pixelSpan(extent_.x0, extent_.x1, x0, n, first, last);
    zeroPlanar(out, first);
    zeroPlanar(out.offset(last), n - last);
    if (last > first)
        rowInside(y, x0 + first, last - first, out.offset(first), scratch, channels);
}

NodePtr Node::croppedTo(const NodePtr& self, const Rect& rect) const
{
    return std::make_shared<CropNode>(self, extent_.intersected(rect));
}

NodePtr CropNode::croppedTo(const NodePtr&, const Rect& rect) const
{
    return std::make_shared<CropNode>(input_, extent().intersected(rect));
}

// ---- bitmap source ----------------------------------------------------------

SourceNode::SourceNode(std::shared_ptr<const Bitmap> bitmap)
    : Node(Rect::fromXYWH(0, 0, bitmap->width, bitmap->height)), bitmap_(std::move(bitmap))
{
}

const std::uint8_t* SourceNode::storedRow(int y) const
{
    return bitmap_->pixels.data() + std::size_t(bitmap_->height - 1 - y) * bitmap_->width * 4;
}

namespace {

IMAGEFILTER_VECTOR_CLONES
bool opaqueBytes(const std::uint8_t* px, int n)
{
    unsigned all = 0xff;
    for (int i = 0; i < n; ++i)
        all &= px[4 * i + 3];
    return all == 0xff;
}

IMAGEFILTER_VECTOR_CLONES
void unpackOpaque(const std::uint8_t* __restrict px, int n, const float* __restrict lut, float* __restrict r,
                  float* __restrict g, float* __restrict b, float* __restrict a)
{
    for (int i = 0; i < n; ++i) {
        r[i] = lut[px[4 * i]];
        g[i] = lut[px[4 * i + 1]];
        b[i] = lut[px[4 * i + 2]];
        a[i] = 1.0f;
    }
}

} // namespace

void SourceNode::rowInside(int y, int x0, int n, const Planar& out, Scratch&, unsigned) const
{
    const std::uint8_t* px = storedRow(y) + std::size_t(x0) * 4;
    const float* lut = Srgb8::tables().decodeTable();
    if (opaqueBytes(px, n)) { // the usual case: a table look-up per byte
        unpackOpaque(px, n, lut, out.r, out.g, out.b, out.a);
        return;
    }
    for (int i = 0; i < n; ++i, px += 4) {
        const std::uint8_t a8 = px[3];
        if (a8 == 255) {
            out.r[i] = lut[px[0]];
            out.g[i] = lut[px[1]];
            out.b[i] = lut[px[2]];
            out.a[i] = 1.0f;
        } else if (a8 == 0) {
            out.r[i] = out.g[i] = out.b[i] = out.a[i] = 0.0f;
        } else {
            // premultiplied encoded bytes: unpremultiply, decode, premultiply
            const float a = a8 / 255.0f, inv = 1.0f / a8;
            out.r[i] = math::decodeSRGB(px[0] * inv) * a;
            out.g[i] = math::decodeSRGB(px[1] * inv) * a;
            out.b[i] = math::decodeSRGB(px[2] * inv) * a;
            out.a[i] = a;
        }
    }
}

namespace {

// Encoded bytes to straight encoded values: divided by alpha (0 stays 0).
IMAGEFILTER_VECTOR_CLONES
void unpackEncodedStraight(const std::uint8_t* __restrict px, int n, float* __restrict r, float* __restrict g,
                           float* __restrict b, float* __restrict a)
{
    for (int i = 0; i < n; ++i) {
        const float a8 = float(px[4 * i + 3]);
        const float k = math::select(a8 > 0.0f, 1.0f / math::select(a8 > 0.0f, a8, 1.0f), 0.0f);
        r[i] = float(px[4 * i]) * k;
        g[i] = float(px[4 * i + 1]) * k;
        b[i] = float(px[4 * i + 2]) * k;
        a[i] = a8 * (1.0f / 255.0f);
    }
}

} // namespace

void SourceNode::rowEncodedStraight(int y, int x0, int n, const Planar& out) const
{
    unpackEncodedStraight(storedRow(y) + std::size_t(x0) * 4, n, out.r, out.g, out.b, out.a);
}

// ---- colour runs --------------------------------------------------------------

AffineMap AffineMap::identity()
{
    AffineMap a{};
    for (int r = 0; r < 3; ++r)
        a.m[r][r] = 1.0;
    return a;
}

AffineMap AffineMap::after(const AffineMap& first) const
{
    // Both maps leave alpha alone, so alpha's row is (0, 0, 0, 1).
    AffineMap out{};
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 4; ++c) {
            double v = c == 3 ? m[r][3] : 0.0;
            for (int k = 0; k < 3; ++k)
                v += m[r][k] * first.m[k][c];
            out.m[r][c] = v;
        }
        out.bias[r] = bias[r];
        for (int k = 0; k < 3; ++k)
            out.bias[r] += m[r][k] * first.bias[k];
    }
    return out;
}

AffineKernel::AffineKernel(const AffineMap& map) : map_(map)
{
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 4; ++c)
            m_[r][c] = float(map.m[r][c]);
        bias_[r] = float(map.bias[r]);
    }
}

namespace {

IMAGEFILTER_VECTOR_CLONES
void applyAffine(const float (&m)[3][4], const float (&bias)[3], float* __restrict r,
                 float* __restrict g, float* __restrict b, const float* __restrict a, int n)
{
    for (int i = 0; i < n; ++i) {
        const float x = r[i], y = g[i], z = b[i], w = a[i];
        r[i] = m[0][0] * x + m[0][1] * y + m[0][2] * z + m[0][3] * w + bias[0];
        g[i] = m[1][0] * x + m[1][1] * y + m[1][2] * z + m[1][3] * w + bias[1];
        b[i] = m[2][0] * x + m[2][1] * y + m[2][2] * z + m[2][3] * w + bias[2];
    }
}

} // namespace

void AffineKernel::apply(const Planar& p, int n, int, int) const
{
    applyAffine(m_, bias_, p.r, p.g, p.b, p.a, n);
}

ColourNode::ColourNode(NodePtr input, std::vector<KernelPtr> kernels, const Rect& extent)
    : Node(extent), input_(std::move(input)), kernels_(std::move(kernels))
{
    planSteps();
}

void ColourNode::planSteps()
{
    AffineMap map;
    for (std::size_t i = 0; i < kernels_.size();) {
        std::size_t j = i;
        AffineMap composed = AffineMap::identity();
        while (j < kernels_.size() && kernels_[j]->space() == Space::Straight &&
               kernels_[j]->keepsAlpha() && kernels_[j]->affineForm(map)) {
            composed = map.after(composed);
            ++j;
        }
        if (j - i >= 2) {
            steps_.push_back({std::make_shared<AffineKernel>(composed), i, j});
            i = j;
        } else {
            steps_.push_back({nullptr, i, i + 1});
            ++i;
        }
    }
}

NodePtr ColourNode::append(const NodePtr& input, KernelPtr kernel)
{
    if (auto run = std::dynamic_pointer_cast<const ColourNode>(input)) {
        std::vector<KernelPtr> kernels = run->kernels_;
        kernels.push_back(std::move(kernel));
        return std::make_shared<ColourNode>(run->input_, std::move(kernels), run->extent());
    }
    return std::make_shared<ColourNode>(input, std::vector<KernelPtr>{std::move(kernel)},
                                        input->extent());
}

NodePtr ColourNode::croppedTo(const NodePtr&, const Rect& rect) const
{
    return std::make_shared<ColourNode>(input_, kernels_, extent().intersected(rect));
}

namespace {

constexpr float kMinAlpha = 1e-5f;

IMAGEFILTER_VECTOR_CLONES
bool anyLowAlpha(const float* a, int n)
{
    int low = 0; // an int, not a bool, so that the loop vectorises
    for (int i = 0; i < n; ++i)
        low |= int(!(a[i] >= kMinAlpha));
    return low != 0;
}

IMAGEFILTER_VECTOR_CLONES
void unpremultiply(const Planar& p, int n)
{
    for (int i = 0; i < n; ++i) {
        const float inv = 1.0f / math::select(p.a[i] > kMinAlpha, p.a[i], kMinAlpha);
        p.r[i] *= inv;
        p.g[i] *= inv;
        p.b[i] *= inv;
    }
}

IMAGEFILTER_VECTOR_CLONES
void premultiply(const Planar& p, int n)
{
    for (int i = 0; i < n; ++i) {
        p.r[i] *= p.a[i];
        p.g[i] *= p.a[i];
        p.b[i] *= p.a[i];
    }
}

// Straight colour handed from one colour filter to the next goes through
// premultiply and unpremultiply, which changes it only where alpha < kMinAlpha.
IMAGEFILTER_VECTOR_CLONES
void rematchStraight(const Planar& p, int n)
{
    for (int i = 0; i < n; ++i) {
        const float f = p.a[i] / math::select(p.a[i] > kMinAlpha, p.a[i], kMinAlpha);
        p.r[i] *= f;
        p.g[i] *= f;
        p.b[i] *= f;
    }
}

IMAGEFILTER_VECTOR_CLONES
void encodePlanes(const Planar& p, int n)
{
    for (int i = 0; i < n; ++i) {
        p.r[i] = math::encodeSRGB(p.r[i]);
        p.g[i] = math::encodeSRGB(p.g[i]);
        p.b[i] = math::encodeSRGB(p.b[i]);
    }
}

// The decoding curve over encoded values in [kCurveLow, kCurveLow + kCurveSteps
// / kCurveScale], sampled exactly, for linear interpolation: the curve bends
// so little that the error stays below 4e-7, and a look's output nearly
// always lies in that range.
constexpr float kCurveLow = -0.25f, kCurveScale = 1024.0f;
constexpr int kCurveSteps = 1536;

struct DecodeCurve
{
    float v[kCurveSteps + 2]; // one past the end, so that the top value interpolates too
    DecodeCurve()
    {
        for (int i = 0; i < kCurveSteps + 2; ++i) {
            const double e = kCurveLow + i / double(kCurveScale), a = std::abs(e);
            const double d = a <= 0.04045 ? a / 12.92 : std::pow((a + 0.055) / 1.055, 2.4);
            v[i] = float(e < 0 ? -d : d);
        }
    }
};

const DecodeCurve kDecodeCurve;

IMAGEFILTER_VECTOR_CLONES
bool onDecodeCurve(const float* c, int n)
{
    constexpr float high = kCurveLow + kCurveSteps / kCurveScale;
    int outside = 0; // NaN counts as outside; no && so that the loop vectorises
    for (int i = 0; i < n; ++i)
        outside |= int(!(c[i] >= kCurveLow)) | int(!(c[i] <= high));
    return outside == 0;
}

IMAGEFILTER_VECTOR_CLONES
void decodeByCurve(float* __restrict c, int n, const float* __restrict curve)
{
    for (int i = 0; i < n; ++i) {
        const float t = (c[i] - kCurveLow) * kCurveScale;
        const int k = int(t);
        const float f = t - float(k);
        c[i] = curve[k] + (curve[k + 1] - curve[k]) * f;
    }
}

IMAGEFILTER_VECTOR_CLONES
void decodeByFormula(float* c, int n)
{
    for (int i = 0; i < n; ++i)
        c[i] = math::decodeSRGB(c[i]);
}

void decodePlanes(const Planar& p, int n)
{
    for (float* c : {p.r, p.g, p.b}) {
        if (onDecodeCurve(c, n))
            decodeByCurve(c, n, kDecodeCurve.v);
        else
            decodeByFormula(c, n);
    }
}

} // namespace

void ColourNode::rowInside(int y, int x0, int n, const Planar& out, Scratch& scratch, unsigned) const
{
    Space cur = Space::Premultiplied;
    const auto* source = dynamic_cast<const SourceNode*>(input_.get());
    if (source && kernels_.front()->space() == Space::StraightEncoded) {
        source->rowEncodedStraight(y, x0, n, out);
        cur = Space::StraightEncoded;
    } else {
        input_->row(y, x0, n, out, scratch, kernels_.front()->reads() | 8u);
    }
    // Whether some alpha is below kMinAlpha; -1 = not yet known.
    int low = -1;
    bool freshStraight = cur != Space::Premultiplied;
    auto lowAlpha = [&] {
        if (low < 0)
            low = anyLowAlpha(out.a, n);
        return low != 0;
    };
    auto run = [&](const Kernel& k) {
        const Space want = k.space();
        if (want == Space::Premultiplied) {
            if (cur == Space::StraightEncoded)
                decodePlanes(out, n);
            if (cur != Space::Premultiplied)
                premultiply(out, n);
        } else {
            if (cur == Space::Premultiplied) {
                unpremultiply(out, n);
                cur = Space::Straight;
            } else if (!freshStraight && lowAlpha()) {
                if (cur == Space::StraightEncoded)
                    decodePlanes(out, n);
                cur = Space::Straight;
                rematchStraight(out, n);
            }
            if (want == Space::StraightEncoded && cur == Space::Straight)
                encodePlanes(out, n);
            else if (want == Space::Straight && cur == Space::StraightEncoded)
                decodePlanes(out, n);
        }
        k.apply(out, n, y, x0);
        cur = want;
        freshStraight = false;
        if (!k.keepsAlpha())
            low = -1;
    };
    for (const Step& step : steps_) {
        // The composed map equals the separate kernels unless alpha is below
        // the floor somewhere, where each kernel's rematch matters.
        if (step.fused && !lowAlpha()) {
            run(*step.fused);
        } else {
            for (std::size_t i = step.begin; i < step.end; ++i)
                run(*kernels_[i]);
        }
    }
    if (cur == Space::StraightEncoded)
        decodePlanes(out, n);
    if (cur != Space::Premultiplied)
        premultiply(out, n);
}

// ---- compositing ----------------------------------------------------------------

namespace {

// restrict on the parameters (not on locals) is what lets the compiler see
// that the eight planes never overlap.
IMAGEFILTER_VECTOR_CLONES
void sourceOverPlanes(float* __restrict sr, float* __restrict sg, float* __restrict sb,
                      float* __restrict sa, const float* __restrict dr, const float* __restrict dg,
                      const float* __restrict db, const float* __restrict da, int n)
{
    for (int i = 0; i < n; ++i) {
        const float a = sa[i];
        const float k = 1.0f - a;
        sr[i] = sr[i] + dr[i] * k;
        sg[i] = sg[i] + dg[i] * k;
        sb[i] = sb[i] + db[i] * k;
        sa[i] = a + da[i] * k;
    }
}

IMAGEFILTER_VECTOR_CLONES
void multiplyPlanes(float* __restrict sr, float* __restrict sg, float* __restrict sb,
                    float* __restrict sa, const float* __restrict dr, const float* __restrict dg,
                    const float* __restrict db, const float* __restrict da, int n)
{
    for (int i = 0; i < n; ++i) {
        sr[i] *= dr[i];
        sg[i] *= dg[i];
        sb[i] *= db[i];
        sa[i] *= da[i];
    }
}

void sourceOverRow(const Planar& s, const Planar& d, int n)
{
    sourceOverPlanes(s.r, s.g, s.b, s.a, d.r, d.g, d.b, d.a, n);
}

void multiplyRow(const Planar& s, const Planar& d, int n)
{
    multiplyPlanes(s.r, s.g, s.b, s.a, d.r, d.g, d.b, d.a, n);
}

// One plane of a scaled tile row: bilinear between two tile rows, the column
// stepped from `start` by `step` (both already reduced into the tile).
IMAGEFILTER_VECTOR_CLONES
void tileRow(const float* __restrict row0, const float* __restrict row1, float* __restrict dst, int n,
             float start, float step, float fy)
{
    constexpr int mask = RandomNode::kTile - 1;
    for (int k = 0; k < n; ++k) {
        const float u = start + step * float(k);
        const int i = int(u); // u >= 0
        const float fx = u - float(i);
        const int i0 = i & mask, i1 = (i + 1) & mask;
        const float top = row0[i0] + (row0[i1] - row0[i0]) * fx;
        const float bottom = row1[i0] + (row1[i1] - row1[i0]) * fx;
        dst[k] = top + (bottom - top) * fy;
    }
}

// The same when the columns are stepped by at most a few pixels: the two tile
// rows are blended once per column into `col` (col[m] for tile column
// first + m), and each pixel then blends two neighbours of it.
IMAGEFILTER_VECTOR_CLONES
void blendRows(const float* __restrict row0, const float* __restrict row1, float* __restrict col, int n, float fy)
{
    for (int i = 0; i < n; ++i)
        col[i] = row0[i] + (row1[i] - row0[i]) * fy;
}

IMAGEFILTER_VECTOR_CLONES
void blendColumns(const float* __restrict col, float* __restrict dst, int n, float start, float step, int first,
                  int last)
{
    for (int k = 0; k < n; ++k) {
        const float u = start + step * float(k);
        const int i = int(u); // u >= 0
        const float fx = u - float(i);
        const int m = std::min(i - first, last);
        dst[k] = col[m] + (col[m + 1] - col[m]) * fx;
    }
}

void tileRowByColumns(const float* row0, const float* row1, float* dst, int n, float start, float step,
                      float fy, float* col)
{
    constexpr int kTile = RandomNode::kTile, mask = kTile - 1;
    const int first = int(start);
    // One more column than the last pixel's pair, whatever the rounding of u.
    const int span = int(start + step * float(n - 1)) - first + 3;
    for (int done = 0; done < span;) {
        const int i = (first + done) & mask;
        const int len = std::min(span - done, kTile - i);
        blendRows(row0 + i, row1 + i, col + done, len, fy);
        done += len;
    }
    blendColumns(col, dst, n, start, step, first, span - 2);
}

} // namespace

CompositeNode::CompositeNode(CompositeOp op, NodePtr source, NodePtr background)
    : Node(source->extent().united(background->extent())), op_(op), source_(std::move(source)),
      background_(std::move(background))
{
}

void CompositeNode::rowInside(int y, int x0, int n, const Planar& out, Scratch& scratch, unsigned) const
{
    Scratch::Frame frame(scratch);
    const Planar d = frame.planar(n);
    source_->row(y, x0, n, out, scratch);
    background_->row(y, x0, n, d, scratch);
    if (op_ == CompositeOp::SourceOver)
        sourceOverRow(out, d, n);
    else
        multiplyRow(out, d, n);
}

// ---- the noise tile -----------------------------------------------------------------

namespace {

struct Tile
{
    std::unique_ptr<float[]> planes[4];

    Tile()
    {
        constexpr int count = RandomNode::kTile * RandomNode::kTile;
        for (auto& p : planes)
            p = std::make_unique<float[]>(count);
        // splitmix64 from a fixed seed: the same tile on every run and platform.
        std::uint64_t state = 0x0ED5EE1F11A5EEDull;
        auto next = [&state] {
            std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
            return z ^ (z >> 31);
        };
        for (int i = 0; i < count; ++i)
            for (auto& p : planes)
                p[i] = float(next() >> 40) * (1.0f / 16777216.0f);
    }
};

const Tile& tile()
{
    static const Tile instance;
    return instance;
}

} // namespace

RandomNode::RandomNode() : Node(Rect::infinite()) { tile(); }

const float* RandomNode::plane(int channel) { return tile().planes[channel].get(); }

void RandomNode::rowInside(int y, int x0, int n, const Planar& out, Scratch&, unsigned) const
{
    const int j = y & (kTile - 1);
    float* dst[4] = {out.r, out.g, out.b, out.a};
    int done = 0;
    while (done < n) {
        const int i = (x0 + done) & (kTile - 1);
        const int len = std::min(n - done, kTile - i);
        for (int c = 0; c < 4; ++c)
            std::memcpy(dst[c] + done, plane(c) + j * kTile + i, std::size_t(len) * sizeof(float));
        done += len;
    }
}

// ---- transforms ------------------------------------------------------------------

TransformNode::TransformNode(NodePtr input, const Affine& transform)
    : Node(transform.map(input->extent())), input_(std::move(input)), transform_(transform),
      inverse_(transform.inverted()),
      fromTile_(dynamic_cast<const RandomNode*>(input_.get()) != nullptr)
{
}

void TransformNode::rowInside(int y, int x0, int n, const Planar& out, Scratch& scratch, unsigned channels) const
{
    if (transform_.isIntegerTranslation()) {
        input_->row(y - int(transform_.ty), x0 - int(transform_.tx), n, out, scratch, channels);
    } else if (fromTile_ && transform_.isAxisAligned()) {
        rowFromTile(y, x0, n, out, scratch, channels);
    } else if (transform_.isAxisAligned()) {
        rowAxisAligned(y, x0, n, out, scratch, channels);
    } else {
        rowGeneral(y, x0, n, out, scratch);
    }
}

// A scaled noise tile is sampled in place: two tile rows, bilinear weights.
// The column coordinate is reduced modulo the tile once per segment and then
// stepped in float, which keeps it small and exact enough for the weights.
void TransformNode::rowFromTile(int y, int x0, int n, const Planar& out, Scratch& scratch,
                                unsigned channels) const
{
    constexpr int kTile = RandomNode::kTile, mask = kTile - 1;
    const double v = inverse_.d * (y + 0.5) + inverse_.ty - 0.5;
    const double vj = std::floor(v);
    const float fy = float(v - vj);
    const int j0 = int(std::int64_t(vj) & mask), j1 = (j0 + 1) & mask;
    double u0 = inverse_.a * (x0 + 0.5) + inverse_.tx - 0.5;
    u0 -= kTile * std::floor(u0 / kTile);
    const float step = float(inverse_.a), start = float(u0);
    float* dst[4] = {out.r, out.g, out.b, out.a};
    // Stretched or moved by up to two pixels a step (the scratch streaks), the
    // rows are blended first, so that each pixel reads two values, not four.
    const bool byColumns = step > 0.0f && step <= 2.0f;
    Scratch::Frame frame(scratch);
    float* col = byColumns ? frame.planar(int(step * float(n)) + 8).r : nullptr;
    // Channel by channel, the ones asked for; the column pattern is the same
    // for each, and the others are left at zero.
    for (int c = 0; c < 4; ++c) {
        if (!(channels & (1u << c))) {
            std::memset(dst[c], 0, std::size_t(n) * sizeof(float));
            continue;
        }
        const float* row0 = RandomNode::plane(c) + j0 * kTile;
        const float* row1 = RandomNode::plane(c) + j1 * kTile;
        if (byColumns)
            tileRowByColumns(row0, row1, dst[c], n, start, step, fy, col);
        else
            tileRow(row0, row1, dst[c], n, start, step, fy);
    }
}

void TransformNode::rowAxisAligned(int y, int x0, int n, const Planar& out, Scratch& scratch, unsigned channels) const
{
    const double v = inverse_.d * (y + 0.5) + inverse_.ty - 0.5;
    const double vj = std::floor(v);
    const float fy = float(v - vj);
    const double uFirst = inverse_.a * (x0 + 0.5) + inverse_.tx - 0.5;
    const double uLast = inverse_.a * (x0 + n - 0.5) + inverse_.tx - 0.5;
    const int iMin = int(std::floor(std::min(uFirst, uLast)));
    const int iMax = int(std::floor(std::max(uFirst, uLast))) + 1;
    const int width = iMax - iMin + 1;
    Scratch::Frame frame(scratch);
    const Planar r0 = frame.planar(width), r1 = frame.planar(width);
    input_->row(int(vj), iMin, width, r0, scratch, channels);
    input_->row(int(vj) + 1, iMin, width, r1, scratch, channels);
    const float* src0[4] = {r0.r, r0.g, r0.b, r0.a};
    const float* src1[4] = {r1.r, r1.g, r1.b, r1.a};
    float* dst[4] = {out.r, out.g, out.b, out.a};
    const float step = float(inverse_.a), start = float(uFirst - iMin);
    for (int k = 0; k < n; ++k) {
        const float u = std::max(start + step * float(k), 0.0f); // relative to iMin
        const int i = std::min(int(u), width - 2);
        const float fx = u - float(i);
        for (int c = 0; c < 4; ++c) {
            const float top = src0[c][i] + (src0[c][i + 1] - src0[c][i]) * fx;
            const float bottom = src1[c][i] + (src1[c][i + 1] - src1[c][i]) * fx;
            dst[c][k] = top + (bottom - top) * fy;
        }
    }
}

// Rotation or shear: each pixel reads its own 2 x 2 neighbourhood. Slow, and
// nothing in the effect chain needs it.
void TransformNode::rowGeneral(int y, int x0, int n, const Planar& out, Scratch& scratch) const
{
    Scratch::Frame frame(scratch);
    const Planar q0 = frame.planar(2), q1 = frame.planar(2);
    for (int k = 0; k < n; ++k) {
        const double px = x0 + k + 0.5, py = y + 0.5;
        const double u = inverse_.a * px + inverse_.c * py + inverse_.tx - 0.5;
        const double v = inverse_.b * px + inverse_.d * py + inverse_.ty - 0.5;
        const double ui = std::floor(u), vj = std::floor(v);
        const float fx = float(u - ui), fy = float(v - vj);
        input_->row(int(vj), int(ui), 2, q0, scratch);
        input_->row(int(vj) + 1, int(ui), 2, q1, scratch);
        const float* s0[4] = {q0.r, q0.g, q0.b, q0.a};
        const float* s1[4] = {q1.r, q1.g, q1.b, q1.a};
        float* dst[4] = {out.r, out.g, out.b, out.a};
        for (int c = 0; c < 4; ++c) {
            const float top = s0[c][0] + (s0[c][1] - s0[c][0]) * fx;
            const float bottom = s1[c][0] + (s1[c][1] - s1[c][0]) * fx;
            dst[c][k] = top + (bottom - top) * fy;
        }
    }
}

} // namespace detail

} // namespace imagefilter
