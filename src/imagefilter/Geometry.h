#pragma once

#include <algorithm>
#include <cmath>
#include <limits>

namespace imagefilter {

// A rectangle in the library's coordinates: origin at the lower-left corner,
// y upwards, in pixels. Kept as its two corners so that an infinite rectangle
// (a generator's extent) is simply (-inf, -inf) to (+inf, +inf).
struct Rect
{
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;

    static Rect fromXYWH(double x, double y, double w, double h) { return {x, y, x + w, y + h}; }
    static Rect infinite()
    {
        constexpr double inf = std::numeric_limits<double>::infinity();
        return {-inf, -inf, inf, inf};
    }

    double x() const { return x0; }
    double y() const { return y0; }
    double width() const { return x1 - x0; }
    double height() const { return y1 - y0; }
    bool isInfinite() const
    {
        return std::isinf(x0) || std::isinf(y0) || std::isinf(x1) || std::isinf(y1);
    }
    bool isEmpty() const { return !(x1 > x0) || !(y1 > y0); }
    bool contains(const Rect& r) const
    {
        return r.isEmpty() || (r.x0 >= x0 && r.y0 >= y0 && r.x1 <= x1 && r.y1 <= y1);
    }
    Rect intersected(const Rect& r) const
    {
        Rect out{std::max(x0, r.x0), std::max(y0, r.y0), std::min(x1, r.x1), std::min(y1, r.y1)};
        if (out.isEmpty())
            return {};
        return out;
    }
    Rect united(const Rect& r) const
    {
        if (isEmpty())
            return r;
        if (r.isEmpty())
            return *this;
        return {std::min(x0, r.x0), std::min(y0, r.y0), std::max(x1, r.x1), std::max(y1, r.y1)};
    }
    bool operator==(const Rect&) const = default;
};

// x' = a*x + c*y + tx, y' = b*x + d*y + ty (the usual 2-D affine layout).
struct Affine
{
    double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;

    static Affine translation(double tx, double ty) { return {1, 0, 0, 1, tx, ty}; }
    static Affine scale(double sx, double sy) { return {sx, 0, 0, sy, 0, 0}; }

    // This transform applied after `first`.
    Affine after(const Affine& first) const
    {
        return {a * first.a + c * first.b,        b * first.a + d * first.b,
                a * first.c + c * first.d,        b * first.c + d * first.d,
                a * first.tx + c * first.ty + tx, b * first.tx + d * first.ty + ty};
    }
    Affine inverted() const
    {
        const double det = a * d - b * c;
        const double ia = d / det, ib = -b / det, ic = -c / det, id = a / det;
        return {ia, ib, ic, id, -(ia * tx + ic * ty), -(ib * tx + id * ty)};
    }
    bool isAxisAligned() const { return b == 0 && c == 0; }
    bool isIntegerTranslation() const
    {
        return a == 1 && b == 0 && c == 0 && d == 1 && tx == std::floor(tx) && ty == std::floor(ty);
    }
    // The bounding box of the transformed rectangle; an infinite one stays infinite.
    Rect map(const Rect& r) const
    {
        if (r.isEmpty())
            return {};
        if (r.isInfinite())
            return Rect::infinite();
        const double xs[4] = {r.x0, r.x1, r.x0, r.x1}, ys[4] = {r.y0, r.y0, r.y1, r.y1};
        Rect out{std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity(),
                 -std::numeric_limits<double>::infinity(),
                 -std::numeric_limits<double>::infinity()};
        for (int i = 0; i < 4; ++i) {
            const double px = a * xs[i] + c * ys[i] + tx, py = b * xs[i] + d * ys[i] + ty;
            out.x0 = std::min(out.x0, px);
            out.x1 = std::max(out.x1, px);
            out.y0 = std::min(out.y0, py);
            out.y1 = std::max(out.y1, py);
        }
        return out;
    }
};

} // namespace imagefilter
