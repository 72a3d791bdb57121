#pragma once

// Internal: the kinds of node, one source file each: the bitmap source
// (SourceNode.cpp), the colour run (ColourNode.cpp, with the sRGB passes it
// switches spaces by in SrgbPlanes.cpp and the directions its colours keep in
// SingleDirectionColours.cpp), compositing (CompositeNode.cpp), the
// noise tile (RandomNode.cpp), transforms (TransformNode.cpp) and two noise
// layers composited in one pass (NoiseOverlayNode.cpp); crops and the image
// API are in Image.cpp.

#include "imagefilter/Bitmap.h"
#include "imagefilter/Kernels.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace imagefilter::detail {

// A bitmap, decoded from 8-bit sRGB on read.
class SourceNode final : public Node
{
public:
    explicit SourceNode(std::shared_ptr<const Bitmap> bitmap);
    explicit SourceNode(std::shared_ptr<const BitmapRows> rows);
    // Straight (unpremultiplied) sRGB-encoded colour and linear alpha, straight
    // from the bytes: what a kernel working on encoded values wants first.
    // Returns whether every pixel of the span is opaque.
    bool rowEncodedStraight(int y, int x0, int n, const Planar& out) const;

protected:
    void rowInside(int y, int x0, int n, const Planar& out, Scratch& scratch,
                   unsigned channels) const override;

private:
    // The bytes of row y from column x0 on: in the bitmap, or made into a
    // buffer of the calling thread's that lasts until its next call.
    const std::uint8_t* bytes(int y, int x0, int n) const;
    std::shared_ptr<const Bitmap> bitmap_;
    std::shared_ptr<const BitmapRows> rows_;
};

class BakedColourNode;

// A run of point filters over one input (see ColourNode.cpp for how the row
// buffer moves between the kernels' spaces). Where baking applies
// (ColourLut.h: always when forced, by default to parts holding a film
// stock), a run is rendered as its position-free parts baked into tables with
// the position-dependent kernels and the parts left exact between them, each
// its own node made at the first render; `exactOnly` keeps a run to its
// kernels.
class ColourNode final : public Node
{
public:
    ColourNode(NodePtr input, std::vector<KernelPtr> kernels, const Rect& extent,
               bool exactOnly = false);
    // The input with one more kernel: appended to the input's run if the input
    // is itself a colour node, so consecutive point filters fuse.
    static NodePtr append(const NodePtr& input, KernelPtr kernel);
    NodePtr croppedTo(const NodePtr& self, const Rect& rect) const override;
    const NodePtr& input() const { return input_; }
    const std::vector<KernelPtr>& kernels() const { return kernels_; }

    // Whether the run's last kernel leaves sRGB-encoded values (a look), the
    // run ends in a table, or it changes nothing in a bitmap's bytes.
    bool endsEncoded() const;
    // For such a run, a span inside the extent: true, with the straight
    // encoded colour left in `out`, when every pixel of it is opaque; else
    // false, with the row as row() gives it.
    bool rowEncodedIfOpaque(int y, int x0, int n, const Planar& out, Scratch& scratch) const;

    // How runKernels leaves the buffer: premultiplied linear light, straight
    // encoded values where the segment is opaque (else premultiplied), or
    // straight encoded values always.
    enum class End { Premultiplied, EncodedIfOpaque, Encoded };
    // The kernels over a buffer already holding the input in `start` space
    // (opaque: every alpha is known to be 1). Returns whether the buffer
    // holds straight encoded values.
    bool runKernels(int y, int x0, int n, const Planar& out, Space start, bool opaque,
                    End end) const;

protected:
    void rowInside(int y, int x0, int n, const Planar& out, Scratch& scratch,
                   unsigned channels) const override;

private:
    bool runRow(int y, int x0, int n, const Planar& out, Scratch& scratch, bool keepEncoded) const;
    // kernels_[begin, end) in one step: `fused` is their composed map when
    // there are several affine kernels, used unless some alpha in the
    // segment is below the unpremultiply floor (then each runs on its own).
    struct Step
    {
        KernelPtr fused;
        std::size_t begin, end;
    };
    void planSteps();
    void planDirections();
    // The run as baked parts and exact ones, made at the first render under
    // each setting that bakes.
    struct BakedPlan
    {
        std::once_flag once;
        NodePtr node; // the last part; null when no part is baked
        const BakedColourNode* bakedTail = nullptr;
        const ColourNode* exactTail = nullptr;
    };
    // The plan for the current setting, or null when the run renders by its
    // kernels.
    const BakedPlan* baked() const;
    // everyPart: every position-free part that does more than one affine
    // map, else only those holding a kernel that costs more than a table.
    void planBaked(BakedPlan& plan, bool everyPart) const;

    NodePtr input_;
    // The input as a bitmap source when the first kernel reads encoded
    // values straight from its bytes; found once here, not per segment.
    const SourceNode* encodedSource_ = nullptr;
    // The input as a bitmap source when the run changes nothing.
    const SourceNode* identitySource_ = nullptr;
    std::vector<KernelPtr> kernels_;
    std::vector<Step> steps_;
    bool exactOnly_;
    bool costly_ = false; // some kernel costsMoreThanATable()
    mutable BakedPlan everyPart_, costlyParts_;
};

class ColourLut;

// Position-free colour kernels as a table over straight colour, encoded or
// the square roots of linear light (ColourLut.h), baked at the first render.
// Pixels the table cannot take (some alpha below 1, or a value outside
// [0, 1] arriving from a node that does not clamp) run the exact kernels.
class BakedColourNode final : public Node
{
public:
    BakedColourNode(NodePtr input, std::vector<KernelPtr> kernels, const Rect& extent);
    ~BakedColourNode() override;
    bool rowEncodedIfOpaque(int y, int x0, int n, const Planar& out, Scratch& scratch) const;

protected:
    void rowInside(int y, int x0, int n, const Planar& out, Scratch& scratch,
                   unsigned channels) const override;

private:
    // True with the table's values for opaque colour in `out`; false with
    // what the exact run leaves there for `end`. The table's values are
    // straight encoded colour (for the render's bytes, or after a kernel on
    // encoded values) or the signed square root of linear light (for the
    // nodes below).
    bool lutRow(int y, int x0, int n, const Planar& out, Scratch& scratch,
                ColourNode::End end) const;
    // The same for a segment of another node's with some pixels the table
    // cannot take.
    bool mixedRow(int y, int x0, int n, const Planar& out, Scratch& scratch, const ColourLut& table,
                  ColourNode::End end) const;
    // Opaque linear colour in [0, 1] from the input onto the table's grid.
    void toGrid(const Planar& p, int n) const;
    struct Baked
    {
        std::once_flag once;
        std::shared_ptr<const ColourLut> lut;
    };
    const ColourLut& lut(bool encodedOut) const;

    NodePtr input_;
    const SourceNode* source_;
    std::shared_ptr<const ColourNode> exact_;
    // The grid is on encoded values, else on square roots of linear light.
    bool encodedGrid_;
    // The last kernel leaves encoded values: the table holds encoded values
    // for the nodes below too, decoded on the way out, rather than square
    // roots, which bend over a film stock's lifted blacks.
    bool encodedEnd_;
    std::string key_; // the kernels' keys, or empty when one has none
    mutable Baked toEncoded_, toRoot_;
};

class CropNode final : public Node
{
public:
    CropNode(NodePtr input, const Rect& extent) : Node(extent), input_(std::move(input)) {}
    NodePtr croppedTo(const NodePtr& self, const Rect& rect) const override;
    const NodePtr& input() const { return input_; }

protected:
    void rowInside(int y, int x0, int n, const Planar& out, Scratch& scratch,
                   unsigned channels) const override
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
    // Plane 0-2 divided by max(alpha, 1e-5) (the straight colour) or plane 3
    // (alpha), its rows 2 * kTile long, each the tile's row twice over: any
    // kTile values from any column of row j lie at j * 2 * kTile + column on.
    static const float* wrappedStraightPlane(int channel);

protected:
    void rowInside(int y, int x0, int n, const Planar& out, Scratch& scratch,
                   unsigned channels) const override;
};

class TransformNode final : public Node
{
public:
    TransformNode(NodePtr input, const Affine& transform);
    const Affine& transform() const { return transform_; }
    const NodePtr& input() const { return input_; }
    const Affine& inverse() const { return inverse_; }

    // A noise tile stretched (or moved by a fraction, up to two tile pixels a
    // step) along the axes is sampled one tile row at a time: each row
    // resampled along x, then two of them blended by row y's weight fy
    // (blendTileRows). Those rows depend on the row's x span alone, so the
    // rows below may take them again.
    bool samplesTileAlongX() const;
    void tileRowsFor(int y, int& j0, int& j1, float& fy) const;
    void tileRowAlongX(int j, int channel, int x0, int n, float* out, Scratch& scratch) const;

protected:
    void rowInside(int y, int x0, int n, const Planar& out, Scratch& scratch,
                   unsigned channels) const override;

private:
    void tileColumnsFor(int x0, float& start, float& step) const;
    void rowFromTile(int y, int x0, int n, const Planar& out, Scratch& scratch,
                     unsigned channels) const;
    void rowAxisAligned(int y, int x0, int n, const Planar& out, Scratch& scratch,
                        unsigned channels) const;
    void rowGeneral(int y, int x0, int n, const Planar& out, Scratch& scratch) const;

    NodePtr input_;
    Affine transform_;
    Affine inverse_;
    bool fromTile_;
};

// out = row0 + (row1 - row0) fy, the blend of two tile rows resampled along x.
void blendTileRows(const float* row0, const float* row1, float* out, int n, float fy);

enum class CompositeOp { SourceOver, Multiply };

class CompositeNode final : public Node
{
public:
    CompositeNode(CompositeOp op, NodePtr source, NodePtr background);
    CompositeOp op() const { return op_; }
    const NodePtr& source() const { return source_; }
    const NodePtr& background() const { return background_; }

protected:
    void rowInside(int y, int x0, int n, const Planar& out, Scratch& scratch,
                   unsigned channels) const override;

private:
    CompositeOp op_;
    NodePtr source_, background_;
};

// multiplied x (over + base x (1 - over's alpha)), where both layers are a
// colour run of the noise tile: what CIMultiplyCompositing of one such layer
// over CISourceOverCompositing of another over a base gives, in one pass.
class NoiseOverlayNode final : public Node
{
public:
    // A sparse colour matrix (and optionally the minimum component) of the
    // samples that `sample`, a noise tile or a transform of one, gives.
    struct Layer
    {
        NodePtr sample;
        SparseRows rows;
        bool minimum;
        unsigned reads; // the sample's channels the layer needs
        // The sample is the tile moved by whole pixels (tx, ty): read in place.
        bool inTile;
        int tx, ty;
        // Or the tile stretched along the axes: its resampled rows are kept.
        const TransformNode* stretched;
    };
    // The fused node for a multiply composite's two inputs, or null when they
    // are not of that form (it is then composited as nodes).
    static NodePtr fuse(const NodePtr& multiplied, const NodePtr& background);
    NoiseOverlayNode(NodePtr base, Layer over, Layer multiplied, const Rect& extent);

protected:
    void rowInside(int y, int x0, int n, const Planar& out, Scratch& scratch,
                   unsigned channels) const override;

private:
    NodePtr base_;
    Layer over_, multiplied_;
};

} // namespace imagefilter::detail
