// Position-free colour kernels rendered from a baked table, and how a colour
// run is cut into such parts and the kernels between them.
//
// Over a bitmap source the table's grid is straight encoded colour, which the
// bytes are (byte / 255); any other input hands out linear light, whose
// square roots place it on the grid. A render writing bytes takes a table of
// encoded values and quantizes them at once; a node below takes one of
// square roots and gets their squares.

#include "imagefilter/ColourLut.h"
#include "imagefilter/Nodes.h"
#include "imagefilter/Simd.h"

#include <cmath>

namespace imagefilter::detail {

namespace {

// Whether every pixel is opaque and every colour lies in the table's cube
// (NaN does not).
inline bool inCube(const float* r, const float* g, const float* b, const float* a, int n)
{
    int outside = 0;
    for (int i = 0; i < n; ++i)
        outside |= int(a[i] != 1.0f) | int(!(r[i] >= 0.0f)) | int(!(r[i] <= 1.0f)) |
                   int(!(g[i] >= 0.0f)) | int(!(g[i] <= 1.0f)) | int(!(b[i] >= 0.0f)) |
                   int(!(b[i] <= 1.0f));
    return outside == 0;
}

inline void squareRoots(float* c, int n)
{
    for (int i = 0; i < n; ++i)
        c[i] = std::sqrt(c[i]);
}

inline void signedSquares(float* c, int n)
{
    for (int i = 0; i < n; ++i)
        c[i] *= std::abs(c[i]);
}

} // namespace

BakedColourNode::BakedColourNode(NodePtr input, std::vector<KernelPtr> kernels, const Rect& extent)
    : Node(extent), input_(std::move(input)),
      source_(dynamic_cast<const SourceNode*>(input_.get())),
      exact_(std::make_shared<ColourNode>(input_, std::move(kernels), extent, true))
{
    for (const KernelPtr& k : exact_->kernels()) {
        if (k->key().empty()) {
            key_.clear();
            break;
        }
        key_ += k->key() + "; ";
    }
}

BakedColourNode::~BakedColourNode() = default;

const ColourLut& BakedColourNode::lut(Baked& baked, bool encodedOut) const
{
    // Baked by whichever thread renders first; the others wait for it.
    std::call_once(baked.once, [&] {
        using Scale = ColourLut::Scale;
        const Scale in = source_ ? Scale::Encoded : Scale::SquareRoot;
        const Space start = source_ ? Space::StraightEncoded : Space::Premultiplied;
        baked.lut = ColourLut::shared(key_, in, encodedOut ? Scale::Encoded : Scale::SquareRoot,
                                      [this, start](const Planar& p, int n) {
                                          exact_->runKernels(0, 0, n, p, start, true,
                                                             ColourNode::End::Encoded);
                                      });
    });
    return *baked.lut;
}

bool BakedColourNode::lutRow(int y, int x0, int n, const Planar& out, Scratch& scratch,
                             ColourNode::End end) const
{
    const bool encodedOut = end != ColourNode::End::Premultiplied;
    const ColourLut& table = lut(encodedOut ? toEncoded_ : toRoot_, encodedOut);
    if (!table.holds()) {
        if (source_ && encodedOut)
            return exact_->rowEncodedIfOpaque(y, x0, n, out, scratch);
        if (source_) {
            exact_->row(y, x0, n, out, scratch);
            return false;
        }
        input_->row(y, x0, n, out, scratch);
        return exact_->runKernels(y, x0, n, out, Space::Premultiplied, false, end);
    }
    if (source_) {
        if (source_->rowEncodedStraight(y, x0, n, out)) {
            table.apply(out, n);
            return true;
        }
        return exact_->runKernels(y, x0, n, out, Space::StraightEncoded, false, end);
    }
    input_->row(y, x0, n, out, scratch);
    if (!simd::run<inCube>(static_cast<const float*>(out.r), static_cast<const float*>(out.g),
                           static_cast<const float*>(out.b), static_cast<const float*>(out.a), n))
        return exact_->runKernels(y, x0, n, out, Space::Premultiplied, false, end);
    for (float* c : {out.r, out.g, out.b})
        simd::run<squareRoots>(c, n);
    table.apply(out, n);
    return true;
}

void BakedColourNode::rowInside(int y, int x0, int n, const Planar& out, Scratch& scratch,
                                unsigned) const
{
    // Opaque: the straight values are the premultiplied ones.
    if (lutRow(y, x0, n, out, scratch, ColourNode::End::Premultiplied))
        for (float* c : {out.r, out.g, out.b})
            simd::run<signedSquares>(c, n);
}

bool BakedColourNode::rowEncodedIfOpaque(int y, int x0, int n, const Planar& out,
                                         Scratch& scratch) const
{
    return lutRow(y, x0, n, out, scratch, ColourNode::End::EncodedIfOpaque);
}

namespace {

// A table pays where the kernels do more than one affine map (which costs
// less than the interpolation), and only for kernels that keep alpha and
// work on straight colour.
bool worthBaking(const std::vector<KernelPtr>& kernels)
{
    AffineMap map;
    bool nonAffine = false;
    for (const KernelPtr& k : kernels) {
        if (!k->keepsAlpha() || k->space() == Space::Premultiplied)
            return false;
        nonAffine |= !k->affineForm(map);
    }
    return nonAffine;
}

} // namespace

const Node* ColourNode::baked() const
{
    if (exactOnly_ || !bakingEnabled())
        return nullptr;
    std::call_once(bakedOnce_, [this] { planBaked(); });
    return baked_.get();
}

// The run cut at its position-dependent kernels; the parts between them are
// baked where that pays. Made once, at the first render.
void ColourNode::planBaked() const
{
    NodePtr node = input_;
    bool anyBaked = false;
    for (std::size_t i = 0; i < kernels_.size();) {
        const bool placed = kernels_[i]->dependsOnPosition();
        std::size_t j = i + 1;
        while (j < kernels_.size() && kernels_[j]->dependsOnPosition() == placed)
            ++j;
        std::vector<KernelPtr> part(kernels_.begin() + std::ptrdiff_t(i),
                                    kernels_.begin() + std::ptrdiff_t(j));
        if (!placed && worthBaking(part)) {
            auto baked = std::make_shared<BakedColourNode>(node, std::move(part), extent());
            bakedTail_ = baked.get();
            exactTail_ = nullptr;
            node = std::move(baked);
            anyBaked = true;
        } else {
            auto exact = std::make_shared<ColourNode>(node, std::move(part), extent(), true);
            bakedTail_ = nullptr;
            exactTail_ = exact.get();
            node = std::move(exact);
        }
        i = j;
    }
    if (anyBaked)
        baked_ = std::move(node);
}

} // namespace imagefilter::detail
