#pragma once

// Internal: the evaluation side of images. Every image is a node that fills
// rows of premultiplied linear pixels on request. Rows are planar: four
// contiguous float arrays (r, g, b, a), so per-pixel loops vectorise.

#include "imagefilter/Geometry.h"
#include "imagefilter/Image.h"

#include <cstddef>
#include <memory>
#include <vector>

namespace imagefilter::detail {

inline constexpr unsigned kAllChannels = 0xF;

struct Planar
{
    float* r;
    float* g;
    float* b;
    float* a;

    Planar offset(int i) const { return {r + i, g + i, b + i, a + i}; }
};

void zeroPlanar(const Planar& p, int n);

// Per-thread working memory for nodes that need rows besides their output
// (compositing, resampling). Used as a stack: a Frame returns everything it
// took when it ends.
class Scratch final
{
public:
    class Frame final
    {
    public:
        explicit Frame(Scratch& s) : scratch_(s), mark_(s.used_) {}
        ~Frame() { scratch_.used_ = mark_; }
        Frame(const Frame&) = delete;
        Frame& operator=(const Frame&) = delete;
        Planar planar(int n) { return scratch_.take(n); }

    private:
        Scratch& scratch_;
        std::size_t mark_;
    };

private:
    Planar take(int n);
    std::vector<std::unique_ptr<float[]>> blocks_;
    std::vector<int> sizes_;
    std::size_t used_ = 0;
};

class Node
{
public:
    explicit Node(const Rect& extent) : extent_(extent) {}
    virtual ~Node() = default;
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;

    const Rect& extent() const { return extent_; }

    // Row y (pixel centres at y + 0.5), columns x0 .. x0 + n - 1. Pixels whose
    // centre lies outside the extent are transparent black. `channels` (bits
    // 0-3 for r, g, b, a) says which channels the caller reads; a node may
    // leave any value in the others (zero, or what it computes anyway)
    // instead of computing them.
    void row(int y, int x0, int n, const Planar& out, Scratch& scratch,
             unsigned channels = kAllChannels) const;

    // This node over a smaller extent; the default wraps it in a crop.
    virtual std::shared_ptr<const Node> croppedTo(const std::shared_ptr<const Node>& self,
                                                  const Rect& rect) const;

protected:
    // Fills a span that lies wholly inside the extent.
    virtual void rowInside(int y, int x0, int n, const Planar& out, Scratch& scratch,
                           unsigned channels) const = 0;

private:
    Rect extent_;
};

using NodePtr = std::shared_ptr<const Node>;

// The pixel span [first, last) of a row whose centres lie inside [lo, hi).
void pixelSpan(double lo, double hi, int x0, int n, int& first, int& last);

} // namespace imagefilter::detail
