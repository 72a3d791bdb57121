#pragma once

#include "imagefilter/Bitmap.h"
#include "imagefilter/Geometry.h"

#include <memory>

namespace imagefilter {

namespace detail {
class Node;
}

// A lazy image: a recipe (a bitmap, a generator, or a filter's output over
// other images) evaluated only when a Context renders it. Images are
// immutable values and cheap to copy. A default-constructed image is null.
class Image final
{
public:
    Image() = default;
    explicit Image(std::shared_ptr<const detail::Node> node) : node_(std::move(node)) {}

    // A bitmap's pixels, extent (0, 0, width, height); a null bitmap gives a null image.
    static Image fromBitmap(Bitmap bitmap);
    static Image fromBitmap(std::shared_ptr<const Bitmap> bitmap);
    // Rows made as they are read, read as a bitmap's would be.
    static Image fromRows(std::shared_ptr<const BitmapRows> rows);

    bool isNull() const { return !node_; }
    // The null image has an empty extent.
    Rect extent() const;

    // The pixels inside rect, with extent = rect intersected with this extent.
    Image croppedTo(const Rect& rect) const;
    // The image moved by the transform, bilinearly sampled (pixel centres at
    // half-integers, so an integer translation moves pixels exactly).
    Image transformed(const Affine& transform) const;

    const std::shared_ptr<const detail::Node>& node() const { return node_; }

private:
    std::shared_ptr<const detail::Node> node_;
};

} // namespace imagefilter
