#pragma once

#include "views/CutBarGeometry.h"

#include <QPointF>
#include <QRectF>
#include <QWidget>

// The cut range bar: a grey bar with a red handle at each end of the kept
// range and green between them. Dragging a handle sets the controller's start
// or end percent; releasing it shows that handle's frame. Geometry is kept in
// the bar's lower-left coordinates.
class View_Cut_Range final : public QWidget
{
    Q_OBJECT
public:
    using QWidget::QWidget;

    QPointF mouseDownPos() const { return mouseDownPos_; }
    void setMouseDownPos(QPointF value) { mouseDownPos_ = value; }
    bool b_Mouse_Down() const { return b_Mouse_Down_; }
    void setB_Mouse_Down(bool value) { b_Mouse_Down_ = value; }
    QRectF rectMenor() const { return rectMenor_; }
    void setRectMenor(const QRectF& value) { rectMenor_ = value; }
    QRectF rectMaior() const { return rectMaior_; }
    void setRectMaior(const QRectF& value) { rectMaior_ = value; }
    bool b_Dragging_Menor() const { return b_Dragging_Menor_; }
    void setB_Dragging_Menor(bool value) { b_Dragging_Menor_ = value; }
    bool b_Dragging_Maior() const { return b_Dragging_Maior_; }
    void setB_Dragging_Maior(bool value) { b_Dragging_Maior_ = value; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // An event's position in the bar's lower-left coordinates.
    QPointF lowerLeft(const QMouseEvent* event) const;

    QPointF mouseDownPos_;
    bool b_Mouse_Down_ = false;
    QRectF rectMenor_;
    QRectF rectMaior_;
    bool b_Dragging_Menor_ = false;
    bool b_Dragging_Maior_ = false;
};
