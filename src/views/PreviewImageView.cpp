#include "views/PreviewImageView.h"

#include "app/AppDelegate.h"
#include "views/ImageFitting.h"

#include <QPaintEvent>
#include <QPainter>

void PreviewImageView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), Qt::black);

    const AppDelegate* controller = AppDelegate::shared();
    if (!controller || !controller->obj_Video)
        return;
    const NodeImageInformation& record = *controller->obj_Video;
    const QImage& frame = record.imgVideo();

    // The filtered frame is not kept: every redraw renders the current settings.
    const QRectF fit = AppDelegate::return_Best_Fit_Frame(QSizeF(frame.size()), QSizeF(size()));
    const QImage filtered = AppDelegate::imageVintage(sourceFor(frame), record);
    if (filtered.isNull() || fit.isEmpty())
        return;
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(views::toTopLeft(fit, height()), filtered);
}

const imagefilter::Bitmap& PreviewImageView::sourceFor(const QImage& frame)
{
    if (frame.isNull()) {
        source_ = imagefilter::Bitmap();
        sourceKey_ = 0;
    } else if (frame.cacheKey() != sourceKey_ || source_.isNull()) {
        source_ = AppDelegate::CGImageRefFromImage(frame);
        sourceKey_ = frame.cacheKey();
    }
    return source_;
}
