// The export's pure parts: cut times, names of the final file, the free name,
// the working-folder test, the frame listing and the filtering of one frame.
// Progress values and frame-rate texts are checked through the driver tests.
#include "app/AppDelegate.h"
#include "export/ExportTexts.h"
#include "export/FrameFiltering.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

using namespace exporting;

namespace {

void touch(const QString& path, const QByteArray& content = "x")
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(content);
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QImage ramp(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, 128));
    return image;
}

double meanDifference(const QImage& a, const QImage& b)
{
    const QImage left = a.convertToFormat(QImage::Format_RGB32);
    const QImage right = b.convertToFormat(QImage::Format_RGB32);
    double total = 0.0;
    for (int y = 0; y < left.height(); ++y)
        for (int x = 0; x < left.width(); ++x) {
            const QRgb p = left.pixel(x, y), q = right.pixel(x, y);
            total += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                     std::abs(qBlue(p) - qBlue(q));
        }
    return total / (3.0 * left.width() * left.height());
}

} // namespace

TEST(FinalName, LastExtensionReplacedByMp4)
{
    EXPECT_EQ(finalVideoName("/a/b/Holiday.clip.mov"), "Holiday.clip.mp4");
    EXPECT_EQ(finalVideoName("/a/b/clip"), "clip.mp4");
    EXPECT_EQ(finalVideoName("/a/b/clip.mp4"), "clip.mp4");
    EXPECT_EQ(finalVideoName("/a/b.d/.hidden"), ".hidden.mp4");
}

TEST(FinalName, AnExistingFileIsNeverTakenOver)
{
    QTemporaryDir dir;
    const QString folder = dir.path();
    EXPECT_EQ(firstFreePath(folder, "clip.mp4"), folder + "/clip.mp4");
    touch(folder + "/clip.mp4");
    EXPECT_EQ(firstFreePath(folder, "clip.mp4"), folder + "/clip (1).mp4");
    touch(folder + "/clip (1).mp4");
    // A dangling link is somebody's too.
    ASSERT_TRUE(QFile::link(folder + "/nowhere", folder + "/clip (2).mp4"));
    EXPECT_EQ(firstFreePath(folder, "clip.mp4"), folder + "/clip (3).mp4");

    // "%1" to "%3" in the folder or the name are text, never places to fill.
    const QString percent = folder + "/50%3off %1";
    ASSERT_TRUE(QDir().mkpath(percent));
    touch(percent + "/a%2Cb.mp4");
    EXPECT_EQ(firstFreePath(percent, "a%2Cb.mp4"), percent + "/a%2Cb (1).mp4");
    EXPECT_EQ(firstFreePath(percent, "x%1.mp4"), percent + "/x%1.mp4");
}

// Names at the file system's 255-byte limit: the numbered name, and a video
// without an extension whose name fills the limit, still give a file that
// can be written, cut between whole characters.
TEST(FinalName, NamesAtTheLengthLimitStayWritable)
{
    QTemporaryDir dir;
    const QString folder = dir.path();
    auto writable = [](const QString& path) {
        QFile f(path);
        const bool ok = f.open(QIODevice::WriteOnly);
        f.close();
        return ok;
    };
    const QString ascii = QString(251, QLatin1Char('a')) + ".mp4"; // 255 bytes
    touch(folder + "/" + ascii);
    const QString numbered = firstFreePath(folder, ascii);
    EXPECT_TRUE(numbered.endsWith(" (1).mp4")) << numbered.toStdString();
    EXPECT_EQ(QFileInfo(numbered).fileName().toUtf8().size(), 255);
    EXPECT_TRUE(writable(numbered));
    // The cut name is taken now: the next one is numbered on, not the same.
    const QString next = firstFreePath(folder, ascii);
    EXPECT_TRUE(next.endsWith(" (2).mp4")) << next.toStdString();

    // Two-byte and four-byte characters are never split.
    const QString wide =
        QString(60, QChar(0xe9)) + QString::fromUtf8("\xf0\x9f\x8e\x9e").repeated(32) + ".mp4";
    touch(folder + "/" + wide); // 120 + 128 + 4 = 252 bytes
    const QString cut = firstFreePath(folder, wide);
    const QByteArray bytes = QFileInfo(cut).fileName().toUtf8();
    EXPECT_LE(bytes.size(), 255);
    EXPECT_EQ(QString::fromUtf8(bytes).toUtf8(), bytes);
    EXPECT_FALSE(QFileInfo(cut).fileName().contains(QChar::ReplacementCharacter));
    EXPECT_TRUE(cut.endsWith(" (1).mp4"));
    EXPECT_TRUE(writable(cut));

    // A video named without an extension, 253 bytes long: ".mp4" would pass
    // the limit.
    const QString bare = finalVideoName("/videos/" + QString(253, QLatin1Char('b')));
    const QString fitted = firstFreePath(folder, bare);
    EXPECT_EQ(QFileInfo(fitted).fileName(), QString(251, QLatin1Char('b')) + ".mp4");
    EXPECT_TRUE(writable(fitted));
}

TEST(WorkingFolders, TheFolderItselfAndEverythingBelowCount)
{
    QTemporaryDir dir;
    const QString work = dir.path() + "/Oldreel";
    ASSERT_TRUE(QDir().mkpath(work + "/sub"));
    ASSERT_TRUE(QDir().mkpath(dir.path() + "/Oldreel2"));
    EXPECT_TRUE(liesInside(work, work));
    EXPECT_TRUE(liesInside(work + "/", work));
    EXPECT_TRUE(liesInside(work + "/sub", work));
    EXPECT_TRUE(liesInside(work + "/sub/../sub", work));
    EXPECT_TRUE(liesInside(work + "/not-yet-made", work));
    EXPECT_FALSE(liesInside(dir.path() + "/Oldreel2", work));
    EXPECT_FALSE(liesInside(dir.path(), work));
    ASSERT_TRUE(QFile::link(work + "/sub", dir.path() + "/alias"));
    EXPECT_TRUE(liesInside(dir.path() + "/alias", work));
}

TEST(FrameFiles, OnlyNamesEndingInLowerCaseJpgOneLevel)
{
    QTemporaryDir dir;
    const QString folder = dir.path();
    touch(folder + "/output_00000001.jpg");
    touch(folder + "/output_00000002.jpg");
    touch(folder + "/upper.JPG");
    touch(folder + "/other.jpeg");
    touch(folder + "/audio.wav");
    touch(folder + "/almost.jpg.part");
    ASSERT_TRUE(QDir().mkpath(folder + "/sub"));
    touch(folder + "/sub/output_00000003.jpg");
    QStringList names = listFrameNames(folder);
    names.sort();
    EXPECT_EQ(names, QStringList({"output_00000001.jpg", "output_00000002.jpg"}));
    EXPECT_TRUE(listFrameNames(folder + "/missing").isEmpty());

    EXPECT_EQ(filteredFrameName("output_00000042.jpg"), "w_output_00000042.jpg");
}

TEST(FrameFiles, EachFileIsNumberedFromTheKeptRangesFirstFrameAndHeldByTheCadence)
{
    const struct
    {
        const char* name;
        FrameFiles files;
        int crankedAt;
        const char* source;
        long long number;
    } cases[] = {
        {"output_00000001.jpg", {0, 0, 30.0}, 0, "output_00000001.jpg", 0},
        // Kept from frame 40, the 3 lead files removed: file 4 is frame 40.
        {"output_00000004.jpg", {40, 3, 30.0}, 0, "output_00000004.jpg", 40},
        {"output_00000010.jpg", {40, 3, 30.0}, 0, "output_00000010.jpg", 46},
        // 18 steps a second at 30: frames 2-3, 5-6 share a step, 4 is one alone.
        {"output_00000004.jpg", {0, 0, 30.0}, 18, "output_00000003.jpg", 2},
        {"output_00000005.jpg", {0, 0, 30.0}, 18, "output_00000005.jpg", 4},
        {"output_00000007.jpg", {0, 0, 30.0}, 18, "output_00000006.jpg", 5},
        // Frame 41's step began at 40, before the kept part: its first file.
        {"output_00000004.jpg", {41, 3, 30.0}, 18, "output_00000004.jpg", 40},
        {"output_00000006.jpg", {41, 3, 30.0}, 18, "output_00000005.jpg", 42},
        // A crank at or above the rate holds nothing.
        {"output_00000004.jpg", {0, 0, 10.0}, 18, "output_00000004.jpg", 3},
        {"frame.jpg", {40, 3, 30.0}, 18, "frame.jpg", 40},
    };
    for (const auto& k : cases) {
        const FrameSource source = frameSourceFor(k.name, k.files, k.crankedAt);
        EXPECT_EQ(source.name, k.source) << k.name << " from " << k.files.first;
        EXPECT_EQ(source.place.number, k.number) << k.name << " from " << k.files.first;
        EXPECT_EQ(source.place.rate, k.files.rate);
    }
}

TEST(FrameFiles, AFrameIsFilteredAndWrittenAsJpegOfTheSameSize)
{
    QTemporaryDir dir;
    const QString in = dir.path() + "/output_00000001.jpg";
    const QString out = dir.path() + "/w_output_00000001.jpg";
    const QImage source = ramp(96, 64);
    ASSERT_TRUE(source.save(in, "JPEG"));
    NodeImageInformation record;
    record.setB_Sepia(1);
    record.setB_Vignetting(1);

    EXPECT_EQ(filterFrameFile(in, out, record), FrameResult::Filtered);
    QImageReader reader(out);
    EXPECT_EQ(reader.format(), "jpeg");
    const QImage written = reader.read();
    ASSERT_EQ(written.size(), source.size());
    // The file holds the chain's result, not the frame as it was.
    const QImage expected =
        AppDelegate::imageVintage(AppDelegate::CGImageRefFromImage(QImage(in)), record);
    EXPECT_LT(meanDifference(written, expected), 4.0);
    // No temporary file is left beside it.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2);
}

TEST(FrameFiles, AnUndecodableFrameIsWrittenThroughAndAnUnwritableOneFails)
{
    QTemporaryDir dir;
    const QString in = dir.path() + "/output_00000001.jpg";
    touch(in, "not a picture");
    NodeImageInformation record;
    EXPECT_EQ(filterFrameFile(in, dir.path() + "/w_output_00000001.jpg", record),
              FrameResult::CopiedAsIs);
    EXPECT_EQ(readAll(dir.path() + "/w_output_00000001.jpg"), "not a picture");

    ASSERT_TRUE(ramp(8, 8).save(in, "JPEG"));
    EXPECT_EQ(filterFrameFile(in, dir.path() + "/missing/w.jpg", record), FrameResult::Failed);
    EXPECT_EQ(filterFrameFile(dir.path() + "/gone.jpg", dir.path() + "/w_gone.jpg", record),
              FrameResult::Failed);
}
