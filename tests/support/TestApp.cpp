#include "support/TestApp.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

TemporaryHome::TemporaryHome() : oldHome_(qgetenv("HOME")), oldConfig_(qgetenv("XDG_CONFIG_HOME"))
{
    qputenv("HOME", dir_.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (dir_.path() + QStringLiteral("/.config")).toUtf8());
}

TemporaryHome::~TemporaryHome()
{
    qputenv("HOME", oldHome_);
    if (oldConfig_.isEmpty())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", oldConfig_);
}

TestApp::TestApp(bool launchNow)
{
    window = std::make_unique<MainWindow>();
    controller = std::make_unique<AppDelegate>(dialogs);
    controller->exitProcess = [this](int status) {
        if (!exitStatus)
            exitStatus = status;
    };
    controller->awakeFromNib(window.get());
    if (launchNow)
        launch();
}

TestApp::~TestApp()
{
    if (controller && controller->currentTranscoder)
        controller->currentTranscoder->kill();
    controller.reset();
    window.reset();
}

void TestApp::launch()
{
    controller->applicationDidFinishLaunching();
}

namespace testsupport {

QString ffmpeg()
{
    return QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
}

QString ffprobe()
{
    return QStandardPaths::findExecutable(QStringLiteral("ffprobe"));
}

bool makeClip(const QString& path, double seconds, int width, int height, const QString& rate,
              bool withSound)
{
    return makeClipFrom(path,
                        QStringLiteral("testsrc=size=%1x%2:rate=%3:duration=%4")
                            .arg(width)
                            .arg(height)
                            .arg(rate)
                            .arg(seconds),
                        seconds, withSound);
}

bool makeClipFrom(const QString& path, const QString& videoSource, double seconds, bool withSound)
{
    QStringList arguments{QStringLiteral("-y"),        QStringLiteral("-nostdin"),
                          QStringLiteral("-loglevel"), QStringLiteral("error"),
                          QStringLiteral("-f"),        QStringLiteral("lavfi"),
                          QStringLiteral("-i"),        videoSource};
    if (withSound)
        arguments
            << QStringLiteral("-f") << QStringLiteral("lavfi") << QStringLiteral("-i")
            << QStringLiteral("sine=frequency=440:sample_rate=44100:duration=%1").arg(seconds);
    arguments << QStringLiteral("-t") << QString::number(seconds) << QStringLiteral("-pix_fmt")
              << QStringLiteral("yuv420p");
    if (withSound)
        arguments << QStringLiteral("-shortest");
    arguments << path;
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(ffmpeg(), arguments);
    process.waitForFinished(120000);
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0 &&
           QFile(path).size() > 0;
}

QString writeScript(const QString& path, const QString& body)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QString();
    file.write("#!/bin/sh\n");
    file.write(body.toUtf8());
    file.write("\n");
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

QString probe(const QString& path, const QString& stream, const QString& entry)
{
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    QStringList arguments{QStringLiteral("-v"), QStringLiteral("error")};
    if (!stream.isEmpty())
        arguments << QStringLiteral("-select_streams") << stream;
    arguments << QStringLiteral("-show_entries") << entry << QStringLiteral("-of")
              << QStringLiteral("default=noprint_wrappers=1:nokey=1") << path;
    process.start(ffprobe(), arguments);
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

} // namespace testsupport
