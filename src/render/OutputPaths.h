#pragma once

#include <QSet>
#include <QString>

namespace render {

// The name of `video`'s result in `folder` (the video's own when empty): the
// first of "<video name>.mp4", "<video name> (1).mp4", ... that is neither the
// video itself nor a name given to an earlier video of this run (`claimed`,
// canonical paths). What else the folder holds plays no part, so every run
// over the same videos plans the same names: the one a plain run writes in a
// folder that holds nothing else, and the one --overwrite and --skip-existing
// look at.
QString plannedResultPath(const QString& video, const QString& folder,
                          const QSet<QString>& claimed);

// Where this run writes the result of `video`. With `replace`, the planned
// name, whatever is there, unless it is another video of the run (`inputs`,
// canonical paths): that is an error, told in `error`. Without, the planned
// name when nothing is there, else the next free one, so no file is touched.
QString resultPath(const QString& video, const QString& folder, bool replace,
                   const QSet<QString>& inputs, const QSet<QString>& claimed, QString& error);

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
