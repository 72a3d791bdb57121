#include "media/Transcoder.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace media {

QString findTranscoder()
{
    const QString bundled =
        QCoreApplication::applicationDirPath() + QStringLiteral("/resources/ffmpeg");
    const QFileInfo info(bundled);
    if (info.exists() && info.isExecutable())
        return info.absoluteFilePath();
    return QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
}

QString runAndReadAll(const QString& program, const QStringList& arguments)
{
    if (program.isEmpty())
        return QString();
    QProcess process;
    // A closed input answers any question of the transcoder (such as its
    // overwrite prompt) at once instead of leaving it waiting forever.
    process.setStandardInputFile(QProcess::nullDevice());
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments, QIODevice::ReadOnly);
    if (!process.waitForStarted(-1))
        return QString();
    process.waitForFinished(-1);
    return QString::fromUtf8(process.readAll());
}

QByteArray runAndReadOutput(const QString& program, const QStringList& arguments)
{
    if (program.isEmpty())
        return QByteArray();
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(program, arguments, QIODevice::ReadOnly);
    if (!process.waitForStarted(-1))
        return QByteArray();
    process.waitForFinished(-1);
    return process.readAllStandardOutput();
}

QString proberFor(const QString& transcoder)
{
    if (!transcoder.isEmpty()) {
        const QFileInfo beside(QFileInfo(transcoder).absolutePath() + QStringLiteral("/ffprobe"));
        if (beside.isFile() && beside.isExecutable())
            return beside.absoluteFilePath();
    }
    return QStandardPaths::findExecutable(QStringLiteral("ffprobe"));
}

} // namespace media
