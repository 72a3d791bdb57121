#include "media/Transcoder.h"

#include "media/ChildProcess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>
#include <atomic>
#include <optional>
#include <poll.h>

namespace media {

namespace {

std::atomic<bool> g_runsCancelled{false};

// Runs `program` and collects its output pipe (which also carries its
// standard error when `errors` is Merged) until the child has ended. While it
// prints nothing on either channel for `silenceLimitMs`, or once the runs are
// cancelled, it is killed and reaped and nothing is returned. The waits are
// cut into short slices so that a cancel is seen at once.
std::optional<QByteArray> runToEnd(const QString& program, const QStringList& arguments,
                                   ErrorChannel errors, int silenceLimitMs)
{
    if (program.isEmpty() || g_runsCancelled.load())
        return std::nullopt;
    ChildProcess child;
    if (!child.start(program, arguments, false, true, {}, errors))
        return std::nullopt;
    const int slice = std::clamp(silenceLimitMs, 1, 100);
    QElapsedTimer silence;
    silence.start();
    QByteArray output;
    qint64 heard = 0;
    bool open = true;
    while (!child.ended()) {
        if (open)
            open = child.takeOutput(output, slice);
        else
            ::poll(nullptr, 0, slice);
        if (const qint64 now = output.size() + child.errorBytes(); now != heard) {
            heard = now;
            silence.restart();
        }
        if (g_runsCancelled.load() || silence.hasExpired(silenceLimitMs)) {
            child.kill();
            return std::nullopt;
        }
    }
    // Its group is gone as well: what the pipe holds is the last it printed.
    for (qsizetype before = -1; open && before != output.size();) {
        before = output.size();
        open = child.takeOutput(output);
    }
    return output;
}

} // namespace

QString findTranscoder()
{
    const QString bundled =
        QCoreApplication::applicationDirPath() + QStringLiteral("/resources/ffmpeg");
    const QFileInfo info(bundled);
    if (info.exists() && info.isExecutable())
        return info.absoluteFilePath();
    return QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
}

QString runAndReadAll(const QString& program, const QStringList& arguments, int silenceLimitMs)
{
    const std::optional<QByteArray> all =
        runToEnd(program, arguments, ErrorChannel::Merged, silenceLimitMs);
    return all ? QString::fromUtf8(*all) : QString();
}

QByteArray runAndReadOutput(const QString& program, const QStringList& arguments,
                            int silenceLimitMs)
{
    return runToEnd(program, arguments, ErrorChannel::Kept, silenceLimitMs).value_or(QByteArray());
}

void cancelAllRuns()
{
    g_runsCancelled.store(true);
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

QString secondsText(double seconds)
{
    return QString::number(seconds, 'f', 6);
}

} // namespace media
