#include "views/BackgroundViews.h"

#include <QPaintEvent>
#include <QPainter>

// Components are n/255 in single precision.
QColor View_BG_Preview::colour()
{
    return QColor::fromRgbF(75.0f / 255.0f, 105.0f / 255.0f, 141.0f / 255.0f, 1.0f);
}

QColor View_BG_Controls::colour()
{
    return QColor::fromRgbF(81.0f / 255.0f, 171.0f / 255.0f, 222.0f / 255.0f, 1.0f);
}

void View_BG_Preview::paintEvent(QPaintEvent* event)
{
    QPainter(this).fillRect(event->rect(), colour());
}

void View_BG_Controls::paintEvent(QPaintEvent* event)
{
    QPainter(this).fillRect(event->rect(), colour());
}
