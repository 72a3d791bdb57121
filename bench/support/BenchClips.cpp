#include "support/BenchClips.h"

#include "media/Transcoder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

namespace benchclips {

QString cachedClip(const QString& name, const QStringList& arguments)
{
    const QString path = QDir::tempPath() + QLatin1Char('/') + name;
    if (QFileInfo(path).size() > 0)
        return path;
    const QString part = path + QStringLiteral(".part.mp4");
    QProcess ffmpeg;
    ffmpeg.setStandardInputFile(QProcess::nullDevice());
    ffmpeg.start(media::findTranscoder(), QStringList{"-y", "-nostdin", "-loglevel", "error"} +
                                              arguments + QStringList{part});
    ffmpeg.waitForFinished(-1);
    QFile::rename(part, path);
    return path;
}

} // namespace benchclips
