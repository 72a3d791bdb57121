// The preview's redraw and the preset strip's ticks.
//
//   BM_ChainAlone/<record>      the effect chain on a 1920 × 1080 frame
//   BM_PreviewRedraw/<record>   one redraw of the preview view (900 × 506):
//                               the chain plus the fitted drawing
//   BM_PreviewRedraw4K/<record> the same for a 3840 × 2160 frame
//   BM_FittedDrawing            the fitted drawing alone
//   BM_StripTick/<size>         one strip tick: a thumbnail of a 1080p frame
//                               through the chain and drawn into the strip
//   BM_StripAllPresets          the 42 ticks' own work, back to back, to
//                               set against the 4.2 s over which the ticks run
//
// Records: 0 = a fresh record (the default look), 1 = preset 27.

#include "app/AppDelegate.h"
#include "app/widgets/PreviewImageView.h"
#include "effects/PresetTable.h"
#include "pictures/ImageBitmaps.h"
#include "pictures/VintageImage.h"
#include "platform/Dialogs.h"
#include "views/ImageFitting.h"
#include "views/PresetStrip.h"

#include <QApplication>
#include <QPainter>
#include <benchmark/benchmark.h>
#include <cmath>

namespace {

class NoDialogs final : public Dialogs
{
public:
    int runAlert(const QString&, const QString&, const QStringList&) override { return 0; }
    QString runOpenFilePanel(const QStringList&) override { return {}; }
    QString runOpenFolderPanel(const QString&) override { return {}; }
};

// A deterministic picture-like frame: gradients, stripes and a disc.
QImage pictureFrame(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const double u = double(x) / w, v = double(y) / h;
            const double stripe = 0.5 + 0.5 * std::sin(u * 120.0 + v * 40.0);
            const double dx = u - 0.7, dy = (v - 0.3) * h / w;
            const bool disc = dx * dx + dy * dy < 0.01;
            const int r = disc ? 250 : int(60 + 120 * v + 40 * stripe);
            const int g = disc ? 235 : int(90 + 100 * (1 - v) + 30 * stripe);
            const int b = disc ? 180 : int(200 - 120 * v);
            row[x] = qRgb(r, g, b);
        }
    }
    return image;
}

QList<VideoRecord> presets()
{
    QList<VideoRecord> list;
    appendPresets(list);
    return list;
}

NodeImageInformation recordFor(int which)
{
    return which == 0 ? NodeImageInformation() : *presets()[27];
}

struct Controller
{
    NoDialogs dialogs;
    AppDelegate delegate{dialogs};
};

void BM_ChainAlone(benchmark::State& state)
{
    const imagefilter::Bitmap frame = pictures::bitmapFromImage(pictureFrame(1920, 1080));
    const NodeImageInformation record = recordFor(int(state.range(0)));
    for (auto _ : state) {
        QImage out = pictures::vintageImage(frame, record);
        benchmark::DoNotOptimize(out.constBits());
    }
}

void redraw(benchmark::State& state, int w, int h)
{
    Controller c;
    c.delegate.obj_Video = std::make_shared<NodeImageInformation>(recordFor(int(state.range(0))));
    // As OnChangePos stores a frame: in the chain's pixel layout.
    c.delegate.obj_Video->setImgVideo(
        pictureFrame(w, h).convertToFormat(QImage::Format_RGBA8888_Premultiplied));
    PreviewImageView view;
    view.resize(900, 506);
    c.delegate.viewPreview = &view;
    QImage target(900, 506, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        view.render(&target);
        benchmark::DoNotOptimize(target.constBits());
    }
}

void BM_PreviewRedraw(benchmark::State& state)
{
    redraw(state, 1920, 1080);
}
void BM_PreviewRedraw4K(benchmark::State& state)
{
    redraw(state, 3840, 2160);
}

void BM_FittedDrawing(benchmark::State& state)
{
    const QImage filtered = pictures::vintageImage(
        pictures::bitmapFromImage(pictureFrame(1920, 1080)), NodeImageInformation());
    QImage target(900, 506, QImage::Format_ARGB32_Premultiplied);
    const QRectF fit = views::returnBestFitFrame(QSizeF(1920, 1080), QSizeF(900, 506));
    for (auto _ : state) {
        QPainter painter(&target);
        painter.fillRect(target.rect(), Qt::black);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(views::toTopLeft(fit, 506), filtered);
        painter.end();
        benchmark::DoNotOptimize(target.constBits());
    }
}

// range(0): 0 = the thumbnail the strip really uses for a 1080p frame
// (153.6 × 86.4, so 154 × 86), 1 = 186 × 105 as in the filter benchmark.
void BM_StripTick(benchmark::State& state)
{
    const QSizeF size = state.range(0) == 0
                            ? views::returnBestFitFrame(QSizeF(1920, 1080), QSizeF(186, 186)).size()
                            : QSizeF(186, 105);
    const QImage thumbnail = views::scaleImage(pictureFrame(1920, 1080), size);
    const NodeImageInformation record = recordFor(1);
    QImage strip(42 * 190, 100, QImage::Format_ARGB32_Premultiplied);
    strip.fill(Qt::transparent);
    std::uint64_t index = 0;
    for (auto _ : state) {
        const QImage filtered =
            pictures::vintageImage(pictures::bitmapFromImage(thumbnail), record);
        views::drawThumbnail(strip, index, filtered, QSizeF(thumbnail.size()));
        index = (index + 1) % 42;
    }
    state.SetLabel(
        QStringLiteral("%1x%2").arg(thumbnail.width()).arg(thumbnail.height()).toStdString());
}

void BM_StripAllPresets(benchmark::State& state)
{
    const QList<VideoRecord> list = presets();
    const QImage thumbnail =
        views::scaleImage(pictureFrame(1920, 1080),
                          views::returnBestFitFrame(QSizeF(1920, 1080), QSizeF(186, 186)).size());
    QImage strip(42 * 190, 100, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        strip.fill(Qt::transparent);
        for (qsizetype i = 0; i < list.size(); ++i) {
            const QImage filtered =
                pictures::vintageImage(pictures::bitmapFromImage(thumbnail), *list[i]);
            views::drawThumbnail(strip, std::uint64_t(i), filtered, QSizeF(thumbnail.size()));
        }
        benchmark::DoNotOptimize(strip.constBits());
    }
}

BENCHMARK(BM_ChainAlone)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_PreviewRedraw)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_PreviewRedraw4K)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_FittedDrawing)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_StripTick)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_StripAllPresets)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
