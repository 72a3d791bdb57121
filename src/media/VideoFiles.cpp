#include "media/VideoFiles.h"

#include <QFileInfo>

namespace media {

const QStringList& videoExtensions()
{
    static const QStringList extensions{
        QStringLiteral("wmv"), QStringLiteral("mov"),    QStringLiteral("qt"),
        QStringLiteral("mpg"), QStringLiteral("mpeg"),   QStringLiteral("mpe"),
        QStringLiteral("avi"), QStringLiteral("asf"),    QStringLiteral("asx"),
        QStringLiteral("mp4"), QStringLiteral("mpeg-4"), QStringLiteral("flv"),
        QStringLiteral("3gp"), QStringLiteral("mjpg")};
    return extensions;
}

bool hasVideoExtension(const QString& fileName)
{
    const QString suffix = QFileInfo(fileName).suffix();
    return !suffix.isEmpty() && videoExtensions().contains(suffix, Qt::CaseInsensitive);
}

} // namespace media
