#include "views/PreviewImageView.h"

#include <QPaintEvent>
#include <QPainter>

void PreviewImageView::paintEvent(QPaintEvent* event)
{
    QPainter(this).fillRect(event->rect(), Qt::black);
}
