// The effect chain at full HD, at 4K and at thumbnail size. Run with
// --benchmark_repetitions=N (and --benchmark_report_aggregates_only=true for
// the medians alone); the context line "simd" says which build of the hot
// loops ran (OLDREEL_FILTER_SIMD=baseline forces the baseline one).
//
// Modes besides the Google Benchmark run:
//   --frames FILE W H [RUNS]  times the chain with every gate on over raw RGBA
//                             frames (ffmpeg -pix_fmt rgba -f rawvideo) and
//                             prints the per-frame median in milliseconds
//   --presets-png PATH        writes one picture through presets 0, 8, 22, 29, 36
//   --projector-png PATH      writes six consecutive frames of a pan at 30 fps
//                             through the projector's effects (cranked at 18)
//   --eras-png PATH           writes one picture through the five eras, oldest
//                             first, at one place in a 24-fps video
//   --threads N (first)       renders on N threads (1: the CPU time column is
//                             then the whole work of a frame), then as usual

#include "effects/EraLooks.h"
#include "effects/PresetTable.h"
#include "imagefilter/Context.h"
#include "pictures/VintageImage.h"
#include "projector/Cadence.h"
#include "support/EffectRecords.h"
#if __has_include("imagefilter/Simd.h") // not in builds older than the run-time choice
#include "imagefilter/Simd.h"
#define OLDREEL_BENCH_SIMD_CONTEXT 1
#endif

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

using effectrecords::everyGateOn;

namespace {

// A deterministic picture-like frame: sky, sun, hills, a striped field and a
// few figures, so the chain sees smooth gradients, edges and texture.
imagefilter::Bitmap pictureFrame(int w, int h)
{
    imagefilter::Bitmap b;
    b.width = w;
    b.height = h;
    b.pixels.resize(std::size_t(w) * h * 4);
    for (int r = 0; r < h; ++r) {
        for (int x = 0; x < w; ++x) {
            const double u = double(x) / w, v = double(r) / h;
            double R, G, B;
            const double hill = 0.55 + 0.08 * std::sin(u * 9.0) + 0.04 * std::sin(u * 23.0 + 1.0);
            if (v < hill) {
                R = 0.35 + 0.4 * v;
                G = 0.55 + 0.35 * v;
                B = 0.95 - 0.2 * v;
                const double dx = u - 0.72, dy = (v - 0.22) * h / w;
                const double d = std::sqrt(dx * dx + dy * dy);
                if (d < 0.05) {
                    R = 1.0;
                    G = 0.93;
                    B = 0.7;
                } else if (d < 0.12) {
                    const double t = (d - 0.05) / 0.07;
                    R = R * t + 1.0 * (1 - t);
                    G = G * t + 0.85 * (1 - t);
                }
            } else {
                const double stripe = 0.5 + 0.5 * std::sin(u * 120.0 + v * 40.0);
                R = 0.25 + 0.15 * stripe + 0.2 * (v - hill);
                G = 0.45 + 0.2 * stripe - 0.1 * (v - hill);
                B = 0.15 + 0.05 * stripe;
            }
            for (int k = 0; k < 5; ++k) {
                const double fx = 0.15 + 0.12 * k, fy = 0.62 + 0.03 * (k % 2);
                if (std::abs(u - fx) < 0.012 && v > fy && v < fy + 0.18) {
                    R = 0.12 + 0.15 * k;
                    G = 0.1;
                    B = 0.3 - 0.05 * k;
                }
            }
            std::uint8_t* p = b.pixels.data() + (std::size_t(r) * w + x) * 4;
            p[0] = std::uint8_t(std::clamp(R, 0.0, 1.0) * 255 + 0.5);
            p[1] = std::uint8_t(std::clamp(G, 0.0, 1.0) * 255 + 0.5);
            p[2] = std::uint8_t(std::clamp(B, 0.0, 1.0) * 255 + 0.5);
            p[3] = 255;
        }
    }
    return b;
}

effects::Look preset(int index)
{
    return effects::presetLooks()[std::size_t(index)];
}

void runChain(benchmark::State& state, int w, int h, const effects::Look& record)
{
    const imagefilter::Bitmap frame = pictureFrame(w, h);
    // Consecutive frames, so the weave and flicker change as in a video.
    projector::FramePlace place{0, 30.0, 1.0};
    for (auto _ : state) {
        QImage out = pictures::vintageImage(frame, record, place);
        benchmark::DoNotOptimize(out.constBits());
        place.number = (place.number + 1) % 300;
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_Vintage1080FreshRecord(benchmark::State& s)
{
    runChain(s, 1920, 1080, effects::Look());
}
void BM_Vintage1080Preset27(benchmark::State& s)
{
    runChain(s, 1920, 1080, preset(27));
}
void BM_Vintage1080EveryGate(benchmark::State& s)
{
    runChain(s, 1920, 1080, everyGateOn());
}
// The three looks alone (no sepia, controls at their defaults).
// Every gate and every effect of the projector (weave, flicker, gate,
// halation, grain size 2); the cadence is the caller's and costs nothing here.
void BM_Vintage1080EveryGateAndProjector(benchmark::State& s)
{
    runChain(s, 1920, 1080, effectrecords::everyGateAndProjectorEffectOn());
}
// Every gate with a 33³ film stock at 60 %: a table of its own (a smooth
// non-linear grade) written once to the temporary folder. By default the run
// holding the stock is baked into a table; Exact keeps every kernel, Baked
// bakes every run.
void runWithStock(benchmark::State& s, imagefilter::Context::BakedColour tables)
{
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("oldreel-bench-" + std::to_string(::getpid()) + ".cube"))
                                 .string();
    {
        std::ofstream table(path);
        table << "LUT_3D_SIZE 33\n";
        for (int b = 0; b < 33; ++b)
            for (int g = 0; g < 33; ++g)
                for (int r = 0; r < 33; ++r) {
                    const double x = r / 32.0, y = g / 32.0, z = b / 32.0;
                    table << std::sqrt(x) * 0.9 + 0.05 * z << ' ' << y * y * 0.8 + 0.1 * x << ' '
                          << 0.6 * z + 0.2 * y << '\n';
                }
    }
    effects::Look record = everyGateOn();
    record.setS_Stock(path);
    record.setF_Stock_Strength(60);
    const auto before = imagefilter::Context::bakedColourMode();
    imagefilter::Context::setBakedColour(tables);
    runChain(s, 1920, 1080, record);
    imagefilter::Context::setBakedColour(before);
    std::filesystem::remove(path);
}
void BM_Vintage1080EveryGateAndStock(benchmark::State& s)
{
    runWithStock(s, imagefilter::Context::BakedColour::WherePaying);
}
void BM_Vintage1080EveryGateAndStockExact(benchmark::State& s)
{
    runWithStock(s, imagefilter::Context::BakedColour::Never);
}
void BM_Vintage1080EveryGateAndStockBaked(benchmark::State& s)
{
    runWithStock(s, imagefilter::Context::BakedColour::Always);
}
void BM_Vintage1080LooksOnly(benchmark::State& s)
{
    runChain(s, 1920, 1080, preset(6));
}
void BM_VintageThumbnailPreset27(benchmark::State& s)
{
    runChain(s, 186, 105, preset(27));
}
void BM_Vintage2160EveryGate(benchmark::State& s)
{
    runChain(s, 3840, 2160, everyGateOn());
}

// The same with every colour run baked into a 3-D table (the cases above
// without a stock run the exact kernels, the default).
void runBaked(benchmark::State& state, int w, int h, const effects::Look& record)
{
    imagefilter::Context::setBakedColour(true);
    runChain(state, w, h, record);
    imagefilter::Context::setBakedColour(false);
}
void BM_Vintage1080FreshRecordBaked(benchmark::State& s)
{
    runBaked(s, 1920, 1080, effects::Look());
}
void BM_Vintage1080Preset27Baked(benchmark::State& s)
{
    runBaked(s, 1920, 1080, preset(27));
}
void BM_Vintage1080EveryGateBaked(benchmark::State& s)
{
    runBaked(s, 1920, 1080, everyGateOn());
}
void BM_Vintage1080LooksOnlyBaked(benchmark::State& s)
{
    runBaked(s, 1920, 1080, preset(6));
}
void BM_Vintage2160EveryGateBaked(benchmark::State& s)
{
    runBaked(s, 3840, 2160, everyGateOn());
}
// What a slider move costs before its first frame: every gate over a 2 x 2
// frame with the gamma moved at each step, so that the table of the run
// holding the gamma is baked (and checked) again; the others are kept.
void BM_VintageBakeSliderMove(benchmark::State& state)
{
    const imagefilter::Bitmap frame = pictureFrame(2, 2);
    effects::Look record = everyGateOn();
    imagefilter::Context::setBakedColour(true);
    int step = 0;
    for (auto _ : state) {
        record.setF_Gamma(float(60 + step++ % 80)); // more values than the tables kept
        QImage out = pictures::vintageImage(frame, record);
        benchmark::DoNotOptimize(out.constBits());
    }
    imagefilter::Context::setBakedColour(false);
}

// Wall time (the chain runs on several threads); repetitions come from the
// command line.
BENCHMARK(BM_Vintage1080FreshRecord)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Vintage1080Preset27)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Vintage1080EveryGate)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Vintage1080EveryGateAndProjector)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Vintage1080EveryGateAndStock)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Vintage1080EveryGateAndStockExact)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Vintage1080EveryGateAndStockBaked)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Vintage1080LooksOnly)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_VintageThumbnailPreset27)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_Vintage2160EveryGate)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Vintage1080FreshRecordBaked)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Vintage1080Preset27Baked)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Vintage1080EveryGateBaked)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Vintage1080LooksOnlyBaked)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Vintage2160EveryGateBaked)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_VintageBakeSliderMove)->Unit(benchmark::kMillisecond)->UseRealTime();

int timeFrames(const char* path, int w, int h, int runs)
{
    const std::size_t frameBytes = std::size_t(w) * h * 4;
    const effects::Look record = everyGateOn();
    std::vector<double> runMedians;
    for (int run = 0; run < runs; ++run) {
        // Frames are read one at a time (a hundred 1080p frames would take
        // most of a gigabyte); only the chain is timed.
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "cannot read %s\n", path);
            return 1;
        }
        imagefilter::Bitmap frame;
        frame.width = w;
        frame.height = h;
        frame.pixels.resize(frameBytes);
        std::vector<double> ms;
        while (in.read(reinterpret_cast<char*>(frame.pixels.data()), std::streamsize(frameBytes))) {
            const auto t0 = std::chrono::steady_clock::now();
            QImage out = pictures::vintageImage(frame, record);
            benchmark::DoNotOptimize(out.constBits());
            ms.push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0)
                    .count());
        }
        if (ms.empty()) {
            std::fprintf(stderr, "no frames in %s\n", path);
            return 1;
        }
        std::nth_element(ms.begin(), ms.begin() + ms.size() / 2, ms.end());
        runMedians.push_back(ms[ms.size() / 2]);
        std::fprintf(stderr, "run %d: %zu frames, median %.3f ms/frame\n", run + 1, ms.size(),
                     runMedians.back());
    }
    std::sort(runMedians.begin(), runMedians.end());
    std::printf("%.4f\n", runMedians[runMedians.size() / 2]);
    return 0;
}

int presetsPng(const char* path)
{
    constexpr int w = 640, h = 360, gap = 8;
    const imagefilter::Bitmap frame = pictureFrame(w, h);
    const int indices[] = {0, 8, 22, 29, 36};
    const std::vector<effects::Look> presets = effects::presetLooks();
    QImage sheet(5 * w + 4 * gap, h, QImage::Format_RGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    for (int i = 0; i < 5; ++i)
        painter.drawImage(i * (w + gap), 0,
                          pictures::vintageImage(frame, presets[std::size_t(indices[i])]));
    painter.end();
    if (!sheet.save(path)) {
        std::fprintf(stderr, "cannot write %s\n", path);
        return 1;
    }
    return 0;
}

// Six consecutive frames of a slow pan, as the projector shows them: the
// motion steps at 18 frames a second in a 30-fps video, the frame weaves and
// flickers in a 1.37 gate, highlights glow.
int projectorPng(const char* path)
{
    constexpr int w = 480, h = 270, gap = 6, frames = 6;
    const imagefilter::Bitmap wide = pictureFrame(w + 8 * frames, h);
    effects::Look look = effects::presetLooks()[8];
    const effects::Look projector = effectrecords::everyGateAndProjectorEffectOn();
    look.setB_Weave(1);
    look.setF_Weave(100);
    look.setB_Flicker(1);
    look.setF_Flicker(60);
    look.setI_Cadence(projector.i_Cadence());
    look.setI_Gate(projector.i_Gate());
    look.setB_Halation(1);
    look.setF_Halation(80);
    QImage sheet(frames * w + (frames - 1) * gap, h, QImage::Format_RGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    projector::CadenceHold hold(30.0, look.i_Cadence());
    for (int n = 0; n < frames; ++n) {
        imagefilter::Bitmap frame{w, h, {}};
        frame.pixels.resize(std::size_t(w) * h * 4);
        for (int y = 0; y < h; ++y)
            std::memcpy(frame.pixels.data() + std::size_t(y) * w * 4,
                        wide.pixels.data() + (std::size_t(y) * wide.width + 8 * n) * 4,
                        std::size_t(w) * 4);
        const auto shown = hold.show(n, frame);
        painter.drawImage(n * (w + gap), 0,
                          pictures::vintageImage(*shown.picture, look, {shown.number, 30.0, 1.0}));
    }
    painter.end();
    if (!sheet.save(path)) {
        std::fprintf(stderr, "cannot write %s\n", path);
        return 1;
    }
    return 0;
}

// The same picture in each era, side by side; each is drawn at one place in
// a video so its weave, flicker and grain show as on a frame of it.
int erasPng(const char* path)
{
    constexpr int w = 640, h = 360, gap = 8;
    const imagefilter::Bitmap frame = pictureFrame(w, h);
    const auto& eras = effects::eraLooks();
    const int count = int(eras.size());
    QImage sheet(count * w + (count - 1) * gap, h, QImage::Format_RGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    for (int i = 0; i < count; ++i)
        painter.drawImage(
            i * (w + gap), 0,
            pictures::vintageImage(frame, eras[std::size_t(i)].look, {37, 24.0, 1.0}));
    painter.end();
    if (!sheet.save(path)) {
        std::fprintf(stderr, "cannot write %s\n", path);
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "--threads") == 0) {
        imagefilter::Context::setDefaultThreadCount(std::atoi(argv[2]));
        argv[2] = argv[0];
        argv += 2;
        argc -= 2;
    }
    if (argc >= 5 && std::strcmp(argv[1], "--frames") == 0)
        return timeFrames(argv[2], std::atoi(argv[3]), std::atoi(argv[4]),
                          argc >= 6 ? std::atoi(argv[5]) : 3);
    if (argc >= 3 && std::strcmp(argv[1], "--presets-png") == 0)
        return presetsPng(argv[2]);
    if (argc >= 3 && std::strcmp(argv[1], "--projector-png") == 0)
        return projectorPng(argv[2]);
    if (argc >= 3 && std::strcmp(argv[1], "--eras-png") == 0)
        return erasPng(argv[2]);
#ifdef OLDREEL_BENCH_SIMD_CONTEXT
    benchmark::AddCustomContext("simd", imagefilter::simd::levelName());
#endif
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
