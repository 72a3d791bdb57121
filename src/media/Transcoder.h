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

// Runs `program` as runAndReadAll does but returns only its standard output,
// as bytes (machine-readable output such as ffprobe's JSON); its standard
// error is discarded. Empty when the program cannot be started.
QByteArray runAndReadOutput(const QString& program, const QStringList& arguments);

// The prober (ffprobe) that belongs with `transcoder`: the file named ffprobe
// beside it, else the one found on PATH; empty when there is none.
QString proberFor(const QString& transcoder);

} // namespace media
