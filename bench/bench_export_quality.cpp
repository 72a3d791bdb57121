// One whole export of a clip with a given look, for export_quality.sh.
//
//   bench_export_quality CLIP FPS SECONDS LOOK DEST
//
// LOOK is "neutral" (every gate off, every value neutral: the chain changes no
// pixel) or "grain" (the default look with film grain on). Exports CLIP
// through the real controller and steps, then moves the final MP4 to
// DEST/LOOK.mp4 and the frames that the filtering step wrote to
// DEST/LOOK-frames/, so that the script can measure what each stage kept.
// Prints one line: "look=… bytes=…".
#include "support/ExportBench.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <cstdio>
#include <cstring>

namespace {

NodeImageInformation neutralLook()
{
    NodeImageInformation record;
    record.setB_Instant(0);
    record.setB_Sepia(0);
    return record;
}

NodeImageInformation grainLook()
{
    NodeImageInformation record;
    record.setB_Noise(1);
    return record;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 6 || (std::strcmp(argv[4], "neutral") != 0 && std::strcmp(argv[4], "grain") != 0)) {
        std::fprintf(stderr, "usage: %s CLIP FPS SECONDS neutral|grain DEST\n", argv[0]);
        return 2;
    }
    exportbench::ExportRig rig(argc, argv);
    const QString look = QString::fromLocal8Bit(argv[4]);
    const QString dest = QString::fromLocal8Bit(argv[5]);
    const QString ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    if (ffmpeg.isEmpty()) {
        std::fprintf(stderr, "no ffmpeg\n");
        return 1;
    }
    rig.open(ffmpeg, QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]).toFloat(),
             QString::fromLocal8Bit(argv[3]).toLongLong(),
             look == QStringLiteral("neutral") ? neutralLook() : grainLook());
    if (!rig.exportWhole())
        return 1;

    AppDelegate& c = rig.controller();
    const QString video = dest + QLatin1Char('/') + look + QStringLiteral(".mp4");
    const QString frames = dest + QLatin1Char('/') + look + QStringLiteral("-frames");
    QFile::remove(video);
    QDir(frames).removeRecursively();
    if (!QDir().mkpath(frames) || !QFile::rename(c.s_Dest_Video_Path, video)) {
        std::fprintf(stderr, "cannot move the results into %s\n", qPrintable(dest));
        return 1;
    }
    const QDir work(c.s_Output_Folder);
    for (const QString& name : work.entryList({QStringLiteral("w_output_*.jpg")}, QDir::Files))
        QFile::rename(work.filePath(name), frames + QLatin1Char('/') + name);
    std::printf("look=%s bytes=%lld\n", qPrintable(look),
                static_cast<long long>(QFileInfo(video).size()));
    return 0;
}
