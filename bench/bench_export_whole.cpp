// A whole export of one clip against its floor, for bench_export_whole.sh.
//
//   bench_export_whole CLIP FPS SECONDS [FROM TO]
//
// FROM and TO (percent of the duration) keep only that range of the clip.
// Exports CLIP through the real controller and window (scripted folder answer,
// a temporary home), with the transcoder behind a wrapper that logs every
// argument list. Then it measures the floor: one 0.1-s tick per frame plus the
// same transcoder runs, with the same arguments, run alone one after another.
// Prints one line: "whole_s=… floor_s=… runs_s=… frames=… ratio=…".
#include "support/ExportBench.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <cstdio>

namespace {

bool writeWrapper(const QString& path, const QString& log, const QString& ffmpeg)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(QStringLiteral("#!/bin/sh\n"
                              "for a in \"$@\"; do printf '%s\\n' \"$a\"; done >> '")
                   .toUtf8() +
               log.toUtf8() + "'\nprintf -- '--\\n' >> '" + log.toUtf8() + "'\nexec '" +
               ffmpeg.toUtf8() + "' \"$@\"\n");
    file.close();
    return file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QList<QStringList> loggedRuns(const QString& log)
{
    QFile file(log);
    QList<QStringList> runs;
    if (!file.open(QIODevice::ReadOnly))
        return runs;
    QStringList current;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line == "--") {
            runs << current;
            current.clear();
        } else if (!line.isEmpty()) {
            current << QString::fromUtf8(line);
        }
    }
    return runs;
}

double runAlone(const QString& ffmpeg, const QStringList& arguments)
{
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    process.start(ffmpeg, arguments);
    process.waitForFinished(-1);
    return double(clock.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s CLIP FPS SECONDS [FROM TO]\n", argv[0]);
        return 2;
    }
    exportbench::ExportRig rig(argc, argv);
    const QString clip = QString::fromLocal8Bit(argv[1]);
    const float fps = QString::fromLocal8Bit(argv[2]).toFloat();
    const qint64 seconds = QString::fromLocal8Bit(argv[3]).toLongLong();
    const QString ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    const QString log = rig.home() + QStringLiteral("/runs.log");
    const QString wrapper = rig.home() + QStringLiteral("/ffmpeg-wrapper");
    if (ffmpeg.isEmpty() || !writeWrapper(wrapper, log, ffmpeg)) {
        std::fprintf(stderr, "no ffmpeg\n");
        return 1;
    }
    rig.open(wrapper, clip, fps, seconds);
    AppDelegate& c = rig.controller();
    if (argc >= 6) {
        c.f_Cut_Percent_Menor = QString::fromLocal8Bit(argv[4]).toFloat();
        c.f_Cut_Percent_Maior = QString::fromLocal8Bit(argv[5]).toFloat();
    }

    // The whole export, from the Save command to the end of the last step.
    QElapsedTimer clock;
    clock.start();
    if (!rig.exportWhole())
        return 1;
    const double whole = double(clock.nsecsElapsed()) / 1e9;

    // The floor: the same runs alone in a freshly emptied working folder; the
    // filtered frames are copies, made outside the timing.
    const QList<QStringList> runs = loggedRuns(log);
    c.RemoveAllContentInFolder(c.s_Output_Folder);
    QFile::remove(c.s_Dest_Video_Path);
    double runsSeconds = 0.0;
    qsizetype frames = 0;
    for (const QStringList& arguments : runs) {
        if (arguments.contains(c.s_Output_Folder + QStringLiteral("/w_output_%08d.jpg"))) {
            const QDir work(c.s_Output_Folder);
            const QStringList names = work.entryList({QStringLiteral("output_*.jpg")}, QDir::Files);
            frames = names.size();
            for (const QString& name : names)
                QFile::copy(work.filePath(name), work.filePath(QStringLiteral("w_") + name));
        }
        runsSeconds += runAlone(ffmpeg, arguments);
    }
    const double floor = double(frames) * 0.1 + runsSeconds;
    std::printf("whole_s=%.3f floor_s=%.3f runs_s=%.3f frames=%lld transcoder_runs=%lld "
                "ratio=%.4f\n",
                whole, floor, runsSeconds, static_cast<long long>(frames),
                static_cast<long long>(runs.size()), whole / floor);
    return 0;
}
