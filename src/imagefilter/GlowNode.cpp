// A coarse map of light added over an image (the projector's halation):
// the map is upsampled bilinearly row by row and added to the colour.

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
        const GlowMap& m = *map_;
        // Each lit row of the map is widened once to the image's columns;
        // a row of the image then blends two of them, a contiguous pass.
        const Rect& e = extent();
        left_ = int(std::floor(e.x0));
        width_ = std::max(int(std::ceil(e.x1)) - left_, 0);
        std::vector<int> column(static_cast<std::size_t>(width_));
        std::vector<float> weight(static_cast<std::size_t>(width_));
        for (int i = 0; i < width_; ++i) {
            const double mx =
                std::clamp((left_ + i + 0.5) * m.stepX + m.startX, 0.0, double(m.width - 1));
            column[std::size_t(i)] = std::min(int(mx), m.width - 2 < 0 ? 0 : m.width - 2);
            weight[std::size_t(i)] = float(mx - column[std::size_t(i)]);
        }
        const int next = m.width > 1 ? 1 : 0;
        wide_.assign(std::size_t(m.height), {});
        for (int j = 0; j < m.height; ++j) {
            const float* row = m.values.data() + std::size_t(j) * m.width;
            if (std::none_of(row, row + m.width, [](float v) { return v != 0; }))
                continue; // no light: nothing to add
            std::vector<float>& wide = wide_[std::size_t(j)];
            wide.resize(std::size_t(width_));
            for (int i = 0; i < width_; ++i) {
                const float* cell = row + column[std::size_t(i)];
                wide[std::size_t(i)] = cell[0] + (cell[next] - cell[0]) * weight[std::size_t(i)];
            }
        }
    }

protected:
    void rowInside(int y, int x0, int n, const Planar& out, Scratch& scratch,
                   unsigned channels) const override
    {
        input_->row(y, x0, n, out, scratch, channels | 8u);
        const GlowMap& m = *map_;
        // The row of the map, blended between the two cell rows around it.
        const double my = std::clamp((y + 0.5) * m.stepY + m.startY, 0.0, double(m.height - 1));
        const int j0 = int(my), j1 = std::min(j0 + 1, m.height - 1);
        if (wide_[std::size_t(j0)].empty() && wide_[std::size_t(j1)].empty())
            return;
        const float fy = float(my - j0);
        const std::vector<float>& wide0 = wide_[std::size_t(j0)];
        const std::vector<float>& wide1 = wide_[std::size_t(j1)];
        // An unlit row reads as zeros.
        thread_local std::vector<float> dark;
        if (wide0.empty() || wide1.empty())
            dark.assign(std::size_t(width_), 0.0f);
        const float* row0 = (wide0.empty() ? dark.data() : wide0.data()) + (x0 - left_);
        const float* row1 = (wide1.empty() ? dark.data() : wide1.data()) + (x0 - left_);
        simd::run<addGlow>(out.r, out.g, out.b, static_cast<const float*>(out.a), row0, row1, fy,
                           tint_, n);
    }

private:
    NodePtr input_;
    std::shared_ptr<const GlowMap> map_;
    float tint_[3];
    int left_ = 0, width_ = 0;
    std::vector<std::vector<float>> wide_; // empty where the map's row is dark
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
