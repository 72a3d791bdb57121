#pragma once

// Internal: per-pixel kernels and the nodes that run them. A run of point
// filters over one input becomes one ColourNode whose kernels are applied in
// turn to each row segment while it sits in cache; no intermediate image is
// made and there is one virtual call per kernel per segment, never per pixel.

#include "imagefilter/Node.h"

#include <vector>

namespace imagefilter::detail {

// What a kernel expects in the row buffer: premultiplied linear light,
// unpremultiplied (straight) linear light, or straight sRGB-encoded values.
enum class Space { Premultiplied, Straight, StraightEncoded };

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
    // y and x0 locate the segment, for kernels that depend on position.
    virtual void apply(const Planar& p, int n, int y, int x0) const = 0;
    // Straight-colour kernels that keep alpha and are an affine map of the
    // pixel say so; a run of them is composed into one map.
    virtual bool affineForm(AffineMap&) const { return false; }
    // The input channels the kernel reads (bits 0-3: r, g, b, a), including
    // every channel it passes through unchanged.
    virtual unsigned reads() const { return kAllChannels; }
};

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

private:
    AffineMap map_;
    float m_[3][4];
    float bias_[3];
};

using KernelPtr = std::shared_ptr<const Kernel>;

// A bitmap, decoded from 8-bit sRGB on read.
class SourceNode final : public Node
{
public:
    explicit SourceNode(std::shared_ptr<const Bitmap> bitmap);
    // Straight (unpremultiplied) sRGB-encoded colour and linear alpha, straight
    // from the bytes: what a kernel working on encoded values wants first.
    void rowEncodedStraight(int y, int x0, int n, const Planar& out) const;

protected:
    void rowInside(int y, int x0, int n, const Planar& out, Scratch& scratch, unsigned channels) const override;

private:
    const std::uint8_t* storedRow(int y) const;
    std::shared_ptr<const Bitmap> bitmap_;
};

class ColourNode final : public Node
{
public:
    ColourNode(NodePtr input, std::vector<KernelPtr> kernels, const Rect& extent);
    // The input with one more kernel: appended to the input's run if the input
    // is itself a colour node, so consecutive point filters fuse.
    static NodePtr append(const NodePtr& input, KernelPtr kernel);
    NodePtr croppedTo(const NodePtr& self, const Rect& rect) const override;

protected:
    void rowInside(int y, int x0, int n, const Planar& out, Scratch& scratch, unsigned channels) const override;

private:
    // kernels_[begin, end) in one step: `fused` is their composed map when
    // there are several affine kernels, used unless some alpha in the
    // segment is below the unpremultiply floor (then each runs on its own).
    struct Step
    {
        KernelPtr fused;
        std::size_t begin, end;
    };
    void planSteps();

    NodePtr input_;
    std::vector<KernelPtr> kernels_;
    std::vector<Step> steps_;
};

class CropNode final : public Node
{
public:
    CropNode(NodePtr input, const Rect& extent) : Node(extent), input_(std::move(input)) {}
    NodePtr croppedTo(const NodePtr& self, const Rect& rect) const override;

protected:
    void rowInside(int y, int x0, int n, const Planar& out, Scratch& scratch, unsigned channels) const override
    {
        input_->row(y, x0, n, out, scratch, channels);
    }

private:
    NodePtr input_;
};

// The fixed noise tile, repeated without end.
class RandomNode final : public Node
{
public:
    static constexpr int kTile = 512;
    RandomNode();
    // The tile's four planes, row j (lower-left origin) at j * kTile.
    static const float* plane(int channel);

protected:
    void rowInside(int y, int x0, int n, const Planar& out, Scratch& scratch, unsigned channels) const override;
};

class TransformNode final : public Node
{
public:
    TransformNode(NodePtr input, const Affine& transform);
    const Affine& transform() const { return transform_; }
    const NodePtr& input() const { return input_; }

protected:
    void rowInside(int y, int x0, int n, const Planar& out, Scratch& scratch, unsigned channels) const override;

private:
    void rowFromTile(int y, int x0, int n, const Planar& out, Scratch& scratch, unsigned channels) const;
    void rowAxisAligned(int y, int x0, int n, const Planar& out, Scratch& scratch, unsigned channels) const;
    void rowGeneral(int y, int x0, int n, const Planar& out, Scratch& scratch) const;

    NodePtr input_;
    Affine transform_;
    Affine inverse_;
    bool fromTile_;
};

enum class CompositeOp { SourceOver, Multiply };

class CompositeNode final : public Node
{
public:
    CompositeNode(CompositeOp op, NodePtr source, NodePtr background);

protected:
    void rowInside(int y, int x0, int n, const Planar& out, Scratch& scratch, unsigned channels) const override;

private:
    CompositeOp op_;
    NodePtr source_, background_;
};

} // namespace imagefilter::detail
