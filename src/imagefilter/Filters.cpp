// The built-in filters: each declares its keys with defaults and turns its
// inputs into a kernel (point filters) or a node (generator, compositing).

#include "imagefilter/Nodes.h"
#include "imagefilter/PixelMath.h"
#include "imagefilter/Registry.h"
#include "imagefilter/Simd.h"

#include <algorithm>
#include <cmath>

namespace imagefilter::detail {

namespace {

constexpr float kLumaR = 0.2125f, kLumaG = 0.7154f, kLumaB = 0.0721f;

inline float luma(float r, float g, float b) { return kLumaR * r + kLumaG * g + kLumaB * b; }

Image pointFilter(const Image& input, KernelPtr kernel)
{
    if (input.isNull())
        return {};
    return Image(ColourNode::append(input.node(), std::move(kernel)));
}

// ---- row loops (free functions, each built for two instruction sets: Simd.h) ----

inline void chromeRow(Planar p, int n)
{
    constexpr float k = 0.3f / 6.2831853072f;
    for (int i = 0; i < n; ++i) {
        const float y = luma(p.r[i], p.g[i], p.b[i]);
        const float r = y + 1.25f * (p.r[i] - y), g = y + 1.25f * (p.g[i] - y),
                    b = y + 1.25f * (p.b[i] - y);
        p.r[i] = r - k * math::sin2Pi(r);
        p.g[i] = g - k * math::sin2Pi(g);
        p.b[i] = b - k * math::sin2Pi(b);
    }
}

inline void instantRow(Planar p, int n)
{
    for (int i = 0; i < n; ++i) {
        const float y = luma(p.r[i], p.g[i], p.b[i]);
        p.r[i] = 0.08f + 0.90f * (y + 0.75f * (p.r[i] - y));
        p.g[i] = 0.06f + 0.88f * (y + 0.75f * (p.g[i] - y));
        p.b[i] = 0.05f + 0.80f * (y + 0.75f * (p.b[i] - y));
    }
}

inline void processRow(Planar p, int n)
{
    for (int i = 0; i < n; ++i) {
        // Y is unchanged by the saturation step (the weights sum to 1).
        const float y = luma(p.r[i], p.g[i], p.b[i]);
        const float shade = (1.0f - y) * (1.0f - y), light = y * y;
        const float r = y + 0.9f * (p.r[i] - y), g = y + 0.9f * (p.g[i] - y),
                    b = y + 0.9f * (p.b[i] - y);
        p.r[i] = 0.5f + 0.85f * (r - 0.5f) - 0.02f * shade + 0.03f * light;
        p.g[i] = 0.5f + 0.85f * (g - 0.5f) + 0.03f * shade + 0.02f * light;
        p.b[i] = 0.5f + 0.85f * (b - 0.5f) + 0.08f * shade - 0.04f * light;
    }
}

inline void sepiaRow(Planar p, int n, float t)
{
    for (int i = 0; i < n; ++i) {
        const float y = luma(p.r[i], p.g[i], p.b[i]);
        p.r[i] += (1.212f * y - p.r[i]) * t;
        p.g[i] += (0.969f * y - p.g[i]) * t;
        p.b[i] += (0.679f * y - p.b[i]) * t;
    }
}

inline void vignetteRow(Planar p, int n, float dx0, float dy2, float invR2, float exponent)
{
    if (exponent == 2.0f) {
        for (int i = 0; i < n; ++i) {
            const float dx = dx0 + float(i);
            const float t = 1.0f - (dx * dx + dy2) * invR2;
            const float base = math::select(t > 0.0f, t, 0.0f);
            const float f = base * base;
            p.r[i] *= f;
            p.g[i] *= f;
            p.b[i] *= f;
        }
        return;
    }
    for (int i = 0; i < n; ++i) {
        const float dx = dx0 + float(i);
        const float t = 1.0f - (dx * dx + dy2) * invR2;
        const float f = math::powPos(math::select(t > 0.0f, t, 0.0f), exponent);
        p.r[i] *= f;
        p.g[i] *= f;
        p.b[i] *= f;
    }
}

inline void colorControlsRow(Planar p, int n, float cs, float cy, float offset)
{
    for (int i = 0; i < n; ++i) {
        const float y = cy * luma(p.r[i], p.g[i], p.b[i]) + offset;
        p.r[i] = cs * p.r[i] + y;
        p.g[i] = cs * p.g[i] + y;
        p.b[i] = cs * p.b[i] + y;
    }
}

inline void gammaPlane(float* c, int n, float power)
{
    for (int i = 0; i < n; ++i) {
        const float x = c[i];
        const float m = math::powPos(math::select(x < 0.0f, -x, x), power);
        c[i] = math::select(x < 0.0f, -m, m);
    }
}

inline void scaleRow(Planar p, int n, float f)
{
    for (int i = 0; i < n; ++i) {
        p.r[i] *= f;
        p.g[i] *= f;
        p.b[i] *= f;
    }
}

inline void matrixPlanes(float* __restrict pr, float* __restrict pg, float* __restrict pb, float* __restrict pa,
                         int n, const float* __restrict matrix, const float* __restrict offset)
{
    // Local copies: the compiler then knows the stores leave them alone.
    float m[4][4], bias[4];
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c)
            m[r][c] = matrix[4 * r + c];
        bias[r] = offset[r];
    }
    for (int i = 0; i < n; ++i) {
        const float r = pr[i], g = pg[i], b = pb[i], a = pa[i];
        pr[i] = m[0][0] * r + m[0][1] * g + m[0][2] * b + m[0][3] * a + bias[0];
        pg[i] = m[1][0] * r + m[1][1] * g + m[1][2] * b + m[1][3] * a + bias[1];
        pb[i] = m[2][0] * r + m[2][1] * g + m[2][2] * b + m[2][3] * a + bias[2];
        pa[i] = m[3][0] * r + m[3][1] * g + m[3][2] * b + m[3][3] * a + bias[3];
    }
}

inline void highlightShadowRow(Planar p, int n, float shadowExp, float highlightExp)
{
    using math::select;
    for (int i = 0; i < n; ++i) {
        const float l = luma(p.r[i], p.g[i], p.b[i]);
        const float t = math::powPos(l, shadowExp);
        float shadow = t - 0.76f * t * t - l;
        shadow = select(shadow > 0.0f, select(shadow < 1.0f, shadow, 1.0f), 0.0f);
        // The second power of each curve is the square of the first.
        const float m = 1.0f - l;
        const float um = math::powPos(select(m < 0.0f, -m, m), highlightExp);
        const float u = select(m < 0.0f, -um, um);
        float highlight = 1.0f - (u - 0.8f * u * u) - l;
        highlight = select(highlight > -1.0f, select(highlight < 0.0f, highlight, 0.0f), -1.0f);
        const float safe = select(l > 0.0f, l, 1.0f);
        const float ratio = select(l > 0.0f, (l + shadow + highlight) / safe, 1.0f);
        p.r[i] *= ratio;
        p.g[i] *= ratio;
        p.b[i] *= ratio;
    }
}

inline void minimumComponentRow(Planar p, int n)
{
    for (int i = 0; i < n; ++i) {
        const float m = std::min(std::min(p.r[i], p.g[i]), p.b[i]);
        p.r[i] = p.g[i] = p.b[i] = m;
    }
}

// ---- kernels ------------------------------------------------------------------

// The three photographic looks: a saturation step about Y on encoded values,
// then a per-channel curve or offset.
class ChromeKernel final : public Kernel
{
public:
    Space space() const override { return Space::StraightEncoded; }
    void apply(const Planar& p, int n, int, int) const override { simd::run<chromeRow>(p, n); }
};

class InstantKernel final : public Kernel
{
public:
    Space space() const override { return Space::StraightEncoded; }
    void apply(const Planar& p, int n, int, int) const override { simd::run<instantRow>(p, n); }
};

class ProcessKernel final : public Kernel
{
public:
    Space space() const override { return Space::StraightEncoded; }
    void apply(const Planar& p, int n, int, int) const override { simd::run<processRow>(p, n); }
};

class SepiaKernel final : public Kernel
{
public:
    explicit SepiaKernel(float intensity) : t_(intensity) {}
    void apply(const Planar& p, int n, int, int) const override { simd::run<sepiaRow>(p, n, t_); }
    bool affineForm(AffineMap& map) const override
    {
        const double tone[3] = {1.212, 0.969, 0.679}, luma[3] = {kLumaR, kLumaG, kLumaB};
        map = AffineMap::identity();
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                map.m[r][c] = (r == c ? 1.0 - t_ : 0.0) + t_ * tone[r] * luma[c];
        return true;
    }

private:
    float t_;
};

class VignetteKernel final : public Kernel
{
public:
    VignetteKernel(double cx, double cy, double radius, float exponent)
        : cx_(cx), cy_(cy), invR2_(float(1.0 / (radius * radius))), exponent_(exponent)
    {
    }
    void apply(const Planar& p, int n, int y, int x0) const override
    {
        const float dy = float(y + 0.5 - cy_);
        simd::run<vignetteRow>(p, n, float(x0 + 0.5 - cx_), dy * dy, invR2_, exponent_);
    }

private:
    double cx_, cy_;
    float invR2_, exponent_;
};

class ColorControlsKernel final : public Kernel
{
public:
    ColorControlsKernel(float saturation, float brightness, float contrast)
        : s_(saturation), c_(contrast), offset_(brightness + 0.5f - 0.5f * contrast)
    {
    }
    void apply(const Planar& p, int n, int, int) const override
    {
        simd::run<colorControlsRow>(p, n, c_ * s_, c_ * (1.0f - s_), offset_);
    }
    bool affineForm(AffineMap& map) const override
    {
        const double luma[3] = {kLumaR, kLumaG, kLumaB};
        map = AffineMap::identity();
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c)
                map.m[r][c] = (r == c ? double(c_) * s_ : 0.0) + double(c_) * (1.0 - s_) * luma[c];
            map.bias[r] = offset_;
        }
        return true;
    }

private:
    float s_, c_, offset_;
};

class GammaKernel final : public Kernel
{
public:
    explicit GammaKernel(float power) : p_(power) {}
    void apply(const Planar& p, int n, int, int) const override
    {
        simd::run<gammaPlane>(p.r, n, p_);
        simd::run<gammaPlane>(p.g, n, p_);
        simd::run<gammaPlane>(p.b, n, p_);
    }

private:
    float p_;
};

class ScaleKernel final : public Kernel
{
public:
    explicit ScaleKernel(float factor) : f_(factor) {}
    void apply(const Planar& p, int n, int, int) const override { simd::run<scaleRow>(p, n, f_); }
    bool affineForm(AffineMap& map) const override
    {
        map = AffineMap::identity();
        for (int r = 0; r < 3; ++r)
            map.m[r][r] = f_;
        return true;
    }

private:
    float f_;
};

class ColorMatrixKernel final : public Kernel
{
public:
    ColorMatrixKernel(const Vector4 (&rows)[4], const Vector4& bias)
    {
        for (int r = 0; r < 4; ++r) {
            for (int c = 0; c < 4; ++c)
                m_[r][c] = float(rows[r][c]);
            bias_[r] = float(bias[r]);
        }
        keepsAlpha_ = m_[3][0] == 0 && m_[3][1] == 0 && m_[3][2] == 0 && m_[3][3] == 1 && bias_[3] == 0;
        makesOpaque_ = m_[3][0] == 0 && m_[3][1] == 0 && m_[3][2] == 0 && m_[3][3] == 0 && bias_[3] == 1;
    }
    bool keepsAlpha() const override { return keepsAlpha_; }
    bool makesOpaque() const override { return makesOpaque_; }
    bool affineForm(AffineMap& map) const override
    {
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 4; ++c)
                map.m[r][c] = m_[r][c];
            map.bias[r] = bias_[r];
        }
        return keepsAlpha_;
    }
    void apply(const Planar& p, int n, int, int) const override
    {
        simd::run<matrixPlanes>(p.r, p.g, p.b, p.a, n, static_cast<const float*>(&m_[0][0]),
                                static_cast<const float*>(bias_));
    }
    // Every output is written, so only the columns in use are read.
    unsigned reads() const override
    {
        unsigned used = 0;
        for (int c = 0; c < 4; ++c)
            for (int r = 0; r < 4; ++r)
                if (m_[r][c] != 0)
                    used |= 1u << c;
        return used | 8u;
    }

private:
    float m_[4][4];
    float bias_[4];
    bool keepsAlpha_;
    bool makesOpaque_;
};

class HighlightShadowKernel final : public Kernel
{
public:
    HighlightShadowKernel(float shadow, float highlight)
        : shadowExp_(1.0f / std::max(std::clamp(shadow, -1.0f, 1.0f) + 1.0f, 1e-3f)),
          highlightExp_(1.0f / (2.0f - std::clamp(highlight, 0.0f, 1.0f)))
    {
    }
    void apply(const Planar& p, int n, int, int) const override
    {
        simd::run<highlightShadowRow>(p, n, shadowExp_, highlightExp_);
    }

private:
    float shadowExp_, highlightExp_;
};

class MinimumComponentKernel final : public Kernel
{
public:
    Space space() const override { return Space::Premultiplied; }
    void apply(const Planar& p, int n, int, int) const override { simd::run<minimumComponentRow>(p, n); }
};

// ---- filters ------------------------------------------------------------------

const Filter::Key kImageKey{"inputImage", Value(Image())};

template <class K>
class LookFilter final : public Filter
{
public:
    explicit LookFilter(const char* name) : Filter(name, {kImageKey}) {}
    Image outputImage() const override
    {
        return pointFilter(image("inputImage"), std::make_shared<K>());
    }
};

class SepiaFilter final : public Filter
{
public:
    SepiaFilter() : Filter("CISepiaTone", {kImageKey, {"inputIntensity", Value(1.0f)}}) {}
    Image outputImage() const override
    {
        return pointFilter(image("inputImage"),
                           std::make_shared<SepiaKernel>(number("inputIntensity")));
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
        const double radius =
            std::min(e.width(), e.height()) / 2 * (4.0 - std::clamp(double(number("inputRadius")), 0.0, 2.0));
        return pointFilter(in, std::make_shared<VignetteKernel>(e.x0 + e.width() / 2,
                                                                e.y0 + e.height() / 2, radius, exponent));
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
                           std::make_shared<ColorControlsKernel>(number("inputSaturation"),
                                                                 number("inputBrightness"),
                                                                 number("inputContrast")));
    }
};

class GammaFilter final : public Filter
{
public:
    GammaFilter() : Filter("CIGammaAdjust", {kImageKey, {"inputPower", Value(1.0f)}}) {}
    Image outputImage() const override
    {
        return pointFilter(image("inputImage"), std::make_shared<GammaKernel>(number("inputPower")));
    }
};

class ExposureFilter final : public Filter
{
public:
    ExposureFilter() : Filter("CIExposureAdjust", {kImageKey, {"inputEV", Value(0.0f)}}) {}
    Image outputImage() const override
    {
        return pointFilter(image("inputImage"),
                           std::make_shared<ScaleKernel>(float(std::exp2(double(number("inputEV"))))));
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
        return pointFilter(image("inputImage"),
                           std::make_shared<ColorMatrixKernel>(rows, vector("inputBiasVector")));
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
        return pointFilter(image("inputImage"),
                           std::make_shared<HighlightShadowKernel>(number("inputShadowAmount"),
                                                                   number("inputHighlightAmount")));
    }
};

class MinimumComponentFilter final : public Filter
{
public:
    MinimumComponentFilter() : Filter("CIMinimumComponent", {kImageKey}) {}
    Image outputImage() const override
    {
        return pointFilter(image("inputImage"), std::make_shared<MinimumComponentKernel>());
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
        return Image(std::make_shared<CompositeNode>(op_, s.node(), d.node()));
    }

private:
    CompositeOp op_;
};

template <class F>
std::unique_ptr<Filter> make()
{
    return std::make_unique<F>();
}

} // namespace

void registerBuiltinFilters(const std::function<void(const char*, FilterFactory)>& add)
{
    add("CIPhotoEffectChrome", [] { return std::unique_ptr<Filter>(new LookFilter<ChromeKernel>("CIPhotoEffectChrome")); });
    add("CIPhotoEffectInstant", [] { return std::unique_ptr<Filter>(new LookFilter<InstantKernel>("CIPhotoEffectInstant")); });
    add("CIPhotoEffectProcess", [] { return std::unique_ptr<Filter>(new LookFilter<ProcessKernel>("CIPhotoEffectProcess")); });
    add("CISepiaTone", make<SepiaFilter>);
    add("CIVignette", make<VignetteFilter>);
    add("CIColorControls", make<ColorControlsFilter>);
    add("CIGammaAdjust", make<GammaFilter>);
    add("CIExposureAdjust", make<ExposureFilter>);
    add("CIColorMatrix", make<ColorMatrixFilter>);
    add("CIHighlightShadowAdjust", make<HighlightShadowFilter>);
    add("CIMinimumComponent", make<MinimumComponentFilter>);
    add("CIRandomGenerator", make<RandomFilter>);
    add("CISourceOverCompositing", [] { return std::unique_ptr<Filter>(new CompositeFilter("CISourceOverCompositing", CompositeOp::SourceOver)); });
    add("CIMultiplyCompositing", [] { return std::unique_ptr<Filter>(new CompositeFilter("CIMultiplyCompositing", CompositeOp::Multiply)); });
}

} // namespace imagefilter::detail
