#pragma once

#include "effects/Look.h"

#include <QList>
#include <QString>
#include <cstdint>
#include <span>

// Every setting of a look as one row: its name on the command line and in
// look files, its controls in the window's panel (by their object names in
// MainWindow.ui), how a slider's label shows it, its range and default, the
// record's field it maps to, its undo texts and, for a list, its values.
// The panel's wiring, synchronisation and undo, --set, look files and the
// renderer's usage text all read this table; a new setting is a new row.
namespace lookfiles {

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

QString labelText(float value, LabelFormat format);

// One value of a list: as written (or shown) and as the record stores it.
struct Choice
{
    QString text;
    int value;
};

// The group box of the panel a row's controls sit in.
enum class PanelGroup {
    None,
    Effects,
    Projector,
    Stock,
};

struct Setting
{
    // The name --set and look files use, lower case.
    const char* name;

    // ---- The panel (object names; nullptr when the row has no such control).
    PanelGroup group = PanelGroup::None;
    // Sets the gate (or the flag that is the whole setting).
    const char* check = nullptr;
    const char* slider = nullptr;
    const char* label = nullptr;
    const char* combo = nullptr;
    // Buttons with code of their own (the film stock's), in tab order.
    const char* buttons[2] = {nullptr, nullptr};
    // Undo texts of the check box's change and of the slider's or list's.
    const char* checkUndo = nullptr;
    const char* undo = nullptr;
    // The label after the user moves the slider, and after a preset, Reset or
    // undo sets it; the two differ for exposure and vignette.
    LabelFormat moved = kPlain;
    LabelFormat synced = kPlain;

    // ---- The value: the slider's range (MainWindow.ui) and the default look's.
    float minimum = 0;
    float maximum = 0;
    float defaultValue = 0;

    // ---- The record's fields.
    // An on/off flag: the gate of an effect with a slider, or the setting itself.
    std::uint8_t (effects::Look::*gate)() const = nullptr;
    void (effects::Look::*setGate)(std::uint8_t) = nullptr;
    float (effects::Look::*value)() const = nullptr;
    void (effects::Look::*setValue)(float) = nullptr;
    // A list's stored value, its values as typed (the first text of a value
    // is the one written back) and as the panel's list shows them.
    int (*choice)(const effects::Look&) = nullptr;
    void (*setChoice)(effects::Look&, int) = nullptr;
    QList<Choice> (*choices)() = nullptr;
    QList<Choice> (*panelChoices)() = nullptr;
    // A setting of its own kind (the seed, the film stock): the values as the
    // usage text shows them, a value applied (an empty reason when it was)
    // and the look's value spelled back.
    QString (*values)() = nullptr;
    QString (*apply)(effects::Look&, const QString&) = nullptr;
    QString (*text)(const effects::Look&) = nullptr;
};

// Every row, in the panel's order.
std::span<const Setting> settings();

// The row named `name` (lower case); null when none is.
const Setting* findSetting(const QString& name);

} // namespace lookfiles
