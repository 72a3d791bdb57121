#include "views/DoubleSlider.h"

#include <QWheelEvent>
#include <algorithm>
#include <cmath>

DoubleSlider::DoubleSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent)
{
    connect(this, &QSlider::valueChanged, this, &DoubleSlider::onValueChanged);
}

void DoubleSlider::setScale(double scale)
{
    scale_ = scale > 0.0 ? scale : 1.0;
    value_ = value() / scale_;
}

void DoubleSlider::setDoubleValue(double value)
{
    // Held inside the range, as a slider does; NaN goes to the minimum.
    const double low = minimum() / scale_;
    const double high = maximum() / scale_;
    value_ = std::isnan(value) ? low : std::clamp(value, low, high);
    settingFromCode_ = true;
    setValue(int(std::lround(value_ * scale_)));
    settingFromCode_ = false;
}

void DoubleSlider::onValueChanged(int position)
{
    if (settingFromCode_)
        return;
    value_ = position / scale_;
    emit userChanged();
}

void DoubleSlider::wheelEvent(QWheelEvent* event)
{
    if (!notchIsSingleStep_) {
        QSlider::wheelEvent(event);
        return;
    }
    // A notch is 120 eighths of a degree; finer wheels and touch pads add up
    // until they make one. Up (or right) moves towards the maximum.
    const QPoint delta = event->angleDelta();
    int eighths = delta.y() != 0 ? delta.y() : -delta.x();
    if (event->inverted())
        eighths = -eighths;
    wheelRemainder_ += eighths;
    const int notches = wheelRemainder_ / 120;
    wheelRemainder_ -= notches * 120;
    event->accept();
    if (notches != 0)
        setValue(value() + notches * singleStep());
}
