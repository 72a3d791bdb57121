#pragma once

#include "media/NodeImageInformation.h"

#include <QString>
#include <QStringList>

// The --set names of the projector's controls whose value is picked from a
// list (the cadence, the gate's shape, the grain's size) or is a whole
// number (the seed), and the old sound (old or off).
namespace lookfiles {

// The names, in the panel's order.
QStringList choiceNames();

// Sets `name` to `value` (lower case) on `record`. False when `name` is none
// of these; else `error` is empty when the value was applied, or says in one
// line why not, naming the values accepted.
bool applyChoice(NodeImageInformation& record, const QString& name, const QString& value,
                 QString& error);

// The values `name` takes, as "16|18|24|off" or "0..4294967295"; empty for
// a name that is none of these.
QString choiceValues(const QString& name);

} // namespace lookfiles
