// Compositing: source over and multiply, premultiplied, per component.

#include "imagefilter/Nodes.h"
#include "imagefilter/Simd.h"

namespace imagefilter::detail {

namespace {

// restrict on the parameters (not on locals) is what lets the compiler see
// that the eight planes never overlap.
inline void sourceOverPlanes(float* __restrict sr, float* __restrict sg, float* __restrict sb,
                             float* __restrict sa, const float* __restrict dr,
                             const float* __restrict dg, const float* __restrict db,
                             const float* __restrict da, int n)
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

inline void multiplyPlanes(float* __restrict sr, float* __restrict sg, float* __restrict sb,
                           float* __restrict sa, const float* __restrict dr,
                           const float* __restrict dg, const float* __restrict db,
                           const float* __restrict da, int n)
{
    for (int i = 0; i < n; ++i) {
        sr[i] *= dr[i];
        sg[i] *= dg[i];
        sb[i] *= db[i];
        sa[i] *= da[i];
    }
}

} // namespace

CompositeNode::CompositeNode(CompositeOp op, NodePtr source, NodePtr background)
    : Node(source->extent().united(background->extent())), op_(op), source_(std::move(source)),
      background_(std::move(background))
{
}

void CompositeNode::rowInside(int y, int x0, int n, const Planar& out, Scratch& scratch,
                              unsigned channels) const
{
    Scratch::Frame frame(scratch);
    const Planar d = frame.planar(n);
    // Each output channel needs its own channel of both inputs; source over
    // needs the source's alpha for every channel. Channels not asked for come
    // out as 0 (both inputs leave them at 0).
    const bool over = op_ == CompositeOp::SourceOver;
    source_->row(y, x0, n, out, scratch, over ? channels | 8u : channels);
    background_->row(y, x0, n, d, scratch, channels);
    if (over)
        simd::run<sourceOverPlanes>(out.r, out.g, out.b, out.a, static_cast<const float*>(d.r),
                                    static_cast<const float*>(d.g), static_cast<const float*>(d.b),
                                    static_cast<const float*>(d.a), n);
    else
        simd::run<multiplyPlanes>(out.r, out.g, out.b, out.a, static_cast<const float*>(d.r),
                                  static_cast<const float*>(d.g), static_cast<const float*>(d.b),
                                  static_cast<const float*>(d.a), n);
}

} // namespace imagefilter::detail
