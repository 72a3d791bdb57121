#pragma once

#include <QSlider>

// A slider with a double value, kept exactly as set from code (within the
// slider's range), and a signal that only the user's changes send: setting the
// value from code sends no action. The integer positions are value × scale.
class DoubleSlider final : public QSlider
{
    Q_OBJECT
    Q_PROPERTY(double scale READ scale WRITE setScale)
    Q_PROPERTY(bool notchIsSingleStep READ notchIsSingleStep WRITE setNotchIsSingleStep)

public:
    explicit DoubleSlider(QWidget* parent = nullptr);

    double scale() const { return scale_; }
    void setScale(double scale);

    double doubleValue() const { return value_; }
    float floatValue() const { return float(value_); }
    void setDoubleValue(double value);

    // When set, one wheel notch moves one single step, as an arrow key does
    // (Qt's own slider moves three).
    bool notchIsSingleStep() const { return notchIsSingleStep_; }
    void setNotchIsSingleStep(bool value) { notchIsSingleStep_ = value; }

signals:
    // The user moved the slider (mouse, keyboard or wheel).
    void userChanged();

protected:
    void wheelEvent(QWheelEvent* event) override;

private:
    void onValueChanged(int position);

    double scale_ = 1.0;
    double value_ = 0.0;
    bool settingFromCode_ = false;
    bool notchIsSingleStep_ = false;
    int wheelRemainder_ = 0; // eighths of a degree not yet worth a notch
};
