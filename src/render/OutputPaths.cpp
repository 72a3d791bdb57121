#include "render/OutputPaths.h"

#include "export/ExportTexts.h"

#include <QFileInfo>
#include <filesystem>
#include <system_error>

namespace render {

namespace {

// Whether `path` may name the result of the video whose canonical path is
// `itself`: it is not the video, nor the result of an earlier video of the run.
bool plannable(const QString& path, const QString& itself, const QSet<QString>& claimed)
{
    const QString key = canonicalOrAbsolute(path);
    return key != itself && !claimed.contains(key);
}

QString targetFolder(const QString& video, const QString& folder)
{
    return folder.isEmpty() ? QFileInfo(video).absolutePath() : folder;
}

} // namespace

QString canonicalOrAbsolute(const QString& path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

QString plannedResultPath(const QString& video, const QString& folder, const QSet<QString>& claimed)
{
    const QString itself = canonicalOrAbsolute(video);
    return exporting::firstPathWhere(
        targetFolder(video, folder), exporting::finalVideoName(video),
        [&](const QString& path) { return plannable(path, itself, claimed); });
}

QString resultPath(const QString& video, const QString& folder, bool replace,
                   const QSet<QString>& inputs, const QSet<QString>& claimed, QString& error)
{
    if (!replace) {
        // The planned name or, when a file is there, the next free one.
        const QString itself = canonicalOrAbsolute(video);
        return exporting::firstPathWhere(
            targetFolder(video, folder), exporting::finalVideoName(video),
            [&](const QString& path) {
                const QFileInfo info(path);
                return plannable(path, itself, claimed) && !info.exists() && !info.isSymLink();
            });
    }
    const QString path = plannedResultPath(video, folder, claimed);
    if (inputs.contains(canonicalOrAbsolute(path))) {
        error =
            QStringLiteral("the result %1 would replace another video being rendered").arg(path);
        return QString();
    }
    return path;
}

QString tidyPath(const QString& path)
{
    if (path.isEmpty())
        return path;
    QStringList parts;
    for (const QString& part : path.split(QLatin1Char('/'), Qt::SkipEmptyParts))
        if (part != QLatin1String("."))
            parts << part;
    const QString joined = parts.join(QLatin1Char('/'));
    if (path.startsWith(QLatin1Char('/')))
        return QLatin1Char('/') + joined;
    return joined.isEmpty() ? QStringLiteral(".") : joined;
}

QString makeOutputFolder(const QString& folder)
{
    std::error_code error;
    std::filesystem::create_directories(QFile::encodeName(folder).toStdString(), error);
    if (!error)
        return QString();
    QString reason = QString::fromLocal8Bit(error.message().c_str());
    if (!reason.isEmpty())
        reason[0] = reason[0].toLower();
    return QStringLiteral("output folder %1 cannot be made: %2").arg(folder, reason);
}

} // namespace render
