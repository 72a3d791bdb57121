#pragma once

#include <QSet>
#include <QString>

namespace render {

// Where the result of `video` goes: "<video name>.mp4" in `folder` (the
// video's own when empty). An existing file there keeps its name and the
// result takes the next free one, unless `overwrite`; even then a result of
// this same run (`written`) is never replaced, nor any video of the run
// (`inputs`, canonical paths): that is an error, told in `error`.
QString resultPath(const QString& video, const QString& folder, bool overwrite,
                   const QSet<QString>& inputs, const QSet<QString>& written, QString& error);

// The canonical path of an existing file, else its absolute path.
QString canonicalOrAbsolute(const QString& path);

} // namespace render
