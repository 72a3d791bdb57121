#include "export/FrameFiltering.h"

#include "effects/VintageChain.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QSaveFile>

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

FrameResult filterFrameFile(const QString& framePath, const QString& outputPath,
                            const effects::Look& look)
{
    const QImage frame(framePath);
    if (frame.isNull())
        return copyThrough(framePath, outputPath);
    const QImage filtered = effects::imageVintage(effects::CGImageRefFromImage(frame), look);
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
