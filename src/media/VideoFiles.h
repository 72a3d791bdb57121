#pragma once

#include <QString>
#include <QStringList>

namespace media {

// The video file types Oldreel opens, by extension, in the Open panel's order.
const QStringList& videoExtensions();

// True when `fileName`'s last extension is one of videoExtensions(), in any case.
bool hasVideoExtension(const QString& fileName);

} // namespace media
