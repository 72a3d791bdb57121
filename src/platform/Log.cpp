#include "platform/Log.h"

#include <cstdio>
#include <syslog.h>

namespace platform {

namespace {
std::function<void(const QString&)>& observer()
{
    static std::function<void(const QString&)> instance;
    return instance;
}
} // namespace

void systemLog(const QString& line)
{
    const QByteArray utf8 = line.toUtf8();
    static const bool opened = (openlog("oldreel", LOG_PID, LOG_USER), true);
    (void)opened;
    syslog(LOG_NOTICE, "%s", utf8.constData());
    std::fprintf(stderr, "%s\n", utf8.constData());
    if (observer())
        observer()(line);
}

void setLogObserver(std::function<void(const QString&)> newObserver)
{
    observer() = std::move(newObserver);
}

} // namespace platform
