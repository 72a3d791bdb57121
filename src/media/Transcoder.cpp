#include "media/Transcoder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <algorithm>
#include <atomic>
#include <csignal>
#include <functional>
#include <sys/prctl.h>
#include <unistd.h>

namespace media {

namespace {

std::atomic<bool> g_runsCancelled{false};

// Waits for the started `process` to end. `heard` counts the bytes it has
// printed so far; while that count stays still for `silenceLimitMs`, or once
// the runs are cancelled, the child is killed and reaped and the wait fails.
// The wait is cut into short slices so that a cancel is seen at once.
bool waitWhileAlive(QProcess& process, int silenceLimitMs, const std::function<qint64()>& heard)
{
    const int slice = std::clamp(silenceLimitMs, 1, 100);
    QElapsedTimer silence;
    silence.start();
    qint64 lastHeard = heard();
    while (!process.waitForFinished(slice)) {
        if (process.state() == QProcess::NotRunning)
            return true;
        if (const qint64 now = heard(); now != lastHeard) {
            lastHeard = now;
            silence.restart();
        }
        if (g_runsCancelled.load() || silence.hasExpired(silenceLimitMs)) {
            process.kill();
            process.waitForFinished(-1);
            return false;
        }
    }
    return true;
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
    if (program.isEmpty() || g_runsCancelled.load())
        return QString();
    QProcess process;
    dieWithThisProcess(process);
    // A closed input answers any question of the transcoder (such as its
    // overwrite prompt) at once instead of leaving it waiting forever.
    process.setStandardInputFile(QProcess::nullDevice());
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments, QIODevice::ReadOnly);
    if (!process.waitForStarted(-1))
        return QString();
    // Nothing is read before the end, so what is buffered is all it printed.
    if (!waitWhileAlive(process, silenceLimitMs, [&] { return process.bytesAvailable(); }))
        return QString();
    return QString::fromUtf8(process.readAll());
}

QByteArray runAndReadOutput(const QString& program, const QStringList& arguments,
                            int silenceLimitMs)
{
    if (program.isEmpty() || g_runsCancelled.load())
        return QByteArray();
    QProcess process;
    dieWithThisProcess(process);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(program, arguments, QIODevice::ReadOnly);
    if (!process.waitForStarted(-1))
        return QByteArray();
    qint64 errorBytes = 0;
    const auto heard = [&] {
        errorBytes += process.readAllStandardError().size();
        return process.bytesAvailable() + errorBytes;
    };
    if (!waitWhileAlive(process, silenceLimitMs, heard))
        return QByteArray();
    return process.readAllStandardOutput();
}

void cancelAllRuns()
{
    g_runsCancelled.store(true);
}

void dieWithThisProcess(QProcess& process)
{
    const pid_t parent = ::getpid();
    // Runs in the child between fork and exec: async-signal-safe calls only.
    process.setChildProcessModifier([parent] {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        // The parent may have died before the line above took effect.
        if (::getppid() != parent)
            ::_exit(127);
    });
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
