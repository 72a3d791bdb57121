#include "views/CutBarGeometry.h"

#include <utility>

namespace views {

namespace {
constexpr double kHandleWidth = 5.0;
constexpr double kHandleHeight = 15.0;
} // namespace

CutBarGeometry cutBarGeometry(float menor, float maior, double width)
{
    const float xs = float(double(menor) * width / 100.0);
    const float xe = float(double(maior) * width / 100.0);
    CutBarGeometry g;
    g.menor = QRectF(xs, 0.0, kHandleWidth, kHandleHeight);
    g.maior = QRectF(double(xe) - kHandleWidth, 0.0, kHandleWidth, kHandleHeight);
    const float keptLeft = xs + 5.0f;
    const float keptWidth = (xe - 5.0f) - keptLeft;
    g.kept = QRectF(keptLeft, 0.0, keptWidth, kHandleHeight);
    return g;
}

bool containsHalfOpen(const QRectF& rect, QPointF point)
{
    return point.x() >= rect.left() && point.x() < rect.left() + rect.width() &&
           point.y() >= rect.y() && point.y() < rect.y() + rect.height();
}

bool dragCutPercent(float& menor, float& maior, bool draggingMenor, double x, double previewWidth)
{
    // Percent scale is the preview's width; 0 and 100 cannot be reached.
    if (x <= 0.0 || !(previewWidth > x))
        return false;
    const float percent = float(x * 100.0 / previewWidth);
    (draggingMenor ? menor : maior) = percent;
    // The drag flags stay: the same handle goes on writing the same percent.
    if (menor > maior)
        std::swap(menor, maior);
    return true;
}

} // namespace views
