// The point filters' kernels but the two built on powers (PowerKernels.cpp):
// a row loop each (a free function, built for two instruction sets: Simd.h)
// and the kernel that runs it.

#include "imagefilter/Kernels.h"
#include "imagefilter/PixelMath.h"
#include "imagefilter/Simd.h"

#include <algorithm>

namespace imagefilter::detail {

namespace {

constexpr float kLumaR = 0.2125f, kLumaG = 0.7154f, kLumaB = 0.0721f;

inline float luma(float r, float g, float b)
{
    return kLumaR * r + kLumaG * g + kLumaB * b;
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

inline void scaleRow(Planar p, int n, float f)
{
    for (int i = 0; i < n; ++i) {
        p.r[i] *= f;
        p.g[i] *= f;
        p.b[i] *= f;
    }
}

inline void matrixPlanes(float* __restrict pr, float* __restrict pg, float* __restrict pb,
                         float* __restrict pa, int n, const float* __restrict matrix,
                         const float* __restrict offset)
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

// One output plane of a matrix row with a single term: k x + bias.
inline void scalePlane(const float* __restrict src, float* __restrict dst, int n, float k,
                       float bias)
{
    for (int i = 0; i < n; ++i)
        dst[i] = k * src[i] + bias;
}

inline void fillPlane(float* dst, int n, float v)
{
    for (int i = 0; i < n; ++i)
        dst[i] = v;
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
    bool scalesColour() const override { return true; }
    bool dependsOnPosition() const override { return true; }
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
        keepsAlpha_ =
            m_[3][0] == 0 && m_[3][1] == 0 && m_[3][2] == 0 && m_[3][3] == 1 && bias_[3] == 0;
        makesOpaque_ =
            m_[3][0] == 0 && m_[3][1] == 0 && m_[3][2] == 0 && m_[3][3] == 0 && bias_[3] == 1;
        // Rows with at most one term (the grain's specks and scratch mask)
        // need a multiply each, not sixteen.
        sparse_ = true;
        for (int r = 0; r < 4; ++r) {
            column_[r] = -1;
            for (int c = 0; c < 4; ++c) {
                if (m_[r][c] == 0)
                    continue;
                sparse_ = sparse_ && column_[r] < 0;
                column_[r] = c;
                columnsRead_ |= 1u << c;
            }
        }
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
        if (sparse_)
            applySparse(p, n);
        else
            simd::run<matrixPlanes>(p.r, p.g, p.b, p.a, n, static_cast<const float*>(&m_[0][0]),
                                    static_cast<const float*>(bias_));
    }
    bool sparseForm(SparseRows& rows) const override
    {
        if (!sparse_)
            return false;
        for (int r = 0; r < 4; ++r) {
            rows.column[r] = column_[r];
            rows.coef[r] = column_[r] < 0 ? 0.0f : m_[r][column_[r]];
            rows.bias[r] = bias_[r];
        }
        return true;
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
    // Each output row from a copy of the one input column it reads (the
    // outputs overwrite the planes the rows read), a chunk at a time.
    void applySparse(const Planar& p, int n) const
    {
        float* planes[4] = {p.r, p.g, p.b, p.a};
        constexpr int kChunk = 256;
        alignas(32) float copy[4][kChunk];
        for (int done = 0; done < n; done += kChunk) {
            const int len = std::min(kChunk, n - done);
            for (int c = 0; c < 4; ++c)
                if (columnsRead_ & (1u << c))
                    std::copy_n(planes[c] + done, len, copy[c]);
            for (int r = 0; r < 4; ++r) {
                if (column_[r] < 0)
                    simd::run<fillPlane>(planes[r] + done, len, bias_[r]);
                else
                    simd::run<scalePlane>(static_cast<const float*>(copy[column_[r]]),
                                          planes[r] + done, len, m_[r][column_[r]], bias_[r]);
            }
        }
    }

    float m_[4][4];
    float bias_[4];
    bool keepsAlpha_;
    bool makesOpaque_;
    bool sparse_;
    int column_[4]; // the one column each row reads, or -1
    unsigned columnsRead_ = 0;
};

class MinimumComponentKernel final : public Kernel
{
public:
    Space space() const override { return Space::Premultiplied; }
    void apply(const Planar& p, int n, int, int) const override
    {
        simd::run<minimumComponentRow>(p, n);
    }
    bool isMinimumComponent() const override { return true; }
};

} // namespace

KernelPtr chromeKernel()
{
    return Kernel::keyed(std::make_shared<ChromeKernel>(), "chrome", {});
}
KernelPtr instantKernel()
{
    return Kernel::keyed(std::make_shared<InstantKernel>(), "instant", {});
}
KernelPtr processKernel()
{
    return Kernel::keyed(std::make_shared<ProcessKernel>(), "process", {});
}
KernelPtr sepiaKernel(float intensity)
{
    return Kernel::keyed(std::make_shared<SepiaKernel>(intensity), "sepia", {intensity});
}
KernelPtr vignetteKernel(double cx, double cy, double radius, float exponent)
{
    return std::make_shared<VignetteKernel>(cx, cy, radius, exponent);
}
KernelPtr colorControlsKernel(float saturation, float brightness, float contrast)
{
    return Kernel::keyed(std::make_shared<ColorControlsKernel>(saturation, brightness, contrast),
                         "controls", {saturation, brightness, contrast});
}
KernelPtr scaleKernel(float factor)
{
    return Kernel::keyed(std::make_shared<ScaleKernel>(factor), "scale", {factor});
}
KernelPtr colorMatrixKernel(const Vector4 (&rows)[4], const Vector4& bias)
{
    // The kernel keeps the values as floats, and so does its key.
    return Kernel::keyed(
        std::make_shared<ColorMatrixKernel>(rows, bias), "matrix",
        {float(rows[0][0]), float(rows[0][1]), float(rows[0][2]), float(rows[0][3]),
         float(rows[1][0]), float(rows[1][1]), float(rows[1][2]), float(rows[1][3]),
         float(rows[2][0]), float(rows[2][1]), float(rows[2][2]), float(rows[2][3]),
         float(rows[3][0]), float(rows[3][1]), float(rows[3][2]), float(rows[3][3]),
         float(bias[0]),    float(bias[1]),    float(bias[2]),    float(bias[3])});
}
KernelPtr minimumComponentKernel()
{
    return std::make_shared<MinimumComponentKernel>();
}

} // namespace imagefilter::detail
