#include "media/PreviewFrames.h"

#include "media/VideoFacts.h"

#include <QCryptographicHash>
#include <QFileInfo>

namespace media {

namespace {

// The longest file name (in bytes) the usual file systems accept.
constexpr qsizetype kNameLimit = 255;

} // namespace

QString previewFrameFileName(const QString& videoPath)
{
    static const QString extension = QStringLiteral(".bmp");
    const QString name = QFileInfo(videoPath).fileName();
    if (name.toUtf8().size() + extension.size() <= kNameLimit)
        return name + extension;
    const QString digest = QString::fromLatin1(
        QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Sha1).toHex().left(12));
    const qsizetype room = kNameLimit - extension.size() - digest.size() - 1;
    QString kept;
    qsizetype bytes = 0;
    // Whole characters only: a surrogate pair or a multi-byte sequence is never split.
    for (qsizetype i = 0; i < name.size();) {
        const qsizetype length = name[i].isHighSurrogate() && i + 1 < name.size() ? 2 : 1;
        const QString character = name.mid(i, length);
        const qsizetype size = character.toUtf8().size();
        if (bytes + size > room)
            break;
        kept += character;
        bytes += size;
        i += length;
    }
    return kept + QLatin1Char('~') + digest + extension;
}

QStringList imageWriterOptions(const QString& path)
{
    if (!path.contains(QLatin1Char('%')))
        return {};
    return {QStringLiteral("-update"), QStringLiteral("1")};
}

QStringList squarePixelOptions(const VideoFacts& facts)
{
    if (facts.hasSquarePixels() || facts.width <= 0 || facts.height <= 0)
        return {};
    return {QStringLiteral("-vf"), QStringLiteral("scale=") + QString::number(facts.displayWidth()) +
                                       QLatin1Char(':') + QString::number(facts.displayHeight()) +
                                       QStringLiteral(",setsar=1")};
}

} // namespace media
