#include "media/ResultCheck.h"

#include "media/Transcoder.h"
#include "media/VideoFacts.h"

#include <QFileInfo>
#include <algorithm>
#include <cmath>

namespace media {

bool reportsWriteError(QStringView report)
{
    return report.contains(u"No space left on device") || report.contains(u"Error writing") ||
           report.contains(u"Error closing file") || report.contains(u"Disk quota exceeded");
}

QString resultProblem(const QString& transcoder, const QString& path,
                      const ExpectedResult& expected)
{
    const auto facts = probeFacts(transcoder, path);
    if (!facts || !facts->hasPicture)
        return QStringLiteral("the written file cannot be read");
    // The muxer rounds times to its clock; AAC writes whole blocks of 1024 samples.
    constexpr double rounding = 0.002;
    const double picture =
        facts->pictureSeconds > 0.0 ? facts->pictureSeconds : facts->durationSeconds;
    if (std::abs(picture - expected.pictureSeconds) > expected.frameSeconds + rounding)
        return QStringLiteral("the written file holds %1 s of picture instead of %2 s")
            .arg(picture, 0, 'f', 2)
            .arg(expected.pictureSeconds, 0, 'f', 2);
    if (expected.sound && !facts->hasSound)
        return QStringLiteral("the written file has no sound");
    // AAC ends on a whole block of 1024 samples, after a frame's worth of picture.
    const double soundTolerance = expected.frameSeconds + 1024.0 / 44100.0 + rounding;
    if (expected.sound && expected.soundSeconds >= 0.0 && facts->soundSeconds > 0.0 &&
        std::abs(facts->soundSeconds - expected.soundSeconds) > soundTolerance)
        return QStringLiteral("the written file holds %1 s of sound instead of %2 s")
            .arg(facts->soundSeconds, 0, 'f', 2)
            .arg(expected.soundSeconds, 0, 'f', 2);
    return QString();
}

QString packetsProblem(const QString& transcoder, const QString& path)
{
    // Errors only: a whole file copied to nowhere prints nothing.
    const QString report = runAndReadAll(
        transcoder,
        QStringList{QStringLiteral("-nostdin"), QStringLiteral("-hide_banner"),
                    QStringLiteral("-loglevel"), QStringLiteral("error")}
            << fileProtocolsOnly()
            << QStringList{QStringLiteral("-i"), QFileInfo(path).absoluteFilePath(),
                           QStringLiteral("-map"), QStringLiteral("0"), QStringLiteral("-c"),
                           QStringLiteral("copy"), QStringLiteral("-f"), QStringLiteral("null"),
                           QStringLiteral("-")});
    return report.trimmed().isEmpty() ? QString()
                                      : QStringLiteral("the written file is cut short or damaged");
}

} // namespace media
