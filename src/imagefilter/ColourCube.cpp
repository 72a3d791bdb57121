// A colour look-up table applied in the colour run: a kernel on straight
// sRGB-encoded colour (the values a .cube file for display looks maps) that
// reads nothing but the pixel itself, so a run holding it stays one pass per
// row segment and position-free.

#include "imagefilter/ColourCube.h"

#include "imagefilter/Kernels.h"
#include "imagefilter/Nodes.h"

#include <cmath>

namespace imagefilter {

namespace {

// Where a value falls on one axis: the entry below it and the fraction
// towards the next. NaN goes to the domain's low end.
struct Axis
{
    float lo, hi, scale;
    int lastCell; // size - 2: the last entry a cell starts at

    Axis(float low, float high, int size)
        : lo(low), hi(high), scale(float((size - 1) / (double(high) - low))), lastCell(size - 2)
    {
    }

    int cell(float x, float& fraction) const
    {
        x = x > lo ? x : lo;
        x = x < hi ? x : hi;
        const float t = (x - lo) * scale;
        int i = int(t);
        i = i < lastCell ? i : lastCell;
        fraction = t - float(i);
        return i;
    }
};

// The 3-D table at one colour: of the six tetrahedra of the cell, the one the
// fractions' order picks, its four corners weighted by the fractions.
inline void tetrahedral(const ColourCube& cube, const Axis (&axes)[3], const float in[3],
                        float out[3])
{
    const int n = cube.size;
    float fr, fg, fb;
    const int ir = axes[0].cell(in[0], fr), ig = axes[1].cell(in[1], fg),
              ib = axes[2].cell(in[2], fb);
    const std::size_t sr = 3, sg = 3 * std::size_t(n), sb = 3 * std::size_t(n) * n;
    const float* c000 = cube.values.data() + ir * sr + ig * sg + ib * sb;
    const float* c111 = c000 + sr + sg + sb;
    // The two corners between c000 and c111 on the path the fractions take,
    // largest fraction first.
    const float *first, *second;
    float w1, w2, w3; // the largest, middle and smallest fraction
    if (fr > fg) {
        if (fg > fb) {
            first = c000 + sr, second = c000 + sr + sg, w1 = fr, w2 = fg, w3 = fb;
        } else if (fr > fb) {
            first = c000 + sr, second = c000 + sr + sb, w1 = fr, w2 = fb, w3 = fg;
        } else {
            first = c000 + sb, second = c000 + sr + sb, w1 = fb, w2 = fr, w3 = fg;
        }
    } else {
        if (fb > fg) {
            first = c000 + sb, second = c000 + sg + sb, w1 = fb, w2 = fg, w3 = fr;
        } else if (fb > fr) {
            first = c000 + sg, second = c000 + sg + sb, w1 = fg, w2 = fb, w3 = fr;
        } else {
            first = c000 + sg, second = c000 + sr + sg, w1 = fg, w2 = fr, w3 = fb;
        }
    }
    for (int c = 0; c < 3; ++c)
        out[c] = c000[c] + w1 * (first[c] - c000[c]) + w2 * (second[c] - first[c]) +
                 w3 * (c111[c] - second[c]);
}

inline void curves(const ColourCube& cube, const Axis (&axes)[3], const float in[3], float out[3])
{
    for (int c = 0; c < 3; ++c) {
        float f;
        const float* v = cube.values.data() + 3 * std::size_t(axes[c].cell(in[c], f)) + c;
        out[c] = v[0] + f * (v[3] - v[0]);
    }
}

struct Axes
{
    Axis axes[3];
    explicit Axes(const ColourCube& cube)
        : axes{{cube.domainMin[0], cube.domainMax[0], cube.size},
               {cube.domainMin[1], cube.domainMax[1], cube.size},
               {cube.domainMin[2], cube.domainMax[2], cube.size}}
    {
    }
};

class ColourCubeKernel final : public detail::Kernel
{
public:
    ColourCubeKernel(std::shared_ptr<const ColourCube> cube, float strength)
        : cube_(std::move(cube)), axes_(*cube_), strength_(strength)
    {
    }
    detail::Space space() const override { return detail::Space::StraightEncoded; }
    void apply(const detail::Planar& p, int n, int, int) const override
    {
        if (cube_->threeD)
            run<tetrahedral>(p, n);
        else
            run<curves>(p, n);
    }

private:
    template <void (*LookUp)(const ColourCube&, const Axis (&)[3], const float*, float*)>
    void run(const detail::Planar& p, int n) const
    {
        const ColourCube& cube = *cube_;
        const float s = strength_;
        for (int i = 0; i < n; ++i) {
            const float in[3] = {p.r[i], p.g[i], p.b[i]};
            float out[3];
            LookUp(cube, axes_.axes, in, out);
            p.r[i] = in[0] + s * (out[0] - in[0]);
            p.g[i] = in[1] + s * (out[1] - in[1]);
            p.b[i] = in[2] + s * (out[2] - in[2]);
        }
    }

    std::shared_ptr<const ColourCube> cube_;
    Axes axes_;
    float strength_;
};

} // namespace

bool ColourCube::isUsable() const
{
    if (size < 2)
        return false;
    const std::size_t entries =
        threeD ? std::size_t(size) * std::size_t(size) * std::size_t(size) : std::size_t(size);
    if (values.size() != 3 * entries)
        return false;
    for (int c = 0; c < 3; ++c)
        if (!(domainMin[c] < domainMax[c]) || !std::isfinite(domainMin[c]) ||
            !std::isfinite(domainMax[c]))
            return false;
    return true;
}

void ColourCube::lookUp(const float in[3], float out[3]) const
{
    const Axes axes(*this);
    if (threeD)
        tetrahedral(*this, axes.axes, in, out);
    else
        curves(*this, axes.axes, in, out);
}

Image withColourCube(const Image& image, std::shared_ptr<const ColourCube> cube, float strength)
{
    if (image.isNull() || !cube || !cube->isUsable() || !(std::abs(strength) > 0.0f))
        return image;
    return Image(detail::ColourNode::append(
        image.node(), std::make_shared<ColourCubeKernel>(std::move(cube), strength)));
}

} // namespace imagefilter
