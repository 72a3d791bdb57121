#pragma once

// Internal: per-pixel kernels. A run of point filters over one input becomes
// one ColourNode (Nodes.h) whose kernels are applied in turn to each row
// segment while it sits in cache; no intermediate image is made and there is
// one virtual call per kernel per segment, never per pixel.

#include "imagefilter/Filter.h"
#include "imagefilter/Node.h"

#include <cstdio>
#include <initializer_list>
#include <memory>
#include <string>

namespace imagefilter::detail {

// What a kernel expects in the row buffer: premultiplied linear light,
// unpremultiplied (straight) linear light, or straight sRGB-encoded values.
enum class Space { Premultiplied, Straight, StraightEncoded };

// Each output channel (r, g, b, a) as coef * input[column] + bias, or the bias
// alone where column is -1: a colour matrix whose rows read one column each.
struct SparseRows
{
    int column[4];
    float coef[4];
    float bias[4];
};

// out = m * (r, g, b, a) + bias for the colour channels; alpha unchanged.
struct AffineMap
{
    double m[3][4];
    double bias[3];

    static AffineMap identity();
    // This map applied after `first`.
    AffineMap after(const AffineMap& first) const;
};

class Kernel
{
public:
    virtual ~Kernel() = default;
    virtual Space space() const { return Space::Straight; }
    virtual bool keepsAlpha() const { return true; }
    // Kernels that set every alpha to exactly 1 say so: the colour run then
    // knows, without looking, that premultiplying changes nothing.
    virtual bool makesOpaque() const { return false; }
    // y and x0 locate the segment, for kernels that depend on position.
    virtual void apply(const Planar& p, int n, int y, int x0) const = 0;
    // Straight-colour kernels that keep alpha and are an affine map of the
    // pixel say so; a run of them is composed into one map.
    virtual bool affineForm(AffineMap&) const { return false; }
    // The input channels the kernel reads (bits 0-3: r, g, b, a), including
    // every channel it passes through unchanged.
    virtual unsigned reads() const { return kAllChannels; }
    // Two simple kinds say what they are, so that another node may compute
    // them inside its own loop (the noise overlay, NoiseOverlayNode.cpp): a
    // straight-colour matrix whose rows read one column each, and the
    // minimum component.
    virtual bool sparseForm(SparseRows&) const { return false; }
    virtual bool isMinimumComponent() const { return false; }
    // Straight-colour kernels that multiply r, g and b by one factor >= 0 per
    // pixel (the vignette) say so: a colour that is a multiple of a fixed
    // direction stays one.
    virtual bool scalesColour() const { return false; }
    // Kernels whose output depends on the pixel's place as well as its colour
    // (the vignette) say so: only runs of the others can be baked into a
    // colour table (ColourLut.h).
    virtual bool dependsOnPosition() const { return false; }
    // Kernels that cost more per pixel than a baked table's look-up (a 3-D
    // film stock) say so: by default such a kernel is baked, with its
    // neighbours on encoded values, where other runs keep their kernels
    // unless baking is forced (ColourLut.h).
    virtual bool costsMoreThanATable() const { return false; }
    // A kernel that has a faster version for colours that are non-negative
    // multiples of the direction k (after sepia, every pixel is) returns it,
    // and the direction its outputs then have in `after`.
    virtual std::shared_ptr<const Kernel> alongDirection(const double (&)[3], double (&)[3]) const
    {
        return nullptr;
    }

    // What the kernel is and its exact parameters, as text, set by its
    // factory: two kernels with the same key give the same values, so a
    // colour table baked for one run serves any run of the same keys
    // (ColourLut.h). Empty for kernels that are never baked.
    const std::string& key() const { return key_; }
    // The kernel, keyed with its name and parameters.
    template <class K>
    static std::shared_ptr<const Kernel> keyed(std::shared_ptr<K> kernel, const char* name,
                                               std::initializer_list<double> parameters);

private:
    std::string key_;
};

template <class K>
std::shared_ptr<const Kernel> Kernel::keyed(std::shared_ptr<K> kernel, const char* name,
                                            std::initializer_list<double> parameters)
{
    std::string key = name;
    for (double v : parameters) {
        char text[32];
        std::snprintf(text, sizeof text, " %a", v); // exact: hexadecimal
        key += text;
    }
    kernel->key_ = std::move(key);
    return kernel;
}

// A composed run of affine kernels.
class AffineKernel final : public Kernel
{
public:
    explicit AffineKernel(const AffineMap& map);
    void apply(const Planar& p, int n, int y, int x0) const override;
    bool affineForm(AffineMap& map) const override
    {
        map = map_;
        return true;
    }
    // Whether the map changes nothing (filters at their defaults).
    bool isIdentity() const;

private:
    AffineMap map_;
    float m_[3][4];
    float bias_[3];
};

using KernelPtr = std::shared_ptr<const Kernel>;

// The point filters' kernels (PointKernels.cpp, PowerKernels.cpp), made from
// their filters' inputs.
KernelPtr chromeKernel();
KernelPtr instantKernel();
KernelPtr processKernel();
KernelPtr sepiaKernel(float intensity);
// Centre and radius in pixels; exponent = 2 x intensity.
KernelPtr vignetteKernel(double cx, double cy, double radius, float exponent);
KernelPtr colorControlsKernel(float saturation, float brightness, float contrast);
// rgb times a factor (exposure).
KernelPtr scaleKernel(float factor);
KernelPtr colorMatrixKernel(const Vector4 (&rows)[4], const Vector4& bias);
KernelPtr minimumComponentKernel();
KernelPtr gammaKernel(float power);
KernelPtr highlightShadowKernel(float shadowAmount, float highlightAmount);

} // namespace imagefilter::detail
