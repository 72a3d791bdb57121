#pragma once

#include <QSlider>

// A slider with a double value, kept exactly as set from code (within the
// slider's range), and a signal that only the user's changes send: setting the
// value from code sends no action. The integer positions are value × scale.
class DoubleSlider final : public QSlider
{
    Q_OBJECT
    Q_PROPERTY(double scale READ scale WRITE setScale)

public:
    explicit DoubleSlider(QWidget* parent = nullptr);

    double scale() const { return scale_; }
    void setScale(double scale);

    double doubleValue() const { return value_; }
    float floatValue() const { return float(value_); }
    void setDoubleValue(double value);

signals:
    // The user moved the slider (mouse, keyboard or wheel).
    void userChanged();

private:
    void onValueChanged(int position);

    double scale_ = 1.0;
    double value_ = 0.0;
    bool settingFromCode_ = false;
};
