#pragma once

#include <QString>

namespace media {

// Removes from `folder` the unfinished results that a renderer which died
// left behind: hidden regular files named ".NAME.mp4.PID-N.part" (as the frame
// writer names its temporary beside the result) whose PID runs no more.
// Anything else is left alone: other names, links, folders, and the files of
// a process that still runs (or whose pid cannot be told dead). Returns how
// many files it removed.
int removeDeadPartFiles(const QString& folder);

} // namespace media
