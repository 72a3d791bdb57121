// One frame of the export's filtering step at full HD: decode the JPEG, render
// the chain with every gate on, encode JPEG at the default quality and write it
// atomically. Also each part alone, to see where the time goes.
#include "export/FrameFiltering.h"
#include "pictures/ImageBitmaps.h"
#include "pictures/VintageImage.h"
#include "support/EffectRecords.h"

#include <QBuffer>
#include <QImage>
#include <QSaveFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cmath>

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

// A deterministic picture-like frame: gradients, a disc, stripes and fine
// texture, so the JPEG codec sees a realistic amount of detail.
QImage pictureFrame()
{
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    for (int y = 0; y < kHeight; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < kWidth; ++x) {
            const double u = double(x) / kWidth, v = double(y) / kHeight;
            const double stripe = 0.5 + 0.5 * std::sin(u * 140.0 + v * 35.0);
            const double dx = u - 0.7, dy = (v - 0.3) * kHeight / kWidth;
            const bool disc = dx * dx + dy * dy < 0.01;
            const int grain = int((x * 7919 + y * 104729) % 23) - 11;
            const int r = disc ? 250 : int(70 + 120 * v + 40 * stripe) + grain;
            const int g = disc ? 230 : int(110 + 80 * (1 - v) + 30 * stripe) + grain;
            const int b = disc ? 180 : int(200 - 150 * v) + grain;
            row[x] = qRgb(std::clamp(r, 0, 255), std::clamp(g, 0, 255), std::clamp(b, 0, 255));
        }
    }
    return image;
}

// Every gate on, and the always-run adjustments away from neutral too.
effects::Look everyGateOn()
{
    effects::Look record = effectrecords::everyGateOn();
    record.setF_Brightness(10.0f);
    record.setF_Contrast(110.0f);
    record.setF_Saturation(80.0f);
    record.setF_Red_Balance(105.0f);
    record.setF_Green_Balance(98.0f);
    record.setF_Blue_Balance(92.0f);
    return record;
}

struct Fixture
{
    Fixture()
    {
        framePath = dir.path() + QStringLiteral("/output_00000001.jpg");
        outputPath = dir.path() + QStringLiteral("/w_output_00000001.jpg");
        pictureFrame().save(framePath, "JPEG");
    }
    QTemporaryDir dir;
    QString framePath;
    QString outputPath;
    effects::Look record = everyGateOn();
};

Fixture& fixture()
{
    static Fixture instance;
    return instance;
}

void BM_ExportFrame(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state) {
        const auto result = exporting::filterFrameFile(f.framePath, f.outputPath, f.record);
        benchmark::DoNotOptimize(result);
    }
}

void BM_ExportFrameDecode(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state) {
        QImage frame(f.framePath);
        benchmark::DoNotOptimize(frame.constBits());
    }
}

void BM_ExportFrameChain(benchmark::State& state)
{
    Fixture& f = fixture();
    const QImage frame(f.framePath);
    for (auto _ : state) {
        const QImage filtered = pictures::vintageImage(pictures::bitmapFromImage(frame), f.record);
        benchmark::DoNotOptimize(filtered.constBits());
    }
}

void BM_ExportFrameEncodeWrite(benchmark::State& state)
{
    Fixture& f = fixture();
    // The chain's result, in the pixel format the encoder gets from it.
    const QImage filtered =
        pictures::vintageImage(pictures::bitmapFromImage(QImage(f.framePath)), f.record);
    for (auto _ : state) {
        QSaveFile file(f.outputPath);
        file.open(QIODevice::WriteOnly);
        filtered.save(&file, "JPEG", -1);
        benchmark::DoNotOptimize(file.commit());
    }
}

} // namespace

BENCHMARK(BM_ExportFrame)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_ExportFrameDecode)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_ExportFrameChain)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_ExportFrameEncodeWrite)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

BENCHMARK_MAIN();
