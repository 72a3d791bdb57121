#include "app/widgets/View_Cut_Range.h"

#include "app/AppDelegate.h"
#include "app/widgets/PreviewImageView.h"
#include "views/ImageFitting.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

QPointF View_Cut_Range::lowerLeft(const QMouseEvent* event) const
{
    // Pixel row r from the top is painted as row height - 1 - r from the
    // bottom; the press counts as that row's middle, so a press on any painted
    // row of a handle, the top one included, is on the handle.
    const QPointF qtPos = event->position();
    return QPointF(qtPos.x(), height() - std::floor(qtPos.y()) - 0.5);
}

void View_Cut_Range::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), Qt::gray);

    const AppDelegate* controller = AppDelegate::shared();
    if (!controller || controller->f_Cut_Percent_Maior == 0.0f)
        return;
    // The handles are placed against the whole bar's width, not the dirty
    // area's, which in Qt may be any part of the bar.
    const views::CutBarGeometry g = views::cutBarGeometry(controller->f_Cut_Percent_Menor,
                                                          controller->f_Cut_Percent_Maior, width());
    setRectMenor(g.menor);
    setRectMaior(g.maior);
    painter.fillRect(views::toTopLeft(g.menor, height()), Qt::red);
    painter.fillRect(views::toTopLeft(g.maior, height()), Qt::red);
    // Handles less than 10 apart leave no room between them: no fill.
    if (g.kept.width() > 0.0)
        painter.fillRect(views::toTopLeft(g.kept, height()), Qt::green);
    // While playing, a thin playhead at the playing frame.
    if (const std::optional<float> playhead = controller->playheadPercent()) {
        const double x = std::clamp(double(*playhead) * width() / 100.0, 0.0, width() - 1.0);
        painter.fillRect(QRectF(std::floor(x), 0.0, 1.0, height()), Qt::black);
    }
}

void View_Cut_Range::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    setB_Mouse_Down(true);
    setMouseDownPos(lowerLeft(event));
    // The start handle wins where the two overlap.
    if (views::containsHalfOpen(rectMenor(), mouseDownPos()))
        setB_Dragging_Menor(true);
    else if (views::containsHalfOpen(rectMaior(), mouseDownPos()))
        setB_Dragging_Maior(true);
}

void View_Cut_Range::mouseMoveEvent(QMouseEvent* event)
{
    if (!b_Mouse_Down() || !(b_Dragging_Menor() || b_Dragging_Maior()))
        return;
    AppDelegate* controller = AppDelegate::shared();
    if (!controller)
        return;
    const double previewWidth = controller->viewPreview ? controller->viewPreview->width() : 0.0;
    if (!views::dragCutPercent(controller->f_Cut_Percent_Menor, controller->f_Cut_Percent_Maior,
                               b_Dragging_Menor(), lowerLeft(event).x(), previewWidth))
        return;
    update();
    if (controller->viewPreview)
        controller->viewPreview->update();
    // The start, end and length under the bar follow the handle. While playing
    // the playback reads the new range before its next frame, so no frame
    // outside it is shown.
    controller->Show_Video_Info();
}

void View_Cut_Range::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    setB_Mouse_Down(false);
    if (AppDelegate* controller = AppDelegate::shared()) {
        if (b_Dragging_Menor())
            controller->Update_Crop_Menor();
        else if (b_Dragging_Maior())
            controller->Update_Crop_Maior();
    }
    setB_Dragging_Menor(false);
    setB_Dragging_Maior(false);
}
