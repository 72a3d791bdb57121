#pragma once

#include <QPointer>
#include <QString>
#include <cstdint>
#include <initializer_list>
#include <string>

class AppDelegate;
class DoubleSlider;
class NodeImageInformation;
class QCheckBox;
class QComboBox;
class QLabel;

// The steps every control of the effect panel shares: a user's change goes
// into the open video's record, the preview redraws and the look's undo
// history gets one step; synchronising sets a control from the record and
// sends no action.
namespace app {

using FlagSetter = void (NodeImageInformation::*)(std::uint8_t);
using ValueGetter = float (NodeImageInformation::*)() const;
using ValueSetter = void (NodeImageInformation::*)(float);
using ChoiceSetter = void (NodeImageInformation::*)(int);
using TextSetter = void (NodeImageInformation::*)(const std::string&);

// A slider's label shows the stored value divided by `divisor` (in single
// precision), formatted with `format`.
struct LabelFormat
{
    float divisor;
    const char* format;
};

inline constexpr LabelFormat kPlain{1.0f, "%.2f"};
inline constexpr LabelFormat kHundredths{100.0f, "%.2f"};
inline constexpr LabelFormat kTenths{10.0f, "%.2f"};
inline constexpr LabelFormat kNoise{500000.0f, "%.5f"};
inline constexpr LabelFormat kWhole{1.0f, "%.0f"};

void setCheck(QCheckBox* check, std::uint8_t flag);
void setLabel(QLabel* label, float value, LabelFormat format);
void setSlider(DoubleSlider* slider, QLabel* label, float value, LabelFormat format);
// Selects the item whose data is `value` (none when no item has it).
void setChoice(QComboBox* combo, int value);

// Wiring: each control's widget into the controller's field, and the
// user's change of it to the controller's handler.
using Handler = void (AppDelegate::*)();
struct CheckWiring
{
    QPointer<QCheckBox>& field;
    QCheckBox* widget;
    Handler action;
};
struct SliderWiring
{
    QPointer<DoubleSlider>& slider;
    DoubleSlider* sliderWidget;
    QPointer<QLabel>& label;
    QLabel* labelWidget;
    Handler action;
};
void wireChecks(AppDelegate& c, std::initializer_list<CheckWiring> checks);
void wireSliders(AppDelegate& c, std::initializer_list<SliderWiring> sliders);

// A check box's state into its flag; a mixed state counts as off.
void takeCheck(AppDelegate& c, const QCheckBox* check, FlagSetter setter, const char* name);
// A slider's value into its field, then its label. `control` tells the
// sliders apart in the undo history: the moves of one drag merge into one step.
void takeSlider(AppDelegate& c, const DoubleSlider* slider, QLabel* label, ValueSetter setter,
                ValueGetter getter, LabelFormat format, int control, const char* name);
// The data of a combo box's current item into its field.
void takeChoice(AppDelegate& c, const QComboBox* combo, ChoiceSetter setter, const char* name);
// A text the user chose (a file's path) into its field.
void takeText(AppDelegate& c, const std::string& text, TextSetter setter, const char* name);

} // namespace app
