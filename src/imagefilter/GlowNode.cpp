// A map of light added over an image (the projector's halation):
// each row of the image blends two of its rows and adds them to the colour.

#include "imagefilter/Glow.h"
#include "imagefilter/Nodes.h"
#include "imagefilter/Simd.h"

#include <algorithm>
#include <cmath>

namespace imagefilter {

namespace detail {

namespace {

// restrict on the parameters is what lets the compiler vectorise the loop.
inline void addGlow(float* __restrict r, float* __restrict g, float* __restrict b,
                    const float* __restrict a, const float* __restrict row0,
                    const float* __restrict row1, float fy, const float* tint, int n)
{
    const float red = tint[0], green = tint[1], blue = tint[2];
    for (int i = 0; i < n; ++i) {
        const float glow = (row0[i] + (row1[i] - row0[i]) * fy) * a[i];
        r[i] += red * glow;
        g[i] += green * glow;
        b[i] += blue * glow;
    }
}

class GlowNode final : public Node
{
public:
    GlowNode(NodePtr input, std::shared_ptr<const GlowMap> map, const float (&tint)[3])
        : Node(input->extent()), input_(std::move(input)),
          map_(std::move(map)), tint_{tint[0], tint[1], tint[2]}
    {
    }

protected:
    void rowInside(int y, int x0, int n, const Planar& out, Scratch& scratch,
                   unsigned channels) const override
    {
        input_->row(y, x0, n, out, scratch, channels | 8u);
        const GlowMap& m = *map_;
        // The row of the map, blended between the two rows around it.
        const double my = std::clamp((y + 0.5) * m.stepY + m.startY, 0.0, double(m.height - 1));
        const int j0 = int(my), j1 = std::min(j0 + 1, m.height - 1);
        if (!m.lit[std::size_t(j0)] && !m.lit[std::size_t(j1)])
            return;
        // The map's columns are the image's; a span beyond them adds nothing.
        const int first = std::max(x0, 0), last = std::min(x0 + n, m.width);
        if (first >= last)
            return;
        const float* row0 = m.values.data() + std::size_t(j0) * m.width + first;
        const float* row1 = m.values.data() + std::size_t(j1) * m.width + first;
        const Planar span = out.offset(first - x0);
        simd::run<addGlow>(span.r, span.g, span.b, static_cast<const float*>(span.a), row0, row1,
                           float(my - j0), static_cast<const float*>(tint_), last - first);
    }

private:
    NodePtr input_;
    std::shared_ptr<const GlowMap> map_;
    float tint_[3];
};

} // namespace

} // namespace detail

Image withGlow(const Image& image, std::shared_ptr<const GlowMap> map, float red, float green,
               float blue)
{
    if (image.isNull() || !map || map->width <= 0 || map->height <= 0 ||
        map->values.size() < std::size_t(map->width) * std::size_t(map->height) ||
        map->lit.size() < std::size_t(map->height) || (red == 0 && green == 0 && blue == 0))
        return image;
    const float tint[3] = {red, green, blue};
    return Image(std::make_shared<detail::GlowNode>(image.node(), std::move(map), tint));
}

} // namespace imagefilter
