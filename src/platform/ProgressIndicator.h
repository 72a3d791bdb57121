#pragma once

#include <QPointer>
#include <QProgressBar>

// A determinate progress indicator with a double minimum, maximum and value,
// kept exactly as set (unclamped, NaN allowed), shown on a QProgressBar.
class ProgressIndicator final
{
public:
    static constexpr int kBarSteps = 10000;

    void attach(QProgressBar* bar);

    double minValue() const { return min_; }
    double maxValue() const { return max_; }
    double doubleValue() const { return value_; }
    void setMinValue(double value) { min_ = value; }
    void setMaxValue(double value) { max_ = value; }
    void setDoubleValue(double value) { value_ = value; }

    // Shows the current values on the bar (the request to redraw).
    void display();

    // Where the bar stands, in 0..kBarSteps: the value's share of the range,
    // held inside the bar; 0 when the share is not a finite number.
    static int barPosition(double min, double max, double value);

private:
    QPointer<QProgressBar> bar_;
    double min_ = 0.0;
    double max_ = 100.0;
    double value_ = 0.0;
};
