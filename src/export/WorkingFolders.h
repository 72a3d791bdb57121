#pragma once

#include <QString>

// The working folders that Oldreel empties at start-up and before every
// export: what makes a folder Oldreel's own, so that no folder of the user's
// is ever emptied.
namespace exporting {

// The file Oldreel writes into a working folder it made (or has taken as its own).
inline constexpr char kWorkingFolderMarker[] = ".oldreel-working-folder";

// Names Oldreel writes into each working folder: the export's working files
// (audio.wav, output.avi, outputnoaudio.avi, output.mp4, output_%08d.jpg,
// w_output_%08d.jpg) and the preview frames (any name ending ".bmp").
bool isExportWorkingName(const QString& fileName);
bool isPreviewFrameName(const QString& fileName);

enum class WorkingFolder {
    Ours,       // marked, empty, or holding only regular files whose names pass the test
    Link,       // the path itself is a symbolic link (to whatever it points at)
    Foreign,    // a folder holding anything else
    NotAFolder, // nothing there, or a file that is not a folder
};

// What stands at `path`; `isOwnName` tells the names of files Oldreel writes
// there, for a folder from before the marker existed.
WorkingFolder workingFolderAt(const QString& path, bool (*isOwnName)(const QString&));

// Writes the marker into `folder` unless it is there; false when it cannot.
bool markWorkingFolder(const QString& folder);

// The start-up alert's text for a working folder that is not Oldreel's (Link
// or Foreign), ending "Application will exit." as the others do.
QString notOursText(const QString& folder, WorkingFolder what);

} // namespace exporting
