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
        const GlowMap& m = *map_;
        // Every row reads its columns the same way: each pixel's two cells
        // and weight, once.
        const Rect& e = extent();
        left_ = int(std::floor(e.x0));
        const int width = int(std::ceil(e.x1)) - left_;
        column_.resize(std::size_t(std::max(width, 0)));
        weight_.resize(column_.size());
        for (int i = 0; i < width; ++i) {
            const double mx =
                std::clamp((left_ + i + 0.5) / m.scale - 0.5, 0.0, double(m.width - 1));
            column_[std::size_t(i)] = std::min(int(mx), m.width - 1);
            weight_[std::size_t(i)] = float(mx - column_[std::size_t(i)]);
        }
        // The map is dark wherever the picture has no highlight: rows of it
        // that hold no light add nothing and are skipped.
        lit_.resize(std::size_t(m.height));
        for (int j = 0; j < m.height; ++j) {
            const float* row = m.values.data() + std::size_t(j) * m.width;
            lit_[std::size_t(j)] = std::any_of(row, row + m.width, [](float v) { return v != 0; });
        }
    }

protected:
    void rowInside(int y, int x0, int n, const Planar& out, Scratch& scratch,
                   unsigned channels) const override
    {
        input_->row(y, x0, n, out, scratch, channels | 8u);
        const GlowMap& m = *map_;
        // The row of the map, blended between the two cell rows around it.
        const double my = std::clamp((y + 0.5) / m.scale - 0.5, 0.0, double(m.height - 1));
        const int j0 = int(my), j1 = std::min(j0 + 1, m.height - 1);
        if (!lit_[std::size_t(j0)] && !lit_[std::size_t(j1)])
            return;
        const float fy = float(my - j0);
        const float* row0 = m.values.data() + std::size_t(j0) * m.width;
        const float* row1 = m.values.data() + std::size_t(j1) * m.width;
        const int* column = column_.data() + (x0 - left_);
        const float* weight = weight_.data() + (x0 - left_);
        const int last = m.width - 1;
        for (int i = 0; i < n; ++i) {
            const int k0 = column[i], k1 = std::min(k0 + 1, last);
            const float fx = weight[i];
            const float top = row0[k0] + (row0[k1] - row0[k0]) * fx;
            const float bottom = row1[k0] + (row1[k1] - row1[k0]) * fx;
            const float glow = (top + (bottom - top) * fy) * out.a[i];
            out.r[i] += tint_[0] * glow;
            out.g[i] += tint_[1] * glow;
            out.b[i] += tint_[2] * glow;
        }
    }

private:
    NodePtr input_;
    std::shared_ptr<const GlowMap> map_;
    float tint_[3];
    int left_ = 0;
    std::vector<int> column_;
    std::vector<float> weight_;
    std::vector<bool> lit_;
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
