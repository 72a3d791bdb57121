#pragma once

#include "effects/Look.h"

#include <QString>
#include <QStringList>

// The settings whose value is neither a slider's nor a check box's: one of a
// list (the cadence, the gate's shape, the grain's size), a whole number (the
// seed) or old/off (the old sound). Each is one row of a table that says how
// its value is read, shown and spelled back; --set and the look files reach
// the rows only through these functions, so a new row needs nothing else.
namespace lookfiles {

// The names, in the panel's order.
QStringList choiceNames();

// Sets `name` to `value` on `look`. False when `name` is none of these; else
// `error` is empty when the value was applied, or says in a few words why
// not, naming the values accepted ("\"20\" is not one of 16, 18, 24, off").
// Lists take their values in any case.
bool applyChoice(effects::Look& look, const QString& name, const QString& value, QString& error);

// The values `name` takes, as "16|18|24|off" or "0..4294967295"; empty for
// a name that is none of these.
QString choiceValues(const QString& name);

// The value `name` has in `look`, spelled as applyChoice takes it; empty for
// a name that is none of these.
QString choiceText(const effects::Look& look, const QString& name);

} // namespace lookfiles
