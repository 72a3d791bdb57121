// A coarse map of light added over an image (the projector's halation):
// the map is upsampled bilinearly row by row and added to the colour.

#include "imagefilter/Glow.h"
#include "imagefilter/Nodes.h"

#include <algorithm>
#include <cmath>

namespace imagefilter {

namespace detail {

namespace {

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
        Scratch::Frame frame(scratch);
        float* glow = frame.planar(n).r;
        // The row of the map, blended between the two cell rows around it.
        const double my = std::clamp((y + 0.5) / m.scale - 0.5, 0.0, double(m.height - 1));
        const int j0 = int(my), j1 = std::min(j0 + 1, m.height - 1);
        const float fy = float(my - j0);
        const float* row0 = m.values.data() + std::size_t(j0) * m.width;
        const float* row1 = m.values.data() + std::size_t(j1) * m.width;
        const double step = 1.0 / m.scale;
        for (int i = 0; i < n; ++i) {
            const double mx = std::clamp((x0 + i + 0.5) * step - 0.5, 0.0, double(m.width - 1));
            const int k0 = int(mx), k1 = std::min(k0 + 1, m.width - 1);
            const float fx = float(mx - k0);
            const float top = row0[k0] + (row0[k1] - row0[k0]) * fx;
            const float bottom = row1[k0] + (row1[k1] - row1[k0]) * fx;
            glow[i] = (top + (bottom - top) * fy) * out.a[i];
        }
        float* planes[3] = {out.r, out.g, out.b};
        for (int c = 0; c < 3; ++c) {
            float* p = planes[c];
            const float t = tint_[c];
            for (int i = 0; i < n; ++i)
                p[i] += t * glow[i];
        }
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
        (red == 0 && green == 0 && blue == 0))
        return image;
    const float tint[3] = {red, green, blue};
    return Image(std::make_shared<detail::GlowNode>(image.node(), std::move(map), tint));
}

} // namespace imagefilter
