#include "media/PreviewFrames.h"

#include "media/NameLength.h"

#include <QCryptographicHash>
#include <QFileInfo>

namespace media {

QString previewFrameFileName(const QString& videoPath)
{
    static const QString extension = QStringLiteral(".bmp");
    const QString name = QFileInfo(videoPath).fileName();
    if (name.toUtf8().size() + extension.size() <= kFileNameLimit)
        return name + extension;
    const QString digest = QString::fromLatin1(
        QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Sha1).toHex().left(12));
    const qsizetype room = kFileNameLimit - extension.size() - digest.size() - 1;
    const QString kept = leadingCharacters(name, room);
    return kept + QLatin1Char('~') + digest + extension;
}

QStringList imageWriterOptions(const QString& path)
{
    if (!path.contains(QLatin1Char('%')))
        return {};
    return {QStringLiteral("-update"), QStringLiteral("1")};
}

} // namespace media
