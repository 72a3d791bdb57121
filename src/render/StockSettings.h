#pragma once

#include "media/NodeImageInformation.h"

#include <QString>
#include <QStringList>

// The --set names of the film stock: "stock" takes a .cube file (kept as
// given, made absolute) or "none"; "stockstrength" a number from 0 to 100.
namespace render {

QStringList stockNames();

// Sets `name` to `value` (as given, not lowered) on `record`. False when
// `name` is neither; else `error` is empty when the value was applied, or
// says in one line why not (a file that cannot be used quotes the parser's
// line).
bool applyStock(NodeImageInformation& record, const QString& name, const QString& value,
                QString& error);

// "FILE|none" or "0..100"; empty for another name.
QString stockValues(const QString& name);

} // namespace render
