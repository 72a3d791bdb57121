#include "media/PartFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <cerrno>
#include <csignal>
#include <limits>

namespace media {

int removeDeadPartFiles(const QString& folder)
{
    static const QRegularExpression partName(
        QStringLiteral("^\\..+\\.mp4\\.([1-9][0-9]{0,9})-[0-9]+\\.part$"));
    int removed = 0;
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo& entry : entries) {
        const QRegularExpressionMatch match = partName.match(entry.fileName());
        if (!match.hasMatch() || entry.isSymLink() || !entry.isFile())
            continue;
        bool ok = false;
        const qint64 pid = match.captured(1).toLongLong(&ok);
        if (!ok || pid > qint64(std::numeric_limits<pid_t>::max()))
            continue;
        // Only "no such process" tells a dead run; EPERM means it runs as someone else.
        if (::kill(pid_t(pid), 0) == 0 || errno != ESRCH)
            continue;
        if (QFile::remove(entry.absoluteFilePath()))
            ++removed;
    }
    return removed;
}

} // namespace media
