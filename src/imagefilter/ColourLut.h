#pragma once

// Internal: a run of position-free colour kernels baked into a 3-D table.
// The grid spans straight colour over [0, 1]^3, either sRGB-encoded (what a
// bitmap's bytes are) or the square root of linear light (a shaper close to
// the sRGB curve that costs one instruction). Each grid point holds what the
// exact kernels make of that colour, encoded or as the signed square root of
// linear light. A pixel in the cube is interpolated from the four corners of
// the tetrahedron around it, so the table gives the exact kernels' values at
// the grid points and a smooth blend between them.

#include "imagefilter/Context.h"
#include "imagefilter/Node.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace imagefilter::detail {

class ColourLut final
{
public:
    // Grid points along each axis. At 33 every preset's tables that pass the
    // check keep a photograph within one level of the exact kernels (mean at
    // most 0.04); 17 interpolates no faster (the blend is bound by its loads
    // and arithmetic, not by the cache) and 65 would bake 8 times longer.
    static constexpr int kSize = 33;

    enum class Scale { Encoded, SquareRoot };

    // `exact` turns opaque colours of the grid, given in the planes of a row
    // of up to `kRow` pixels (straight encoded values for an encoded grid,
    // linear light for a square-root one), into straight encoded colours in
    // place. `in` is the grid's scale, `out` the values' kept.
    static constexpr int kRow = 512;
    ColourLut(Scale in, Scale out, const std::function<void(const Planar&, int)>& exact);

    // The table for a run whose kernels' keys (Kernel::key) make up `key`:
    // kept for the process, the last few in use, so that the graph of every
    // frame finds the table baked for the first one, and a table is baked
    // once per change of the settings. An empty key bakes a table of its own.
    static std::shared_ptr<const ColourLut>
    shared(const std::string& key, Scale in, Scale out,
           const std::function<void(const Planar&, int)>& exact);
    // Tables baked so far in the process.
    static long bakes();

    // r, g and b: colour on the grid's scale, each in [0, 1], replaced by the
    // table's values.
    void apply(const Planar& p, int n) const;

    // Whether the table holds the run: at the centre of every cell, where
    // interpolation strays furthest, it lies within kCentreLevels 8-bit
    // levels of the exact kernels (encoded, clamped to [0, 1] when the
    // values are encoded for bytes). Runs that bend too sharply inside a
    // cell (colours pushed far past black by a strong saturation) do not.
    static constexpr float kCentreLevels = 0.5f;
    bool holds() const { return holds_; }

private:
    void check(Scale in, Scale out, const std::function<void(const Planar&, int)>& exact);
    std::vector<float> table_; // kSize^3 points of (r, g, b, unused), red fastest
    bool holds_ = true;
};

// Which colour runs are baked into tables (Context::BakedColour), for the
// whole process; each graph settles it at its first render. The tables'
// interpolation costs more than most runs' exact kernels on this project's
// machine, less than a 3-D film stock's look-up (src/imagefilter/README.md,
// "Baked colour").
using Baking = Context::BakedColour;
Baking baking();
void setBaking(Baking mode);

} // namespace imagefilter::detail
