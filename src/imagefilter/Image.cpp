// The image API and what every node shares: rows clipped to the extent, the
// scratch rows, crops.

#include "imagefilter/Image.h"

#include "imagefilter/Nodes.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace imagefilter {

using namespace detail;

Image Image::fromBitmap(Bitmap bitmap)
{
    return fromBitmap(std::make_shared<const Bitmap>(std::move(bitmap)));
}

Image Image::fromBitmap(std::shared_ptr<const Bitmap> bitmap)
{
    if (!bitmap || bitmap->isNull() ||
        bitmap->pixels.size() < std::size_t(bitmap->width) * bitmap->height * 4)
        return Image();
    return Image(std::make_shared<SourceNode>(std::move(bitmap)));
}

Image Image::fromRows(std::shared_ptr<const BitmapRows> rows)
{
    if (!rows || rows->width() <= 0 || rows->height() <= 0)
        return Image();
    return Image(std::make_shared<SourceNode>(std::move(rows)));
}

Rect Image::extent() const
{
    return node_ ? node_->extent() : Rect();
}

Image Image::croppedTo(const Rect& rect) const
{
    if (!node_ || rect.contains(node_->extent()))
        return *this;
    return Image(node_->croppedTo(node_, rect));
}

Image Image::transformed(const Affine& t) const
{
    if (!node_ || (t.isIntegerTranslation() && t.tx == 0 && t.ty == 0))
        return *this;
    // Integer translations resample nothing, so they fold into a neighbouring
    // transform exactly; other pairs keep both resamplings.
    if (auto inner = std::dynamic_pointer_cast<const TransformNode>(node_)) {
        if (t.isIntegerTranslation() || inner->transform().isIntegerTranslation())
            return Image(inner->input()).transformed(t.after(inner->transform()));
    }
    return Image(std::make_shared<TransformNode>(node_, t));
}

namespace detail {

void zeroPlanar(const Planar& p, int n)
{
    if (n <= 0)
        return;
    const std::size_t bytes = std::size_t(n) * sizeof(float);
    std::memset(p.r, 0, bytes);
    std::memset(p.g, 0, bytes);
    std::memset(p.b, 0, bytes);
    std::memset(p.a, 0, bytes);
}

Planar Scratch::take(int n)
{
    if (used_ == blocks_.size()) {
        blocks_.emplace_back();
        sizes_.push_back(0);
    }
    if (sizes_[used_] < n) {
        blocks_[used_] = std::make_unique<float[]>(std::size_t(n) * 4);
        sizes_[used_] = n;
    }
    float* base = blocks_[used_].get();
    const int stride = sizes_[used_];
    ++used_;
    return {base, base + stride, base + 2 * stride, base + 3 * stride};
}

void pixelSpan(double lo, double hi, int x0, int n, int& first, int& last)
{
    // pixel i is inside when lo <= i + 0.5 < hi
    double f = std::ceil(lo - 0.5) - x0, l = std::ceil(hi - 0.5) - x0;
    f = std::clamp(f, 0.0, double(n));
    l = std::clamp(l, 0.0, double(n));
    first = int(f);
    last = std::max(first, int(l));
}

void Node::row(int y, int x0, int n, const Planar& out, Scratch& scratch, unsigned channels) const
{
    const double cy = y + 0.5;
    if (!(cy >= extent_.y0 && cy < extent_.y1)) {
        zeroPlanar(out, n);
        return;
    }
    int first, last;
    pixelSpan(extent_.x0, extent_.x1, x0, n, first, last);
    zeroPlanar(out, first);
    zeroPlanar(out.offset(last), n - last);
    if (last > first)
        rowInside(y, x0 + first, last - first, out.offset(first), scratch, channels);
}

NodePtr Node::croppedTo(const NodePtr& self, const Rect& rect) const
{
    return std::make_shared<CropNode>(self, extent_.intersected(rect));
}

NodePtr CropNode::croppedTo(const NodePtr&, const Rect& rect) const
{
    return std::make_shared<CropNode>(input_, extent().intersected(rect));
}

} // namespace detail

} // namespace imagefilter
