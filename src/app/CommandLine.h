#pragma once

#include <QString>
#include <QStringList>

namespace app {

// The video that `oldreel FILE` names, as an absolute path: the first
// argument after the program's name that is not an option, a file: URL
// taken as its local file. Empty when there is none.
QString fileToOpen(const QStringList& arguments);

} // namespace app
