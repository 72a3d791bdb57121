#include "views/View_Cut_Range.h"

#include <QPaintEvent>
#include <QPainter>

void View_Cut_Range::paintEvent(QPaintEvent* event)
{
    QPainter(this).fillRect(event->rect(), Qt::gray);
}
