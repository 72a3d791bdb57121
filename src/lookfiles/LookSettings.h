#pragma once

#include "effects/Look.h"

#include <QString>
#include <QStringList>

// A look's settings by the names the window's panel shows, as the renderer's
// --set and the look files spell them: the names with their values, a value
// applied by name, and a look's value spelled back so that applying it gives
// the same setting.
namespace lookfiles {

// Applies `value` to the setting `name` (lower case) of `look`. A number sets
// the slider's value and switches a gated effect on; "on"/"off" sets only the
// gate; a list's setting (cadence, gate, grain size) takes one of its values,
// the seed a whole number. Returns an empty text when applied, else the
// reason in a few words (not a setting, value outside the slider's range or
// not in the list, on/off for an effect without a gate...).
QString applyValue(effects::Look& look, const QString& name, const QString& value);

// Applies one --set "NAME=VALUE", the name in any case. The reason begins
// with "--set NAME:".
QString applySetting(effects::Look& look, const QString& nameValue);

// The names applyValue knows: the sliders' and check boxes' in the panel's
// order, then the lists' and the rest's (the order of look files and --help).
QStringList settingNames();

// The values a name takes, as the usage text shows them: "on|off",
// "0..100|on|off", "16|18|24|off"; empty for an unknown name.
QString settingValues(const QString& name);

// The slider range of a named effect as the panel has it; false for a
// name with no slider (a look with only a gate).
bool sliderRange(const QString& name, float& minimum, float& maximum);

// The value of `name` in `look` as applyValue takes it: a slider's number in
// the shortest form that reads back as the same float, "off" for a gated
// effect that is off (its slider then changes nothing), "on"/"off", a list's
// value. Empty for an unknown name.
QString settingText(const effects::Look& look, const QString& name);

} // namespace lookfiles
