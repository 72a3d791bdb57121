#pragma once

#include <QString>
#include <functional>

namespace platform {

// Writes one line to the system log (ident "oldreel") and to standard error.
void systemLog(const QString& line);

// Tests watch the log through this; an empty function stops watching.
void setLogObserver(std::function<void(const QString&)> observer);

} // namespace platform
