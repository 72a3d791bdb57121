#pragma once

#include <QImage>
#include <QRectF>
#include <QSizeF>

namespace views {

// Where an image of `imageSize` is drawn inside a frame of `frameSize`: the
// image's proportions kept, centred, its size changed in steps of one fiftieth
// of its width (growing or shrinking) and the largest stepped size that fits
// kept. The rectangle is in the frame's lower-left coordinates. A 0 × 0 image
// gives (0, 0, 0, 0).
QRectF returnBestFitFrame(QSizeF imageSize, QSizeF frameSize);

// A new image of `size` (rounded to whole pixels) with the whole source drawn
// scaled into it. A null source or an empty size gives a null image.
QImage scaleImage(const QImage& image, QSizeF size);

// A rectangle given in lower-left coordinates of an area `height` high, in
// Qt's top-left coordinates.
inline QRectF toTopLeft(const QRectF& rect, double height)
{
    return QRectF(rect.x(), height - rect.y() - rect.height(), rect.width(), rect.height());
}

} // namespace views
