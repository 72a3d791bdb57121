#include "support/StreamSupport.h"

#include "support/TestApp.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace streamsupport {

namespace {

bool runFfmpeg(const QStringList& arguments, QString* errors = nullptr)
{
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(testsupport::ffmpeg(), QStringList{"-y", "-nostdin", "-hide_banner"} + arguments);
    process.waitForFinished(120000);
    if (errors)
        *errors = QString::fromUtf8(process.readAllStandardError());
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

} // namespace

bool makeUserClip(const QString& path, double seconds, int width, int height, const QString& rate,
                  const QString& sar, double soundSeconds)
{
    QStringList arguments{"-loglevel",
                          "error",
                          "-f",
                          "lavfi",
                          "-i",
                          QString("testsrc2=size=%1x%2:rate=%3:duration=%4")
                              .arg(width)
                              .arg(height)
                              .arg(rate)
                              .arg(seconds)};
    if (soundSeconds > 0)
        arguments << "-f"
                  << "lavfi"
                  << "-i"
                  << QString("sine=frequency=440:sample_rate=44100:duration=%1").arg(soundSeconds);
    arguments << "-vf" << QString("setsar=%1").arg(QString(sar).replace(':', '/')) << "-pix_fmt"
              << "yuv420p"
              << "-c:v"
              << "libx264"
              << "-g"
              << "12";
    if (soundSeconds > 0)
        arguments << "-c:a"
                  << "aac";
    arguments << path;
    return runFfmpeg(arguments) && QFile(path).size() > 0;
}

bool extractFrame(const QString& video, int index, int width, int height, const QString& pngPath)
{
    return runFfmpeg({"-loglevel", "error", "-i", video, "-map", "0:v:0", "-fps_mode",
                      "passthrough", "-vf",
                      QString("select=eq(n\\,%1),scale=%2:%3:flags=bicubic,setsar=1")
                          .arg(index)
                          .arg(width)
                          .arg(height),
                      "-frames:v", "1", pngPath}) &&
           QFile(pngPath).size() > 0;
}

double psnr(const QString& a, const QString& b)
{
    QString report;
    if (!runFfmpeg(
            {"-loglevel", "info", "-i", a, "-i", b, "-lavfi", "[0:v][1:v]psnr", "-f", "null", "-"},
            &report))
        return -1.0;
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("PSNR .*average:(inf|[0-9.]+)")).match(report);
    if (!match.hasMatch())
        return -1.0;
    return match.captured(1) == "inf" ? 1000.0 : match.captured(1).toDouble();
}

QList<int> childPids(long long pid)
{
    QList<int> pids;
    const QString tasks = QString("/proc/%1/task").arg(pid > 0 ? pid : ::getpid());
    for (const QString& task : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile file(tasks + "/" + task + "/children");
        if (!file.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& pid : file.readAll().split(' '))
            if (!pid.trimmed().isEmpty())
                pids << pid.trimmed().toInt();
    }
    return pids;
}

bool processExists(int pid)
{
    return pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM);
}

bool processGroupExists(int pgid)
{
    return pgid > 0 && (::kill(-pgid, 0) == 0 || errno == EPERM);
}

bool processRuns(int pid)
{
    QFile stat(QString("/proc/%1/stat").arg(pid));
    if (pid <= 0 || !stat.open(QIODevice::ReadOnly))
        return false;
    // "pid (name) S ...": the state follows the name's closing parenthesis.
    const QByteArray line = stat.readAll();
    const qsizetype close = line.lastIndexOf(')');
    return close >= 0 && line.size() > close + 2 && line[close + 2] != 'Z';
}

bool grandchildStalledWriting()
{
    // The state letter follows the name's closing parenthesis in stat; wchan
    // names where a sleeping thread waits ("pipe_write", or "anon_pipe_write").
    const auto read = [](const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    bool stalled = false;
    for (const int child : childPids())
        for (const int grandchild : childPids(child))
            stalled =
                stalled || read(QString("/proc/%1/wchan").arg(grandchild)).endsWith("pipe_write");
    const QString tasks = QString("/proc/%1/task").arg(::getpid());
    for (const QString& task : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (!stalled || task.toInt() == ::getpid())
            continue;
        const QByteArray stat = read(tasks + "/" + task + "/stat");
        const qsizetype close = stat.lastIndexOf(')');
        stalled = close >= 0 && stat.size() > close + 2 && stat[close + 2] == 'S' &&
                  !read(tasks + "/" + task + "/wchan").endsWith("pipe_read");
    }
    return stalled;
}

} // namespace streamsupport
