#include "export/FrameFiltering.h"

#include "pictures/ImageBitmaps.h"
#include "pictures/VintageImage.h"
#include "projector/Cadence.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QRegularExpression>
#include <QSaveFile>
#include <algorithm>

namespace exporting {

namespace {

bool writeAtomically(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

FrameResult copyThrough(const QString& framePath, const QString& outputPath)
{
    QFile frame(framePath);
    if (!frame.open(QIODevice::ReadOnly))
        return FrameResult::Failed;
    return writeAtomically(outputPath, frame.readAll()) ? FrameResult::CopiedAsIs
                                                        : FrameResult::Failed;
}

} // namespace

QStringList listFrameNames(const QString& folder)
{
    const QStringList entries = QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
    QStringList frames;
    for (const QString& name : entries) {
        if (name.endsWith(QStringLiteral(".jpg"), Qt::CaseSensitive))
            frames.append(name);
    }
    return frames;
}

QString filteredFrameName(const QString& frameName)
{
    QString base = frameName;
    const qsizetype dot = base.lastIndexOf(QLatin1Char('.'));
    if (dot > 0)
        base.truncate(dot);
    return QStringLiteral("w_") + base + QStringLiteral(".jpg");
}

std::optional<long long> frameFileNumber(const QString& frameName)
{
    static const QRegularExpression pattern(QStringLiteral("^output_(\\d{8,})\\.jpg$"));
    const QRegularExpressionMatch match = pattern.match(frameName);
    bool ok = false;
    const long long number = match.hasMatch() ? match.captured(1).toLongLong(&ok) : 0;
    if (!ok || number < 1)
        return std::nullopt;
    return number;
}

FrameSource frameSourceFor(const QString& frameName, const FrameFiles& files, int crankedAt)
{
    const std::optional<long long> file = frameFileNumber(frameName);
    if (!file)
        return {frameName, {files.first, files.rate, 1.0}};
    const long long frame = files.first - files.lead + *file - 1;
    const long long held = projector::heldFrame(frame, files.rate, crankedAt);
    const long long heldFile = std::max(held, files.first) - files.first + files.lead + 1;
    return {QString::asprintf("output_%08lld.jpg", heldFile), {held, files.rate, 1.0}};
}

FrameResult filterFrameFile(const QString& framePath, const QString& outputPath,
                            const effects::Look& look, const projector::FramePlace& place)
{
    const QImage frame(framePath);
    if (frame.isNull())
        return copyThrough(framePath, outputPath);
    const QImage filtered = pictures::vintageImage(pictures::bitmapFromImage(frame), look, place);
    if (filtered.isNull())
        return copyThrough(framePath, outputPath);

    QSaveFile file(outputPath);
    if (!file.open(QIODevice::WriteOnly))
        return FrameResult::Failed;
    if (!filtered.save(&file, "JPEG", kFilteredFrameJpegQuality)) {
        file.cancelWriting();
        return FrameResult::Failed;
    }
    return file.commit() ? FrameResult::Filtered : FrameResult::Failed;
}

} // namespace exporting
