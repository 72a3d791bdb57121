// What the exported file holds, pixel by pixel: a frame of the MP4 against the
// chain's own render of the same source frame, and the grain kept through the
// encoding. Real exports with the real ffmpeg on clips made here.
#include "support/ExportHarness.h"
#include "support/TestApp.h"

#include <QCheckBox>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <array>
#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace exportharness;

namespace {

constexpr int kFrame = 7; // a frame from the middle of the 1.5-s clip

// Frame `index` of the video at `path`, decoded by ffmpeg (a null image when missing).
QImage decodeFrame(const QString& path, int index)
{
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(testsupport::ffmpeg(),
                  {"-nostdin", "-v", "error", "-i", path, "-vf",
                   QStringLiteral("select=eq(n\\,%1)").arg(index), "-frames:v", "1", "-f",
                   "image2pipe", "-c:v", "png", "-"});
    process.waitForFinished(60000);
    return QImage::fromData(process.readAllStandardOutput(), "PNG")
        .convertToFormat(QImage::Format_RGB32);
}

// The chain's render of `frame` with `record`, as the preview shows it.
QImage rendered(const QImage& frame, const NodeImageInformation& record)
{
    return AppDelegate::imageVintage(AppDelegate::CGImageRefFromImage(frame), record)
        .convertToFormat(QImage::Format_RGB32);
}

template <typename Visit> void forEachChannel(const QImage& a, const QImage& b, Visit visit)
{
    for (int y = 0; y < a.height(); ++y) {
        const auto* ra = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* rb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            visit(0, qRed(ra[x]), qRed(rb[x]));
            visit(1, qGreen(ra[x]), qGreen(rb[x]));
            visit(2, qBlue(ra[x]), qBlue(rb[x]));
        }
    }
}

// PSNR of the luma (BT.601 weights), the measure video encoders are judged by.
double lumaPsnr(const QImage& a, const QImage& b)
{
    double squares = 0.0;
    for (int y = 0; y < a.height(); ++y) {
        const auto* ra = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* rb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            const double d = 0.299 * (qRed(ra[x]) - qRed(rb[x])) +
                             0.587 * (qGreen(ra[x]) - qGreen(rb[x])) +
                             0.114 * (qBlue(ra[x]) - qBlue(rb[x]));
            squares += d * d;
        }
    }
    const double mse = squares / (double(a.width()) * a.height());
    return mse == 0.0 ? INFINITY : 10.0 * std::log10(255.0 * 255.0 / mse);
}

double meanAbsoluteDifference(const QImage& a, const QImage& b)
{
    double sum = 0.0;
    forEachChannel(a, b, [&](int, int u, int v) { sum += std::abs(u - v); });
    return sum / (3.0 * a.width() * a.height());
}

// The mean of each channel of `a` minus that of `b`.
std::array<double, 3> meanShift(const QImage& a, const QImage& b)
{
    std::array<double, 3> shift{};
    forEachChannel(a, b, [&](int channel, int u, int v) { shift[channel] += u - v; });
    for (double& value : shift)
        value /= double(a.width()) * a.height();
    return shift;
}

// The types of an MP4 file's top-level boxes, in file order.
QStringList topLevelBoxes(const QString& path)
{
    QFile file(path);
    QStringList types;
    if (!file.open(QIODevice::ReadOnly))
        return types;
    const QByteArray bytes = file.readAll();
    qint64 at = 0;
    while (at + 8 <= bytes.size()) {
        const auto* p = reinterpret_cast<const uchar*>(bytes.constData() + at);
        const qint64 size = (qint64(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
        types << QString::fromLatin1(bytes.mid(at + 4, 4));
        if (size < 8) // 0 (to the end) or 1 (64-bit size): no box after it here
            break;
        at += size;
    }
    return types;
}

// Exports the whole open video into a new folder `name` and returns the file.
QString exportAs(TestApp& app, const QString& name)
{
    const QString folder = app.home.path() + "/" + name;
    QDir().mkpath(folder);
    app.dialogs.alerts.clear();
    app.dialogs.folderPanelAnswers.enqueue(folder);
    app.controller->OnSave();
    if (!waitForExportEnd(*app.controller, 120000) || app.dialogs.alerts.size() != 1 ||
        app.dialogs.alerts[0].message != "Success")
        return QString();
    return folder + "/" + QFileInfo(app.controller->obj_Video->sPath()).completeBaseName() + ".mp4";
}

// The SHA-1 of a file's bytes, in hex (empty when it cannot be read).
std::string digest(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1).toHex().toStdString();
}

// The digests of the filtered frames the last export left in the working
// folder, in frame order.
std::vector<std::string> filteredFrames(const AppDelegate& c)
{
    std::vector<std::string> frames;
    for (const QString& name : namesStartingWith(c.s_Output_Folder, "w_"))
        frames.push_back(digest(c.s_Output_Folder + "/" + name));
    return frames;
}

struct PixelRig
{
    // A zoom into the Mandelbrot set: fine detail and soft colours, like
    // camera footage (the hard colour edges of a test pattern bleed into the
    // brightness when a look desaturates).
    PixelRig()
    {
        clip = app.home.path() + "/zoom.mov";
        made = testsupport::makeClipFrom(clip, "mandelbrot=size=320x240:rate=10", 1.5, true);
        openVideo(*app.controller, clip, 10.0f, 1);
        source = decodeFrame(clip, kFrame);
    }
    NodeImageInformation& look() { return *app.controller->obj_Video; }

    TestApp app;
    QString clip;
    bool made = false;
    QImage source;
};

} // namespace

TEST(ExportedPixels, AFrameOfTheFileIsTheChainsRenderOfTheSourceFrame)
{
    PixelRig rig;
    ASSERT_TRUE(rig.made);
    ASSERT_EQ(rig.source.size(), QSize(320, 240));
    NodeImageInformation& look = rig.look();
    look.setB_Chrome(1);
    look.setB_Instant(0);
    look.setB_Sepia(0);
    look.setF_Saturation(60.0f);
    look.setB_Vignetting(1);
    look.setB_Noise(0);
    // A film stock at 60 %: a table that trades red for blue.
    QFile stock(rig.app.home.path() + "/swap.cube");
    ASSERT_TRUE(stock.open(QIODevice::WriteOnly));
    stock.write("LUT_3D_SIZE 2\n0 0 0\n0 0 1\n0 1 0\n0 1 1\n1 0 0\n1 0 1\n1 1 0\n1 1 1\n");
    stock.close();
    look.setS_Stock(stock.fileName().toStdString());
    look.setF_Stock_Strength(60.0f);
    const QImage expected = rendered(rig.source, look);
    // The look changes the picture well beyond what the encoding may lose.
    ASSERT_LT(lumaPsnr(expected, rig.source), 30.0);

    const QString result = exportAs(rig.app, "out");
    ASSERT_FALSE(result.isEmpty());
    const QImage exported = decodeFrame(result, kFrame);
    ASSERT_EQ(exported.size(), expected.size());
    // 37 dB: JPEG frames at Qt's default quality encoded at libx264's default
    // CRF kept only 35.6 dB of this frame.
    EXPECT_GE(lumaPsnr(exported, expected), 37.0);
    const std::array<double, 3> shift = meanShift(exported, expected);
    for (int channel = 0; channel < 3; ++channel)
        EXPECT_LE(std::abs(shift[channel]), 2.0) << "channel " << channel;

    // The file plays everywhere and starts before it has fully loaded: H.264
    // in 4:2:0, AAC sound, and its index ahead of the picture data.
    EXPECT_EQ(testsupport::probe(result, "v:0", "stream=pix_fmt"), "yuv420p");
    EXPECT_EQ(testsupport::probe(result, "a:0", "stream=codec_name"), "aac");
    const QStringList boxes = topLevelBoxes(result);
    ASSERT_TRUE(boxes.contains("moov") && boxes.contains("mdat")) << boxes.join(' ').toStdString();
    EXPECT_LT(boxes.indexOf("moov"), boxes.indexOf("mdat"));
}

TEST(ExportedPixels, TheGrainSurvivesTheEncoding)
{
    PixelRig rig;
    ASSERT_TRUE(rig.made);
    NodeImageInformation& look = rig.look();
    look.setB_Noise(0);
    const QImage plain = rendered(rig.source, look);
    const QString withoutGrain = exportAs(rig.app, "plain");
    look.setB_Noise(1);
    const QImage grainy = rendered(rig.source, look);
    const QString withGrain = exportAs(rig.app, "grain");
    ASSERT_FALSE(withoutGrain.isEmpty());
    ASSERT_FALSE(withGrain.isEmpty());

    // The file differs from the plain one by at least half as much as the
    // chain's render with grain differs from the one without.
    const double chainGrain = meanAbsoluteDifference(grainy, plain);
    ASSERT_GT(chainGrain, 0.5); // the grain is there to be kept
    EXPECT_GE(
        meanAbsoluteDifference(decodeFrame(withGrain, kFrame), decodeFrame(withoutGrain, kFrame)),
        0.5 * chainGrain);
}

TEST(ExportedPixels, ASecondVideoGetsTheLookThePanelShows)
{
    TestApp app;
    AppDelegate& c = *app.controller;
    const QString first = app.home.path() + "/first.mov", second = app.home.path() + "/second.mov";
    ASSERT_TRUE(testsupport::makeClipFrom(first, "mandelbrot=size=320x240:rate=10", 1.0, false));
    ASSERT_TRUE(testsupport::makeClipFrom(second, "mandelbrot=size=320x240:rate=10", 1.5, true));
    app.dialogs.filePanelAnswers.enqueue(first);
    c.OnOpen();
    // The panel's own boxes: the defaults' instant look and sepia off,
    // chrome and vignette on.
    for (QCheckBox* box :
         {c.checkInstant.data(), c.checkSepia.data(), c.checkChrome.data(), c.checkVignette.data()})
        box->click();
    app.dialogs.filePanelAnswers.enqueue(second);
    c.OnOpen();
    ASSERT_TRUE(app.dialogs.alerts.isEmpty());
    ASSERT_EQ(c.obj_Video->sPath(), second);
    EXPECT_TRUE(c.checkChrome->isChecked() && c.checkVignette->isChecked());
    EXPECT_FALSE(c.checkInstant->isChecked() || c.checkSepia->isChecked());

    NodeImageInformation shown;
    shown.setB_Instant(0);
    shown.setB_Sepia(0);
    shown.setB_Chrome(1);
    shown.setB_Vignetting(1);
    const QImage source = decodeFrame(second, kFrame);
    const QImage expected = rendered(source, shown);
    // The defaults would give another picture.
    ASSERT_LT(lumaPsnr(expected, rendered(source, NodeImageInformation())), 30.0);
    const QString result = exportAs(app, "out");
    ASSERT_FALSE(result.isEmpty());
    EXPECT_GE(lumaPsnr(decodeFrame(result, kFrame), expected), 37.0);
}

TEST(ExportedPixels, RandomEffectsFollowTheFramesNumberNotTheRun)
{
    PixelRig rig;
    ASSERT_TRUE(rig.made);
    AppDelegate& c = *rig.app.controller;
    NodeImageInformation& look = rig.look();
    look.setB_Noise(1);
    look.setB_Weave(1);
    look.setF_Weave(100.0f);
    look.setB_Flicker(1);
    look.setF_Flicker(100.0f);
    const QString first = exportAs(rig.app, "first");
    const std::vector<std::string> whole = filteredFrames(c);
    const QString second = exportAs(rig.app, "second");
    ASSERT_FALSE(first.isEmpty());
    ASSERT_FALSE(second.isEmpty());
    ASSERT_EQ(whole.size(), 15);
    EXPECT_EQ(filteredFrames(c), whole);
    EXPECT_EQ(digest(first), digest(second));

    // A cut export's frames are numbered from the kept range's first frame:
    // each is the whole export's frame of that number.
    c.f_Cut_Percent_Menor = 40.0f;
    c.f_Cut_Percent_Maior = 100.0f;
    ASSERT_FALSE(exportAs(rig.app, "cut").isEmpty());
    const std::vector<std::string> cut = filteredFrames(c);
    const auto kept = std::size_t(c.i_Kept_First_Frame);
    ASSERT_GT(kept, 0u);
    ASSERT_FALSE(cut.empty());
    ASSERT_LE(kept + cut.size(), whole.size());
    for (std::size_t k = 0; k < cut.size(); ++k)
        EXPECT_EQ(cut[k], whole[kept + k]) << k;
}

TEST(ExportedPixels, ACadenceHoldsEachStepsFirstFrame)
{
    TestApp app;
    AppDelegate& c = *app.controller;
    const QString clip = app.home.path() + "/zoom30.mov";
    ASSERT_TRUE(testsupport::makeClipFrom(clip, "mandelbrot=size=320x240:rate=30", 1.0, true));
    openVideo(c, clip, 30.0f, 1);
    c.obj_Video->setB_Noise(1);
    c.obj_Video->setB_Flicker(1);
    c.obj_Video->setI_Cadence(18);
    ASSERT_FALSE(exportAs(app, "out").isEmpty());
    const std::vector<std::string> frames = filteredFrames(c);
    ASSERT_EQ(frames.size(), 30u);
    // Frame n lies in step n * 18 / 30 of the crank.
    for (std::size_t n = 1; n < frames.size(); ++n) {
        if (n * 18 / 30 == (n - 1) * 18 / 30)
            EXPECT_EQ(frames[n], frames[n - 1]) << n;
        else
            EXPECT_NE(frames[n], frames[n - 1]) << n;
    }
}
