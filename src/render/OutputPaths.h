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

// A path as the user gave it, without "." parts, doubled or trailing slashes
// ("./out//x.mp4" gives "out/x.mp4"). ".." parts stay: through a link they
// do not cancel the part before them.
QString tidyPath(const QString& path);

// Makes the output folder and the folders above it that are missing; empty
// when done, else why not in one line.
QString makeOutputFolder(const QString& folder);

} // namespace render
