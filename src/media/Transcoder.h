#pragma once

#include <QString>
#include <QStringList>

namespace media {

// The transcoder: the file named ffmpeg in resources/ beside the executable,
// else the ffmpeg found on PATH; empty when there is none.
QString findTranscoder();

// Runs `program` with `arguments` (no shell), its standard input closed and its
// standard output and error merged, waits for its end and returns everything it
// printed, decoded as UTF-8 with invalid bytes replaced. Empty text when the
// program cannot be started.
QString runAndReadAll(const QString& program, const QStringList& arguments);

} // namespace media
