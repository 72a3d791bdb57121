#include "render/OutputPaths.h"

#include "export/ExportTexts.h"

#include <QFileInfo>
#include <filesystem>
#include <system_error>

namespace render {

QString canonicalOrAbsolute(const QString& path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

QString resultPath(const QString& video, const QString& folder, bool overwrite,
                   const QSet<QString>& inputs, const QSet<QString>& written, QString& error)
{
    const QString target = folder.isEmpty() ? QFileInfo(video).absolutePath() : folder;
    const QString name = exporting::finalVideoName(video);
    if (!overwrite)
        return exporting::firstFreePath(target, name);
    const QString path = target + QLatin1Char('/') + name;
    const QString key = canonicalOrAbsolute(path);
    if (key == canonicalOrAbsolute(video)) {
        error = QStringLiteral("the result %1 would be the video itself").arg(path);
        return QString();
    }
    if (inputs.contains(key)) {
        error =
            QStringLiteral("the result %1 would replace another video being rendered").arg(path);
        return QString();
    }
    // Two videos of one name in different folders: the second takes a free name.
    if (written.contains(key))
        return exporting::firstFreePath(target, name);
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
