#include "app/widgets/PreviewImageView.h"

#include "app/AppDelegate.h"
#include "views/ImageFitting.h"
#include "views/PreviewPlayback.h"

#include <QPaintEvent>
#include <QPainter>
#include <cmath>

void PreviewImageView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), Qt::black);

    const AppDelegate* controller = AppDelegate::shared();
    if (!controller || !controller->obj_Video)
        return;
    const NodeImageInformation& record = *controller->obj_Video;
    const QImage& frame = record.imgVideo();

    // While playing, the playing frame (already through the chain, at the
    // size it is shown) takes the still's place, fitted as the still is.
    if (controller->isPlaying() && !controller->playback->frame().isNull()) {
        const QImage& playing = controller->playback->frame();
        const QSizeF fitted = frame.isNull() ? QSizeF(playing.size()) : QSizeF(frame.size());
        const QRectF fit =
            views::toTopLeft(AppDelegate::return_Best_Fit_Frame(fitted, QSizeF(size())), height());
        // Rendered at the size it is shown: drawn pixel for pixel, not resampled.
        const QSizeF logical = QSizeF(playing.size()) / devicePixelRatioF();
        if (std::abs(logical.width() - fit.width()) < 1.0 &&
            std::abs(logical.height() - fit.height()) < 1.0) {
            QImage shown = playing;
            shown.setDevicePixelRatio(devicePixelRatioF());
            painter.drawImage(fit.topLeft().toPoint(), shown);
        } else {
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.drawImage(fit, playing);
        }
        return;
    }

    // The filtered frame is not kept: every redraw renders the current settings.
    // Comparing, the frame is drawn as the video holds it, and says so.
    const QRectF fit = AppDelegate::return_Best_Fit_Frame(QSizeF(frame.size()), QSizeF(size()));
    const QImage shown = controller->b_Comparing
                             ? frame
                             : AppDelegate::imageVintage(sourceFor(frame), record,
                                                         controller->Preview_Frame_Place(record));
    if (shown.isNull() || fit.isEmpty())
        return;
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(views::toTopLeft(fit, height()), shown);
    if (controller->b_Comparing)
        drawCompareBadge(painter);
}

void PreviewImageView::drawCompareBadge(QPainter& painter)
{
    const QString text = QStringLiteral("Original: no look");
    QFont font = painter.font();
    font.setBold(true);
    painter.setFont(font);
    const QRect box = painter.fontMetrics().boundingRect(text).adjusted(-10, -6, 10, 6);
    const QRect placed(QPoint(12, 12), box.size());
    painter.fillRect(placed, QColor(0, 0, 0, 190));
    painter.setPen(QColor(255, 214, 10));
    painter.drawRect(placed.adjusted(0, 0, -1, -1));
    painter.drawText(placed, Qt::AlignCenter, text);
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
