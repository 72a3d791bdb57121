#pragma once

#include "media/NodeImageInformation.h"

#include <QString>
#include <QStringList>

// The look of a command-line render: the default record or a preset, then the
// --set changes by the names the window's panel shows.
namespace lookfiles {

// Applies one "NAME=VALUE" to `record`. A number sets the slider's value and
// switches a gated effect on; "on"/"off" sets only the gate; a list's
// setting (cadence, gate, grain size) takes one of its values, the seed a
// whole number. Returns an empty text when applied, else a one-line reason
// (unknown name, value outside the slider's range or not in the list,
// on/off for an effect without a gate...).
QString applySetting(NodeImageInformation& record, const QString& nameValue);

// The names applySetting knows, in the panel's order.
QStringList settingNames();

// The values a name takes, as the usage text shows them: "on|off",
// "0..100|on|off", "16|18|24|off"; empty for an unknown name.
QString settingValues(const QString& name);

// The slider range of a named effect as the panel has it; false for a
// name with no slider (a look with only a gate).
bool sliderRange(const QString& name, float& minimum, float& maximum);

} // namespace lookfiles
