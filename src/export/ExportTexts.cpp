#include "export/ExportTexts.h"

#include "media/NameLength.h"

#include <QDir>
#include <QFileInfo>

namespace exporting {

namespace {

const QString kTimeMarker = QStringLiteral("time=");
// "time=" and the eight characters of HH:MM:SS.
constexpr qsizetype kMarkerAndPosition = 13;

bool wholePositionFollows(const QString& chunk, qsizetype at)
{
    return at + kMarkerAndPosition <= chunk.size();
}

bool pathExists(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

// The path with its links resolved as far as it exists; the missing rest is
// appended as written, so folders not yet made compare too.
QString resolvedPath(const QString& path)
{
    QString existing = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    QString rest;
    while (!existing.isEmpty() && !QFileInfo::exists(existing)) {
        const qsizetype slash = existing.lastIndexOf(QLatin1Char('/'));
        if (slash <= 0)
            return QDir::cleanPath(path);
        rest = existing.mid(slash) + rest;
        existing.truncate(slash);
    }
    return QDir::cleanPath(QFileInfo(existing).canonicalFilePath() + rest);
}

} // namespace

std::optional<QString> lastCompletePosition(const QString& chunk)
{
    qsizetype candidate = chunk.indexOf(kTimeMarker, 0, Qt::CaseSensitive);
    if (candidate < 0 || !wholePositionFollows(chunk, candidate))
        return std::nullopt;
    for (;;) {
        const qsizetype next =
            chunk.indexOf(kTimeMarker, candidate + kMarkerAndPosition, Qt::CaseInsensitive);
        if (next < 0 || !wholePositionFollows(chunk, next))
            break;
        candidate = next;
    }
    return chunk.mid(candidate + kTimeMarker.size(), 8);
}

float progressPercent(std::uint64_t seconds, float denominator)
{
    if (denominator == 0.0f)
        return 0.0f;
    return float(seconds) * 100.0f / denominator;
}

QString frameRateText(float framesPerSecond)
{
    return QString::asprintf("%f", double(framesPerSecond));
}

QString finalVideoName(const QString& videoPath)
{
    QString name = videoPath.section(QLatin1Char('/'), -1, -1, QString::SectionSkipEmpty);
    // A leading dot starts a hidden name, not an extension.
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot > 0)
        name.truncate(dot);
    return name + QStringLiteral(".mp4");
}

QString firstPathWhere(const QString& folder, const QString& fileName,
                       const std::function<bool(const QString&)>& usable)
{
    QString stem = fileName;
    QString extension;
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot > 0) {
        stem = fileName.left(dot);
        extension = fileName.mid(dot);
    }
    // A name the file system would refuse (a long video name with ".mp4", or
    // with " (1)") keeps as much of its start as fits.
    auto named = [&](const QString& suffix) {
        const qsizetype room = media::kFileNameLimit - (suffix + extension).toUtf8().size();
        const QString kept =
            stem.toUtf8().size() > room ? media::leadingCharacters(stem, room) : stem;
        return folder + QLatin1Char('/') + kept + suffix + extension;
    };
    const QString first = named(QString());
    if (usable(first))
        return first;
    for (int n = 1;; ++n) {
        // Joined, not chained through QString::arg: a "%2" in the folder or
        // the name would be taken for a place to fill.
        const QString candidate =
            named(QStringLiteral(" (") + QString::number(n) + QLatin1Char(')'));
        if (usable(candidate))
            return candidate;
    }
}

QString firstFreePath(const QString& folder, const QString& fileName)
{
    return firstPathWhere(folder, fileName, [](const QString& path) { return !pathExists(path); });
}

bool liesInside(const QString& path, const QString& folder)
{
    if (path.isEmpty() || folder.isEmpty())
        return false;
    const QString inner = resolvedPath(path);
    const QString outer = resolvedPath(folder);
    return inner == outer || inner.startsWith(outer + QLatin1Char('/')) ||
           outer == QStringLiteral("/");
}

} // namespace exporting
