#pragma once

#include <QPointF>
#include <QRectF>

namespace views {

// The bar's drawing for a kept range of `menor` to `maior` percent on a bar
// `width` wide, in the bar's lower-left coordinates: two handles 5 × 15, the
// start handle's left edge at the start, the end handle's right edge at the
// end, and the space between them.
struct CutBarGeometry
{
    QRectF menor;
    QRectF maior;
    QRectF kept; // negative width when the handles are less than 10 apart
};
CutBarGeometry cutBarGeometry(float menor, float maior, double width);

// Half-open containment: left ≤ x < right and bottom ≤ y < top.
bool containsHalfOpen(const QRectF& rect, QPointF point);

// One drag event at x against a preview `previewWidth` wide: the dragged
// percent (start when `draggingMenor`, else end) follows x, and the two are
// exchanged when the start passes the end. Returns false, changing nothing,
// for x ≤ 0 or x ≥ the preview's width.
bool dragCutPercent(float& menor, float& maior, bool draggingMenor, double x, double previewWidth);

} // namespace views
