#pragma once

#include "effects/Look.h"

#include <QByteArray>
#include <QString>
#include <optional>

// A look as a small JSON file that a person can read and edit: one object
// with "oldreel-look": 1 and every setting by its --set name and spelling,
//
//   {
//     "oldreel-look": 1,
//     "chrome": "off",
//     "brightness": -20,
//     ...
//   }
//
// A file lists every setting, so it means the same look whatever defaults a
// later version has; a setting left out of a hand-written file keeps the
// default look's value. The same look always gives the same bytes.
namespace lookfiles {

// How a look file's name ends.
inline constexpr char kLookFileSuffix[] = "oldreel-look.json";

// The file's text: the settings in the panel's order, two spaces of indent,
// a newline at the end.
QByteArray lookFileText(const effects::Look& look);

// Reads a look file's text; `fileName` only names it in messages. On a fault,
// none and `error` as "FILE:LINE: KEY: reason" (or "FILE:LINE: reason" when
// no key is at fault): malformed JSON, a key that is no setting or is given
// twice, a value that is not one of the setting's, a value of the wrong
// type (true, null, a list), a missing or unknown "oldreel-look" version.
std::optional<effects::Look> parseLookFile(const QByteArray& text, const QString& fileName,
                                           QString& error);

// Reads the file at `path`; a file that cannot be read says so in `error`.
std::optional<effects::Look> readLookFile(const QString& path, QString& error);

// Writes the look's file at `path` in one piece (never half a file); false
// with `error` when it cannot.
bool writeLookFile(const QString& path, const effects::Look& look, QString& error);

} // namespace lookfiles
