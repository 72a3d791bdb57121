#include "app/widgets/View_Presets_Thumbnails.h"

#include "app/AppDelegate.h"
#include "effects/PresetTable.h"
#include "platform/Log.h"
#include "views/ImageFitting.h"
#include "views/PresetStrip.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollArea>
#include <QToolTip>
#include <algorithm>

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

    painter.setBrush(Qt::NoBrush);
    const std::int64_t applied =
        views::appliedPresetIndex(controller->obj_Video, controller->array_Presets);
    if (applied >= 0) {
        // Drawn inside the cell's thumbnail room, so the gap to the next stays dark.
        const QRectF outline = views::toTopLeft(views::appliedOutlineRect(applied), height());
        const double inset = kOutlineWidth / 2.0;
        painter.setPen(QPen(kOutlineColor, kOutlineWidth));
        painter.drawRect(outline.adjusted(inset, inset, -inset, -inset));
    }
    if (hasFocus() && selected_ >= 0) {
        // The keys' selection: white edged in black, inside the outline's band.
        const QRectF cell = views::toTopLeft(views::appliedOutlineRect(selected_), height());
        painter.setPen(QPen(Qt::white, 2.0, Qt::DashLine));
        painter.drawRect(cell.adjusted(6.0, 6.0, -6.0, -6.0));
        painter.setPen(QPen(Qt::black, 1.0));
        painter.drawRect(cell.adjusted(7.5, 7.5, -7.5, -7.5));
    }
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

void View_Presets_Thumbnails::keyPressEvent(QKeyEvent* event)
{
    AppDelegate* controller = AppDelegate::shared();
    const std::int64_t count = controller ? controller->array_Presets.size() : 0;
    if (!controller || count == 0 || controller->imgPresetThumbnails.isNull()) {
        QWidget::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Left:
        select(selected_ - 1);
        break;
    case Qt::Key_Right:
        select(selected_ + 1);
        break;
    case Qt::Key_Home:
        select(0);
        break;
    case Qt::Key_End:
        select(count - 1);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        select(selected_);
        controller->Apply_Preset_User_Choice(std::uint64_t(selected_ + 1));
        update();
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void View_Presets_Thumbnails::select(std::int64_t index)
{
    const AppDelegate* controller = AppDelegate::shared();
    const std::int64_t count = controller ? controller->array_Presets.size() : 0;
    if (count == 0)
        return;
    selected_ = std::clamp<std::int64_t>(index, 0, count - 1);
    // The whole cell scrolled into view, with a little of its neighbours.
    for (QWidget* up = parentWidget(); up; up = up->parentWidget())
        if (auto* area = qobject_cast<QScrollArea*>(up)) {
            const double centre = (double(selected_) + 0.5) * views::kStripCellWidth;
            area->ensureVisible(int(centre), height() / 2, int(views::kStripCellWidth * 0.6), 0);
            break;
        }
    update();
}

void View_Presets_Thumbnails::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    const AppDelegate* controller = AppDelegate::shared();
    if (selected_ < 0 && controller) {
        const std::int64_t applied =
            views::appliedPresetIndex(controller->obj_Video, controller->array_Presets);
        select(applied >= 0 ? applied : 0);
    }
    update();
}

void View_Presets_Thumbnails::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    update();
}
