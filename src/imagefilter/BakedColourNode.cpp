// Position-free colour kernels rendered from a baked table, and how a colour
// run is cut into such parts and the kernels between them.
//
// Over a bitmap source the table's grid is straight encoded colour, which the
// bytes are (byte / 255). Any other input hands out linear light: encoded on
// the way in where the part's first kernel works on encoded values anyway (a
// film stock after the halation, whose table is smooth in those values and
// bends over the square roots near black), else placed on the grid by its
// square roots, which cost one instruction. A render writing bytes takes a
// table of encoded values and quantizes them at once; a node below takes one
// of square roots and gets their squares.

#include "imagefilter/ColourLut.h"
#include "imagefilter/Nodes.h"
#include "imagefilter/Simd.h"
#include "imagefilter/SrgbPlanes.h"

#include <algorithm>
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
      exact_(std::make_shared<ColourNode>(input_, std::move(kernels), extent, true)),
      encodedGrid_(source_ || exact_->kernels().front()->space() == Space::StraightEncoded),
      encodedEnd_(exact_->kernels().back()->space() == Space::StraightEncoded)
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

const ColourLut& BakedColourNode::lut(bool encodedOut) const
{
    Baked& baked = encodedOut ? toEncoded_ : toRoot_;
    // Baked by whichever thread renders first; the others wait for it.
    std::call_once(baked.once, [&] {
        using Scale = ColourLut::Scale;
        const Scale in = encodedGrid_ ? Scale::Encoded : Scale::SquareRoot;
        const Space start = encodedGrid_ ? Space::StraightEncoded : Space::Premultiplied;
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
    const bool encodedOut = end != ColourNode::End::Premultiplied || encodedEnd_;
    const ColourLut& table = lut(encodedOut);
    if (!table.holds()) {
        if (source_ && end != ColourNode::End::Premultiplied)
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
        return mixedRow(y, x0, n, out, scratch, table, end);
    toGrid(out, n);
    table.apply(out, n);
    return true;
}

void BakedColourNode::toGrid(const Planar& p, int n) const
{
    if (encodedGrid_)
        encodePlanes(p, n);
    else
        for (float* c : {p.r, p.g, p.b})
            simd::run<squareRoots>(c, n);
}

namespace {

inline bool outside(const Planar& p, int i)
{
    return p.a[i] != 1.0f || !(p.r[i] >= 0.0f && p.r[i] <= 1.0f) ||
           !(p.g[i] >= 0.0f && p.g[i] <= 1.0f) || !(p.b[i] >= 0.0f && p.b[i] <= 1.0f);
}

} // namespace

// A segment from another node with some pixels outside the table's cube (red
// above 1 where sepia tones white, a highlight's glow): those few run the
// exact kernels on their own, the rest the table, and their results join the
// table's on its scale. A segment with a translucent pixel runs its kernels
// whole where the table holds encoded values: straight encoded colour cannot
// carry its alpha.
bool BakedColourNode::mixedRow(int y, int x0, int n, const Planar& out, Scratch& scratch,
                               const ColourLut& table, ColourNode::End end) const
{
    const bool encodedOut = end != ColourNode::End::Premultiplied || encodedEnd_;
    if (encodedOut)
        for (int i = 0; i < n; ++i)
            if (out.a[i] != 1.0f)
                return exact_->runKernels(y, x0, n, out, Space::Premultiplied, false, end);
    constexpr int kChunk = 256;
    Scratch::Frame frame(scratch);
    const Planar few = frame.planar(kChunk);
    int at[kChunk];
    for (int first = 0; first < n; first += kChunk) {
        const Planar part = out.offset(first);
        const int m = std::min(kChunk, n - first);
        int k = 0;
        for (int i = 0; i < m; ++i)
            if (outside(part, i)) {
                at[k] = i;
                few.r[k] = part.r[i];
                few.g[k] = part.g[i];
                few.b[k] = part.b[i];
                few.a[k] = part.a[i];
                part.r[i] = part.g[i] = part.b[i] = 0.0f; // a colour the table takes
                ++k;
            }
        // Position-free kernels: the gathered pixels need no place of their
        // own.
        if (k > 0)
            exact_->runKernels(y, x0, k, few, Space::Premultiplied, false,
                               encodedOut ? ColourNode::End::Encoded
                                          : ColourNode::End::Premultiplied);
        if (!encodedOut)
            for (float* c : {few.r, few.g, few.b})
                for (int i = 0; i < k; ++i)
                    c[i] = std::copysign(std::sqrt(std::abs(c[i])), c[i]);
        toGrid(part, m);
        table.apply(part, m);
        for (int i = 0; i < k; ++i) {
            part.r[at[i]] = few.r[i];
            part.g[at[i]] = few.g[i];
            part.b[at[i]] = few.b[i];
        }
    }
    return true;
}

void BakedColourNode::rowInside(int y, int x0, int n, const Planar& out, Scratch& scratch,
                                unsigned) const
{
    // Opaque: the straight values are the premultiplied ones.
    if (!lutRow(y, x0, n, out, scratch, ColourNode::End::Premultiplied))
        return;
    if (encodedEnd_)
        decodePlanes(out, n);
    else
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

const ColourNode::BakedPlan* ColourNode::baked() const
{
    if (exactOnly_)
        return nullptr;
    BakedPlan* plan = nullptr;
    switch (baking()) {
    case Baking::Never:
        return nullptr;
    case Baking::WherePaying:
        if (!costly_)
            return nullptr;
        plan = &costlyParts_;
        break;
    case Baking::Always:
        plan = &everyPart_;
        break;
    }
    std::call_once(plan->once, [this, plan] { planBaked(*plan, plan == &everyPart_); });
    return plan->node ? plan : nullptr;
}

// The run cut into parts: at its position-dependent kernels, and around each
// kernel that costs more than a table together with its neighbours on
// encoded values (a film stock), whose table then has its grid and its
// values on encoded colour, where the stock is smooth: a whole part holding
// a stock and a strong gamma bends too sharply near black for one table.
// Costly parts are baked, the others only when every part is; consecutive
// parts left exact stay one run. Made once per plan, at its first render.
void ColourNode::planBaked(BakedPlan& plan, bool everyPart) const
{
    enum class Kind { Placed, Costly, Plain };
    std::vector<Kind> kinds;
    for (const KernelPtr& k : kernels_)
        kinds.push_back(k->dependsOnPosition() ? Kind::Placed : Kind::Plain);
    const auto encoded = [this, &kinds](std::size_t i) {
        return kinds[i] != Kind::Placed && kernels_[i]->space() == Space::StraightEncoded;
    };
    for (std::size_t i = 0; i < kernels_.size(); ++i) {
        if (kinds[i] == Kind::Placed || !kernels_[i]->costsMoreThanATable())
            continue;
        std::size_t first = i, last = i;
        while (first > 0 && encoded(first - 1))
            --first;
        while (last + 1 < kernels_.size() && encoded(last + 1))
            ++last;
        for (std::size_t j = first; j <= last; ++j)
            kinds[j] = Kind::Costly;
    }

    NodePtr node = input_;
    std::vector<KernelPtr> exact;
    const auto endExact = [&] {
        if (exact.empty())
            return;
        auto run = std::make_shared<ColourNode>(node, std::move(exact), extent(), true);
        exact.clear();
        plan.bakedTail = nullptr;
        plan.exactTail = run.get();
        node = std::move(run);
    };
    bool anyBaked = false;
    for (std::size_t i = 0; i < kernels_.size();) {
        std::size_t j = i + 1;
        while (j < kernels_.size() && kinds[j] == kinds[i])
            ++j;
        const auto begin = kernels_.begin() + std::ptrdiff_t(i),
                   end = kernels_.begin() + std::ptrdiff_t(j);
        std::vector<KernelPtr> part(begin, end);
        const bool wanted = kinds[i] == Kind::Costly || (kinds[i] == Kind::Plain && everyPart);
        if (wanted && worthBaking(part)) {
            endExact();
            auto baked = std::make_shared<BakedColourNode>(node, std::move(part), extent());
            plan.bakedTail = baked.get();
            plan.exactTail = nullptr;
            node = std::move(baked);
            anyBaked = true;
        } else {
            exact.insert(exact.end(), begin, end);
        }
        i = j;
    }
    endExact();
    if (anyBaked)
        plan.node = std::move(node);
}

} // namespace imagefilter::detail
