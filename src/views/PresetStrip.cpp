#include "views/PresetStrip.h"

#include "views/ImageFitting.h"

#include <QEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QWheelEvent>
#include <cmath>

namespace views {

float presetNumberAt(double x)
{
    return float(std::ceil(x / kStripCellWidth));
}

QRectF thumbnailRect(std::uint64_t index, QSizeF thumbnailSize)
{
    // The product is taken as an unsigned integer, then converted.
    const std::uint64_t left = index * std::uint64_t(kStripCellWidth);
    return QRectF(double(left), 0.0, thumbnailSize.width(), thumbnailSize.height());
}

void drawThumbnail(QImage& strip, std::uint64_t index, const QImage& filtered, QSizeF thumbnailSize)
{
    if (strip.isNull() || filtered.isNull())
        return;
    QPainter painter(&strip);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(toTopLeft(thumbnailRect(index, thumbnailSize), strip.height()), filtered);
}

QRectF appliedOutlineRect(std::int64_t index)
{
    return QRectF(double(index) * kStripCellWidth, 0.0, kThumbnailFrame, kStripHeight);
}

namespace {

// Turns the wheel over a scroll area into sideways scrolling; eighths of a
// degree are kept until they make a whole pixel.
class SidewaysWheel final : public QObject
{
public:
    SidewaysWheel(QScrollArea* area) : QObject(area), area_(area) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Wheel)
            return QObject::eventFilter(watched, event);
        const auto* wheel = static_cast<QWheelEvent*>(event);
        const QPoint delta = wheel->angleDelta();
        int eighths = delta.y() != 0 ? delta.y() : delta.x();
        if (wheel->inverted())
            eighths = -eighths;
        // 120 eighths make a notch, and a notch one cell.
        remainder_ += double(eighths) * kStripCellWidth / 120.0;
        const int pixels = int(remainder_);
        remainder_ -= pixels;
        QScrollBar* bar = area_->horizontalScrollBar();
        bar->setValue(bar->value() - pixels);
        return true;
    }

private:
    QScrollArea* area_;
    double remainder_ = 0.0;
};

} // namespace

void scrollSideways(QScrollArea* area)
{
    if (!area)
        return;
    // On the viewport for the wheel that reaches it from the strip, and on the
    // strip itself for a wheel event sent to it alone.
    auto* sideways = new SidewaysWheel(area);
    area->viewport()->installEventFilter(sideways);
    if (QWidget* strip = area->widget())
        strip->installEventFilter(sideways);
}

} // namespace views
