// Playback in the real window: frames shown per second while playing a clip
// with every gate on, and the CPU time the window's own thread spends per
// frame shown. Run it on a display (Xvfb works):
//
//   bench_playback CLIP [SECONDS] [--projector [CADENCE]] [--strip PNG COUNT [WINDOW_PNG]]
//
// It opens CLIP as a user would, turns every effect on, presses Play, lets
// it play SECONDS (default 10; the first second is not counted), and prints
// the median of the frames shown in each whole second, that median over the
// clip's rate, the frames skipped, and the GUI thread's CPU milliseconds per
// frame shown. --projector adds every projector effect at a strong setting
// (weave and flicker 100, the 1.37 gate, halation 100 of radius 100, the
// largest grain) and, when given, a cadence of CADENCE frames a second.
// With --strip it also writes COUNT consecutive played frames,
// as the preview painted them, side by side into PNG, and the whole window
// while it plays into WINDOW_PNG.

#include "app/AppDelegate.h"
#include "app/MainWindow.h"
#include "app/widgets/PreviewImageView.h"
#include "platform/Dialogs.h"
#include "views/ImageFitting.h"
#include "views/PreviewPlayback.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

class OpenDialogs final : public Dialogs
{
public:
    QString path;
    int runAlert(const QString& message, const QString& text, const QStringList&) override
    {
        std::fprintf(stderr, "alert: %s %s\n", qPrintable(message), qPrintable(text));
        return 0;
    }
    QString runOpenFilePanel(const QStringList&) override { return path; }
    QString runOpenFolderPanel(const QString&) override { return {}; }
};

double threadCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// Serves events for a while, sleeping when there are none (a polling loop
// would count its own spinning as the GUI thread's time).
void serveFor(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

template <class Done> bool serveUntil(Done done, int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < milliseconds)
        serveFor(10);
    return done();
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s CLIP [SECONDS] [--strip PNG COUNT]\n", argv[0]);
        return 2;
    }
    const QString clip = QString::fromLocal8Bit(argv[1]);
    int seconds = 10;
    QString stripPath, windowPath;
    int stripCount = 0;
    bool projector = false;
    int cadence = 0;
    for (int i = 2; i < argc; ++i) {
        if (QByteArray(argv[i]) == "--strip" && i + 2 < argc) {
            stripPath = QString::fromLocal8Bit(argv[i + 1]);
            stripCount = std::atoi(argv[i + 2]);
            i += 2;
            if (i + 1 < argc && QByteArray(argv[i + 1]).endsWith(".png"))
                windowPath = QString::fromLocal8Bit(argv[++i]);
        } else if (QByteArray(argv[i]) == "--projector") {
            projector = true;
            if (i + 1 < argc && std::atoi(argv[i + 1]) > 0 && std::atoi(argv[i + 1]) < 100)
                cadence = std::atoi(argv[++i]);
        } else {
            seconds = std::max(2, std::atoi(argv[i]));
        }
    }

    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_DOCUMENTS_DIR", (home.path() + "/Documents").toLocal8Bit());
    MainWindow window;
    OpenDialogs dialogs;
    dialogs.path = clip;
    AppDelegate controller(dialogs);
    controller.exitProcess = [](int) {};
    controller.awakeFromNib(&window);
    controller.applicationDidFinishLaunching();
    window.show();

    controller.OnOpen();
    if (!serveUntil(
            [&] { return controller.obj_Video && !controller.obj_Video->imgVideo().isNull(); },
            30000)) {
        std::fprintf(stderr, "the clip did not open\n");
        return 1;
    }
    NodeImageInformation& look = *controller.obj_Video;
    look.setB_Chrome(1);
    look.setB_Instant(1);
    look.setB_Process(1);
    look.setB_Sepia(1);
    look.setB_Vignetting(1);
    look.setB_Gamma(1);
    look.setB_Exposure(1);
    look.setB_Noise(1);
    look.setB_Light(1);
    if (projector) {
        look.setB_Weave(1);
        look.setF_Weave(100.0f);
        look.setB_Flicker(1);
        look.setF_Flicker(100.0f);
        look.setI_Gate(2);
        look.setB_Halation(1);
        look.setF_Halation(100.0f);
        look.setF_Halation_Radius(100.0f);
        look.setI_Grain_Size(4);
        look.setI_Cadence(cadence);
    }
    controller.Apply_Reset();
    serveFor(500);

    if (!stripPath.isEmpty()) {
        std::vector<QImage> frames;
        if (!controller.Start_Playback())
            return 1;
        QObject::connect(controller.playback, &views::PreviewPlayback::frameShown, &controller,
                         [&] {
                             if (int(frames.size()) < stripCount)
                                 frames.push_back(controller.viewPreview->grab().toImage());
                         });
        serveUntil([&] { return int(frames.size()) >= stripCount; }, 60000);
        if (!windowPath.isEmpty())
            window.grab().save(windowPath);
        controller.Pause_Playback();
        if (frames.empty())
            return 1;
        // The picture without the preview's black bars, at half its size.
        const QRect picture = views::toTopLeft(AppDelegate::return_Best_Fit_Frame(
                                                   QSizeF(controller.obj_Video->imgVideo().size()),
                                                   QSizeF(controller.viewPreview->size())),
                                               controller.viewPreview->height())
                                  .toAlignedRect();
        const int w = picture.width() / 2, h = picture.height() / 2;
        QImage strip(w * int(frames.size()) + 4 * int(frames.size() - 1), h, QImage::Format_RGB32);
        strip.fill(Qt::black);
        QPainter painter(&strip);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        for (std::size_t i = 0; i < frames.size(); ++i)
            painter.drawImage(QRect(int(i) * (w + 4), 0, w, h), frames[i], picture);
        painter.end();
        strip.save(stripPath);
        std::printf("wrote %zu frames to %s\n", frames.size(), qPrintable(stripPath));
        return 0;
    }

    controller.Start_Playback();
    if (!controller.isPlaying()) {
        std::fprintf(stderr, "playback did not start\n");
        return 1;
    }
    serveFor(1000);
    std::vector<long long> perSecond;
    const long long shownBefore = controller.playback->framesShown();
    const long long skippedBefore = controller.playback->framesSkipped();
    const double cpuBefore = threadCpuSeconds();
    for (int s = 1; s < seconds; ++s) {
        const long long before = controller.playback->framesShown();
        serveFor(1000);
        perSecond.push_back(controller.playback->framesShown() - before);
    }
    const double cpu = threadCpuSeconds() - cpuBefore;
    const long long shown = controller.playback->framesShown() - shownBefore;
    const long long skipped = controller.playback->framesSkipped() - skippedBefore;
    const QImage frame = controller.playback->frame();
    controller.Pause_Playback();

    std::vector<long long> sorted = perSecond;
    std::sort(sorted.begin(), sorted.end());
    const double median =
        sorted.size() % 2 ? double(sorted[sorted.size() / 2])
                          : 0.5 * double(sorted[sorted.size() / 2 - 1] + sorted[sorted.size() / 2]);
    const double rate = controller.obj_Video->videoFacts().framesPerSecond();
    std::printf("clip %s: %dx%d at %.3f fps, rendered at %dx%d\n", qPrintable(clip),
                controller.obj_Video->videoFacts().displayWidth(),
                controller.obj_Video->videoFacts().displayHeight(), rate, frame.width(),
                frame.height());
    std::printf("frames shown per second: median %.1f over %zu s (ratio to the clip's rate %.2f)\n",
                median, perSecond.size(), rate > 0 ? median / rate : 0.0);
    std::printf("frames shown %lld, skipped %lld\n", shown, skipped);
    std::printf("GUI thread CPU per frame shown: %.2f ms\n",
                shown > 0 ? cpu * 1000.0 / double(shown) : 0.0);
    return 0;
}
