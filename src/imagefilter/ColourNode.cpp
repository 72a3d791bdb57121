// The colour run: consecutive point filters over one input, applied kernel
// after kernel to each row segment while it sits in cache.
//
// How the row buffer moves between spaces. Every node hands out premultiplied
// linear light, but each kernel names the space it wants (Kernel::space()):
//
//   Premultiplied    as nodes hand it out: the minimum component.
//   Straight         colour divided by alpha: every colour filter divides by
//                    max(alpha, 1e-5), applies, and multiplies by the
//                    resulting alpha (README.md beside this file).
//   StraightEncoded  straight colour, sRGB-encoded: the three looks.
//
// The buffer starts premultiplied (from the input node) or, when the first
// kernel wants encoded values and the input is a bitmap, straight encoded
// from the bytes themselves (no decode and encode round trip). Before each
// kernel it is switched to that kernel's space:
//
//   premultiplied -> straight         divide by max(alpha, 1e-5)
//   straight      -> premultiplied    multiply by alpha
//   straight      -> encoded          the sRGB curve, and back by its inverse
//                                     (SrgbPlanes.cpp)
//
// Between two straight kernels the filters' own definition premultiplies and
// divides again, which changes the colour only where alpha is below 1e-5; the
// run does that ("rematch") only when some alpha of the segment is that low.
// Where every alpha of the segment is exactly 1 (the usual opaque frame) the
// premultiply and divide steps are skipped altogether: they would multiply
// and divide by 1, which changes no bit. Whether the segment is opaque is
// known from the source bytes, from a kernel that sets alpha to 1
// (makesOpaque), or from one look at the alpha plane, and is forgotten after
// a kernel that changes alpha.
//
// Runs of two or more affine straight kernels (sepia, colour controls,
// exposure, the colour matrix when it keeps alpha) are composed into one map
// when the run is planned; the composed map is used unless some alpha of the
// segment is below the floor, where each kernel's rematch matters. A run that
// composes to the identity (filters at their defaults), or a single affine
// filter that is the identity, is left out.

#include "imagefilter/Nodes.h"
#include "imagefilter/PixelMath.h"
#include "imagefilter/Simd.h"
#include "imagefilter/SrgbPlanes.h"

namespace imagefilter::detail {

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

struct AffineCoefficients
{
    float m[3][4];
    float bias[3];
};

inline void applyAffine(const AffineCoefficients* k, float* __restrict r, float* __restrict g,
                        float* __restrict b, const float* __restrict a, int n)
{
    const AffineCoefficients c = *k; // a local copy: the stores cannot change it
    for (int i = 0; i < n; ++i) {
        const float x = r[i], y = g[i], z = b[i], w = a[i];
        r[i] = c.m[0][0] * x + c.m[0][1] * y + c.m[0][2] * z + c.m[0][3] * w + c.bias[0];
        g[i] = c.m[1][0] * x + c.m[1][1] * y + c.m[1][2] * z + c.m[1][3] * w + c.bias[1];
        b[i] = c.m[2][0] * x + c.m[2][1] * y + c.m[2][2] * z + c.m[2][3] * w + c.bias[2];
    }
}

} // namespace

bool AffineKernel::isIdentity() const
{
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 4; ++c)
            if (map_.m[r][c] != (r == c ? 1.0 : 0.0))
                return false;
        if (map_.bias[r] != 0.0)
            return false;
    }
    return true;
}

void AffineKernel::apply(const Planar& p, int n, int, int) const
{
    AffineCoefficients c;
    for (int r = 0; r < 3; ++r) {
        for (int k = 0; k < 4; ++k)
            c.m[r][k] = m_[r][k];
        c.bias[r] = bias_[r];
    }
    simd::run<applyAffine>(static_cast<const AffineCoefficients*>(&c), p.r, p.g, p.b,
                           static_cast<const float*>(p.a), n);
}

ColourNode::ColourNode(NodePtr input, std::vector<KernelPtr> kernels, const Rect& extent,
                       bool exactOnly)
    : Node(extent), input_(std::move(input)), kernels_(std::move(kernels)), exactOnly_(exactOnly)
{
    if (kernels_.front()->space() == Space::StraightEncoded)
        encodedSource_ = dynamic_cast<const SourceNode*>(input_.get());
    for (const KernelPtr& k : kernels_)
        costly_ |= k->costsMoreThanATable();
    planSteps();
    if (steps_.empty())
        identitySource_ = dynamic_cast<const SourceNode*>(input_.get());
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
        if (j > i) {
            auto fused = std::make_shared<AffineKernel>(composed);
            // Filters at their defaults (one, or several composed) are the
            // identity: the step would change nothing.
            if (!fused->isIdentity())
                steps_.push_back({j - i >= 2 ? std::move(fused) : nullptr, i, j});
            i = j;
        } else {
            steps_.push_back({nullptr, i, i + 1});
            ++i;
        }
    }
    planDirections();
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

// Bit 0: some alpha is below the floor (or NaN); bit 1: every alpha is exactly 1.
constexpr int kLowAlpha = 1, kOpaque = 2;

inline int alphaState(const float* a, int n)
{
    int low = 0, notOne = 0; // ints, not bools, so that the loop vectorises
    for (int i = 0; i < n; ++i) {
        low |= int(!(a[i] >= kMinAlpha));
        notOne |= int(a[i] != 1.0f);
    }
    return low | (notOne ? 0 : kOpaque);
}

inline void unpremultiply(float* __restrict r, float* __restrict g, float* __restrict b,
                          const float* __restrict a, int n)
{
    for (int i = 0; i < n; ++i) {
        const float inv = 1.0f / math::select(a[i] > kMinAlpha, a[i], kMinAlpha);
        r[i] *= inv;
        g[i] *= inv;
        b[i] *= inv;
    }
}

inline void premultiply(float* __restrict r, float* __restrict g, float* __restrict b,
                        const float* __restrict a, int n)
{
    for (int i = 0; i < n; ++i) {
        r[i] *= a[i];
        g[i] *= a[i];
        b[i] *= a[i];
    }
}

// Straight colour handed from one colour filter to the next goes through
// premultiply and unpremultiply, which changes it only where alpha < kMinAlpha.
inline void rematchStraight(float* __restrict r, float* __restrict g, float* __restrict b,
                            const float* __restrict a, int n)
{
    for (int i = 0; i < n; ++i) {
        const float f = a[i] / math::select(a[i] > kMinAlpha, a[i], kMinAlpha);
        r[i] *= f;
        g[i] *= f;
        b[i] *= f;
    }
}

// The row buffer of one segment and what is known of its alpha plane.
class Buffer final
{
public:
    Buffer(const Planar& p, int n, int known)
        : p_(p), n_(n), known_(known >= 0), state_(known >= 0 ? known : 0)
    {
    }

    bool lowAlpha() { return state() & kLowAlpha; }
    // A first alpha other than 1 settles it without a look at the plane (the
    // noise tile's alpha, for one, is never opaque).
    bool opaque() { return (known_ || n_ == 0 || p_.a[0] == 1.0f) && (state() & kOpaque); }
    void setState(int known)
    {
        known_ = true;
        state_ = known;
    }
    void forget() { known_ = false; }

    void unpremultiply()
    {
        if (!opaque())
            simd::run<detail::unpremultiply>(p_.r, p_.g, p_.b, static_cast<const float*>(p_.a), n_);
    }
    void premultiply()
    {
        if (!opaque())
            simd::run<detail::premultiply>(p_.r, p_.g, p_.b, static_cast<const float*>(p_.a), n_);
    }
    void rematch()
    {
        simd::run<rematchStraight>(p_.r, p_.g, p_.b, static_cast<const float*>(p_.a), n_);
    }
    void decode() { decodePlanes(p_, n_); }
    void encode() { encodePlanes(p_, n_); }

private:
    int state()
    {
        if (!known_) {
            state_ = simd::run<alphaState>(static_cast<const float*>(p_.a), n_);
            known_ = true;
        }
        return state_;
    }

    Planar p_;
    int n_;
    bool known_;
    int state_;
};

} // namespace

void ColourNode::rowInside(int y, int x0, int n, const Planar& out, Scratch& scratch,
                           unsigned channels) const
{
    if (const BakedPlan* plan = baked())
        plan->node->row(y, x0, n, out, scratch, channels);
    else
        runRow(y, x0, n, out, scratch, false);
}

bool ColourNode::endsEncoded() const
{
    if (const BakedPlan* plan = baked())
        return plan->bakedTail || plan->exactTail->endsEncoded();
    return identitySource_ || (!steps_.empty() && !steps_.back().fused &&
                               kernels_[steps_.back().end - 1]->space() == Space::StraightEncoded);
}

bool ColourNode::rowEncodedIfOpaque(int y, int x0, int n, const Planar& out, Scratch& scratch) const
{
    if (const BakedPlan* plan = baked())
        return plan->bakedTail ? plan->bakedTail->rowEncodedIfOpaque(y, x0, n, out, scratch)
                               : plan->exactTail->rowEncodedIfOpaque(y, x0, n, out, scratch);
    return runRow(y, x0, n, out, scratch, true);
}

bool ColourNode::runRow(int y, int x0, int n, const Planar& out, Scratch& scratch,
                        bool keepEncoded) const
{
    // A run that changes nothing hands an opaque bitmap's bytes on as they are.
    if (keepEncoded && identitySource_) {
        if (identitySource_->rowEncodedStraight(y, x0, n, out))
            return true;
        input_->row(y, x0, n, out, scratch);
        return false;
    }
    const End end = keepEncoded ? End::EncodedIfOpaque : End::Premultiplied;
    if (encodedSource_)
        return runKernels(y, x0, n, out, Space::StraightEncoded,
                          encodedSource_->rowEncodedStraight(y, x0, n, out), end);
    input_->row(y, x0, n, out, scratch, kernels_.front()->reads() | 8u);
    return runKernels(y, x0, n, out, Space::Premultiplied, false, end);
}

bool ColourNode::runKernels(int y, int x0, int n, const Planar& out, Space start, bool opaque,
                            End end) const
{
    Space cur = start;
    Buffer buf(out, n, opaque ? kOpaque : -1);
    bool freshStraight = cur != Space::Premultiplied;
    auto run = [&](const Kernel& k) {
        const Space want = k.space();
        if (want == Space::Premultiplied) {
            if (cur == Space::StraightEncoded)
                buf.decode();
            if (cur != Space::Premultiplied)
                buf.premultiply();
        } else {
            if (cur == Space::Premultiplied) {
                buf.unpremultiply();
                cur = Space::Straight;
            } else if (!freshStraight && buf.lowAlpha()) {
                if (cur == Space::StraightEncoded)
                    buf.decode();
                cur = Space::Straight;
                buf.rematch();
            }
            if (want == Space::StraightEncoded && cur == Space::Straight)
                buf.encode();
            else if (want == Space::Straight && cur == Space::StraightEncoded)
                buf.decode();
        }
        k.apply(out, n, y, x0);
        cur = want;
        freshStraight = false;
        if (k.makesOpaque())
            buf.setState(kOpaque);
        else if (!k.keepsAlpha())
            buf.forget();
    };
    for (const Step& step : steps_) {
        if (step.fused && !buf.lowAlpha()) {
            run(*step.fused);
        } else {
            for (std::size_t i = step.begin; i < step.end; ++i)
                run(*kernels_[i]);
        }
    }
    if (end == End::Encoded) {
        if (cur == Space::Premultiplied)
            buf.unpremultiply();
        if (cur != Space::StraightEncoded)
            buf.encode();
        return true;
    }
    // Straight encoded values of opaque pixels are what the 8-bit bytes are
    // rounded from: a caller writing bytes takes them without the decoding
    // and the encoding back.
    if (end == End::EncodedIfOpaque && cur == Space::StraightEncoded && buf.opaque())
        return true;
    if (cur == Space::StraightEncoded)
        buf.decode();
    if (cur != Space::Premultiplied)
        buf.premultiply();
    return false;
}

} // namespace imagefilter::detail
