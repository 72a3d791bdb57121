#include "app/widgets/View_Presets_Thumbnails.h"

#include "app/AppDelegate.h"
#include "effects/PresetTable.h"
#include "platform/Log.h"
#include "views/ImageFitting.h"
#include "views/PresetStrip.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QToolTip>

namespace {
const QColor kOutlineColor(255, 214, 10);
constexpr double kOutlineWidth = 3.0;
} // namespace

bool View_Presets_Thumbnails::event(QEvent* event)
{
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const AppDelegate* controller = AppDelegate::shared();
    const float number = views::presetNumberAt(help->pos().x());
    if (!controller || number < 1.0f || number > float(controller->array_Presets.size())) {
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    // The number is the one oldreel-render takes; the words say what it does.
    const int index = int(number) - 1;
    QToolTip::showText(help->globalPos(),
                       QStringLiteral("Preset %1: %2")
                           .arg(index + 1)
                           .arg(QString::fromStdString(
                               effects::lookDescription(*controller->array_Presets.at(index)))),
                       this);
    return true;
}

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

    const std::int64_t applied =
        views::appliedPresetIndex(controller->obj_Video, controller->array_Presets);
    if (applied < 0)
        return;
    // Drawn inside the cell's thumbnail room, so the gap to the next stays dark.
    const QRectF outline = views::toTopLeft(views::appliedOutlineRect(applied), height());
    const double inset = kOutlineWidth / 2.0;
    painter.setPen(QPen(kOutlineColor, kOutlineWidth));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(outline.adjusted(inset, inset, -inset, -inset));
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
    update(); // the outline moves to the applied preset
}
