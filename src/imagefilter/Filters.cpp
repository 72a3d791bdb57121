// The built-in filters: each declares its keys with defaults and turns its
// inputs into a kernel (point filters) or a node (generator, compositing).

#include "imagefilter/Nodes.h"
#include "imagefilter/Registry.h"

#include <algorithm>
#include <cmath>

namespace imagefilter::detail {

namespace {

Image pointFilter(const Image& input, KernelPtr kernel)
{
    if (input.isNull())
        return {};
    return Image(ColourNode::append(input.node(), std::move(kernel)));
}

// ---- filters ------------------------------------------------------------------

const Filter::Key kImageKey{"inputImage", Value(Image())};

class LookFilter final : public Filter
{
public:
    LookFilter(const char* name, KernelPtr (*kernel)()) : Filter(name, {kImageKey}), kernel_(kernel)
    {
    }
    Image outputImage() const override { return pointFilter(image("inputImage"), kernel_()); }

private:
    KernelPtr (*kernel_)();
};

class SepiaFilter final : public Filter
{
public:
    SepiaFilter() : Filter("CISepiaTone", {kImageKey, {"inputIntensity", Value(1.0f)}}) {}
    Image outputImage() const override
    {
        return pointFilter(image("inputImage"), sepiaKernel(number("inputIntensity")));
    }
};

class VignetteFilter final : public Filter
{
public:
    VignetteFilter()
        : Filter("CIVignette",
                 {kImageKey, {"inputRadius", Value(1.0f)}, {"inputIntensity", Value(0.0f)}})
    {
    }
    Image outputImage() const override
    {
        const Image& in = image("inputImage");
        const float exponent = 2.0f * number("inputIntensity");
        if (in.isNull() || in.extent().isInfinite() || exponent == 0.0f)
            return in;
        const Rect e = in.extent();
        const double radius = std::min(e.width(), e.height()) / 2 *
                              (4.0 - std::clamp(double(number("inputRadius")), 0.0, 2.0));
        return pointFilter(
            in, vignetteKernel(e.x0 + e.width() / 2, e.y0 + e.height() / 2, radius, exponent));
    }
};

class ColorControlsFilter final : public Filter
{
public:
    ColorControlsFilter()
        : Filter("CIColorControls", {kImageKey,
                                     {"inputSaturation", Value(1.0f)},
                                     {"inputBrightness", Value(0.0f)},
                                     {"inputContrast", Value(1.0f)}})
    {
    }
    Image outputImage() const override
    {
        return pointFilter(image("inputImage"),
                           colorControlsKernel(number("inputSaturation"), number("inputBrightness"),
                                               number("inputContrast")));
    }
};

class GammaFilter final : public Filter
{
public:
    GammaFilter() : Filter("CIGammaAdjust", {kImageKey, {"inputPower", Value(1.0f)}}) {}
    Image outputImage() const override
    {
        return pointFilter(image("inputImage"), gammaKernel(number("inputPower")));
    }
};

class ExposureFilter final : public Filter
{
public:
    ExposureFilter() : Filter("CIExposureAdjust", {kImageKey, {"inputEV", Value(0.0f)}}) {}
    Image outputImage() const override
    {
        return pointFilter(image("inputImage"),
                           scaleKernel(float(std::exp2(double(number("inputEV"))))));
    }
};

class ColorMatrixFilter final : public Filter
{
public:
    ColorMatrixFilter()
        : Filter("CIColorMatrix", {kImageKey,
                                   {"inputRVector", Value(Vector4{1, 0, 0, 0})},
                                   {"inputGVector", Value(Vector4{0, 1, 0, 0})},
                                   {"inputBVector", Value(Vector4{0, 0, 1, 0})},
                                   {"inputAVector", Value(Vector4{0, 0, 0, 1})},
                                   {"inputBiasVector", Value(Vector4{0, 0, 0, 0})}})
    {
    }
    Image outputImage() const override
    {
        const Vector4 rows[4] = {vector("inputRVector"), vector("inputGVector"),
                                 vector("inputBVector"), vector("inputAVector")};
        return pointFilter(image("inputImage"), colorMatrixKernel(rows, vector("inputBiasVector")));
    }
};

class HighlightShadowFilter final : public Filter
{
public:
    HighlightShadowFilter()
        : Filter("CIHighlightShadowAdjust", {kImageKey,
                                             {"inputShadowAmount", Value(0.0f)},
                                             {"inputHighlightAmount", Value(1.0f)},
                                             {"inputRadius", Value(0.0f)}})
    {
    }
    // Only the per-pixel curve (radius 0) is made; a radius is accepted and ignored.
    Image outputImage() const override
    {
        return pointFilter(
            image("inputImage"),
            highlightShadowKernel(number("inputShadowAmount"), number("inputHighlightAmount")));
    }
};

class MinimumComponentFilter final : public Filter
{
public:
    MinimumComponentFilter() : Filter("CIMinimumComponent", {kImageKey}) {}
    Image outputImage() const override
    {
        return pointFilter(image("inputImage"), minimumComponentKernel());
    }
};

class RandomFilter final : public Filter
{
public:
    RandomFilter() : Filter("CIRandomGenerator", {}) {}
    Image outputImage() const override { return Image(std::make_shared<RandomNode>()); }
};

class CompositeFilter final : public Filter
{
public:
    CompositeFilter(const char* name, CompositeOp op)
        : Filter(name, {kImageKey, {"inputBackgroundImage", Value(Image())}}), op_(op)
    {
    }
    Image outputImage() const override
    {
        const Image& s = image("inputImage");
        const Image& d = image("inputBackgroundImage");
        if (s.isNull() || d.isNull())
            return {};
        if (op_ == CompositeOp::Multiply) {
            if (NodePtr fused = NoiseOverlayNode::fuse(s.node(), d.node()))
                return Image(std::move(fused));
        }
        return Image(std::make_shared<CompositeNode>(op_, s.node(), d.node()));
    }

private:
    CompositeOp op_;
};

template <class F> std::unique_ptr<Filter> make()
{
    return std::make_unique<F>();
}

} // namespace

void registerBuiltinFilters(const std::function<void(const char*, FilterFactory)>& add)
{
    add("CIPhotoEffectChrome", [] {
        return std::unique_ptr<Filter>(new LookFilter("CIPhotoEffectChrome", chromeKernel));
    });
    add("CIPhotoEffectInstant", [] {
        return std::unique_ptr<Filter>(new LookFilter("CIPhotoEffectInstant", instantKernel));
    });
    add("CIPhotoEffectProcess", [] {
        return std::unique_ptr<Filter>(new LookFilter("CIPhotoEffectProcess", processKernel));
    });
    add("CISepiaTone", make<SepiaFilter>);
    add("CIVignette", make<VignetteFilter>);
    add("CIColorControls", make<ColorControlsFilter>);
    add("CIGammaAdjust", make<GammaFilter>);
    add("CIExposureAdjust", make<ExposureFilter>);
    add("CIColorMatrix", make<ColorMatrixFilter>);
    add("CIHighlightShadowAdjust", make<HighlightShadowFilter>);
    add("CIMinimumComponent", make<MinimumComponentFilter>);
    add("CIRandomGenerator", make<RandomFilter>);
    add("CISourceOverCompositing", [] {
        return std::unique_ptr<Filter>(
            new CompositeFilter("CISourceOverCompositing", CompositeOp::SourceOver));
    });
    add("CIMultiplyCompositing", [] {
        return std::unique_ptr<Filter>(
            new CompositeFilter("CIMultiplyCompositing", CompositeOp::Multiply));
    });
}

} // namespace imagefilter::detail
