// One preview frame at 90 % of a 10-minute 1280x720 clip against one at
// 10 %: with the seek before the input, both cost about the same. The third
// benchmark takes the 90 % frame the old way, the seek after the input,
// which decodes every frame up to the position.
//
// The clip is made once with ffmpeg's test sources (a key frame every 10 s,
// as cameras and encoders write them) and kept as
// $TMPDIR/oldreel-bench-seek-720p10min.mp4. Run with
//   bench_preview_seek --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

#include "app/AppDelegate.h"
#include "media/Transcoder.h"
#include "platform/Dialogs.h"
#include "support/BenchClips.h"
#include "views/PreviewTime.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

using benchclips::SilentDialogs;

QString benchClip()
{
    return benchclips::cachedClip(QStringLiteral("oldreel-bench-seek-720p10min.mp4"),
                                  {"-f", "lavfi", "-i",
                                   "testsrc=size=1280x720:rate=25:duration=600", "-c:v", "libx264",
                                   "-preset", "ultrafast", "-g", "250", "-pix_fmt", "yuv420p"});
}

// A controller with the clip opened as Open opens it.
struct OpenedClip
{
    OpenedClip()
    {
        controller.sffmpegPath = media::findTranscoder();
        controller.s_Thumbnails_Folder = folder.path();
        auto record = std::make_shared<NodeImageInformation>();
        record->setSPath(benchClip());
        opened = controller.Get_Duration(*record) && controller.Get_FPS(*record);
        controller.obj_Video = record;
    }
    QString seekAt(float percent) const
    {
        return views::seekText(
            views::previewTime(controller.obj_Video->durationWithFraction(), percent));
    }

    SilentDialogs dialogs;
    AppDelegate controller{dialogs};
    QTemporaryDir folder;
    bool opened = false;
};

void BM_PreviewFrameAt(benchmark::State& state)
{
    OpenedClip clip;
    const QString time = clip.seekAt(float(state.range(0)));
    for (auto _ : state) {
        const QImage frame = clip.controller.Generate_Thumbnail(time);
        if (!clip.opened || frame.size() != QSize(1280, 720)) {
            state.SkipWithError("no preview frame");
            break;
        }
    }
}

void BM_DecodeUpToPosition(benchmark::State& state)
{
    OpenedClip clip;
    const QString time = clip.seekAt(float(state.range(0)));
    const QString output = clip.folder.path() + QStringLiteral("/after-input.bmp");
    for (auto _ : state) {
        QFile::remove(output);
        clip.controller.runTranscoder(
            {"-i", clip.controller.obj_Video->sPath(), "-ss", time, "-vframes", "1", output});
        if (QImage(output).size() != QSize(1280, 720)) {
            state.SkipWithError("no frame");
            break;
        }
    }
}

BENCHMARK(BM_PreviewFrameAt)->Arg(10)->Arg(90)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DecodeUpToPosition)
    ->Arg(90)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchClip();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
