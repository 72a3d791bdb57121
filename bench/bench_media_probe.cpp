// The two probes that Open runs (duration, then frame count) on a 60-s
// 1280x720 clip with sound, against one ffprobe run that counts the video
// packets, the obvious other way to learn the same two facts.
//
// The clip is made once with ffmpeg's test sources and kept as
// $TMPDIR/oldreel-bench-probe-720p60s.mp4. Run with
//   bench_media_probe --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

#include "app/AppDelegate.h"
#include "media/Transcoder.h"
#include "platform/Dialogs.h"
#include "support/BenchClips.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <benchmark/benchmark.h>
#include <cstdio>

namespace {

using benchclips::SilentDialogs;

QString benchClip()
{
    return benchclips::cachedClip(
        QStringLiteral("oldreel-bench-probe-720p60s.mp4"),
        {"-f", "lavfi", "-i", "testsrc=size=1280x720:rate=25:duration=60", "-f", "lavfi", "-i",
         "sine=frequency=440:sample_rate=44100:duration=60", "-pix_fmt", "yuv420p", "-shortest"});
}

void BM_OpenProbes(benchmark::State& state)
{
    SilentDialogs dialogs;
    AppDelegate controller(dialogs);
    controller.sffmpegPath = media::findTranscoder();
    const QString clip = benchClip();
    for (auto _ : state) {
        NodeImageInformation record;
        record.setSPath(clip);
        const bool probed = controller.Get_Duration(record) && controller.Get_FPS(record);
        if (!probed || record.i_Duration_In_Seconds() != 60) {
            state.SkipWithError("probing failed");
            break;
        }
        benchmark::DoNotOptimize(record.f_FPS());
    }
}

void BM_FfprobeCountPackets(benchmark::State& state)
{
    const QString ffprobe = QStandardPaths::findExecutable(QStringLiteral("ffprobe"));
    const QString clip = benchClip();
    for (auto _ : state) {
        const QString out = media::runAndReadAll(
            ffprobe, {"-v", "error", "-select_streams", "v:0", "-count_packets", "-show_entries",
                      "stream=nb_read_packets:format=duration", "-of", "csv=p=0", clip});
        if (out.isEmpty()) {
            state.SkipWithError("ffprobe failed");
            break;
        }
        benchmark::DoNotOptimize(out);
    }
}

BENCHMARK(BM_OpenProbes)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_FfprobeCountPackets)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

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
