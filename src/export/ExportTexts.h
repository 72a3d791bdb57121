#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

// The export's computations that need no widget: reading the transcoder's
// status lines, progress values, time texts of the cut, file names.
namespace exporting {

// The position (HH:MM:SS, 8 characters) of the last status line in a chunk of
// the transcoder's standard error that is followed by a whole position. The
// first "time=" is matched with case, later ones without; a "time=" with fewer
// than 8 characters after it ends the search, and the earlier one stands.
std::optional<QString> lastCompletePosition(const QString& chunk);

// seconds × 100 / denominator in single precision; 0 for a denominator of 0
// (a video or kept range shorter than one second), so the bar never gets NaN.
float progressPercent(std::uint64_t seconds, float denominator);

// Nothing is cut only when the range is exactly 0 to 100.
inline bool isWholeRange(float startPercent, float endPercent)
{
    return startPercent == 0.0f && endPercent == 100.0f;
}

// A frame rate as the transcoder is given it: "%f" (25.000000, 29.970030).
QString frameRateText(float framesPerSecond);

// The final file's name: the video's file name, its last extension replaced
// by ".mp4" ("/a/b/Holiday.clip.mov" gives "Holiday.clip.mp4").
QString finalVideoName(const QString& videoPath);

// `folder`/`fileName` when nothing is there yet, else the first free
// "<name> (1).mp4", "<name> (2).mp4", ... so that no file is written over.
// A name that would pass the file system's 255-byte limit keeps as much of
// its start as fits (whole characters), before the number and extension.
QString firstFreePath(const QString& folder, const QString& fileName);

// The first of `folder`/`fileName`, "<name> (1).mp4", "<name> (2).mp4", ...
// (shortened as above) that `usable` accepts.
QString firstPathWhere(const QString& folder, const QString& fileName,
                       const std::function<bool(const QString&)>& usable);

// True when `path` is `folder` itself or lies anywhere below it (links resolved).
bool liesInside(const QString& path, const QString& folder);

} // namespace exporting
