#include "views/View_Presets_Thumbnails.h"

#include "app/AppDelegate.h"
#include "platform/Log.h"
#include "views/ImageFitting.h"
#include "views/PresetStrip.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

void View_Presets_Thumbnails::paintEvent(QPaintEvent* event)
{
    // The gaps between thumbnails and the cells still to come stay dark, like
    // the scroll area around the strip.
    QPainter painter(this);
    painter.fillRect(event->rect(), QColor(24, 24, 24));
    const AppDelegate* controller = AppDelegate::shared();
    if (!controller || controller->imgPresetThumbnails.isNull())
        return;
    const QSizeF strip = controller->sizePresetThumbnailsImageStrip;
    // Centred vertically; the view has the strip's size, so y is 0. The whole
    // view's height is used rather than the dirty area's, which in Qt may be
    // any part of it.
    const float y = float((height() - strip.height()) / 2.0);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(views::toTopLeft(QRectF(0.0, y, strip.width(), strip.height()), height()),
                      controller->imgPresetThumbnails);
}

void View_Presets_Thumbnails::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QPointF qtPos = event->position();
    setMouseDownPos(QPointF(qtPos.x(), height() - qtPos.y()));

    const float number = views::presetNumberAt(mouseDownPos().x());
    platform::systemLog(QString::asprintf("%f", double(number)));
    if (AppDelegate* controller = AppDelegate::shared())
        controller->Apply_Preset_User_Choice(number > 0.0f ? std::uint64_t(number) : 0u);
}
