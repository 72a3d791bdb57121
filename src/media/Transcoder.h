#pragma once

#include <QString>
#include <QStringList>

namespace media {

// The transcoder: the file named ffmpeg in resources/ beside the executable,
// else the ffmpeg found on PATH; empty when there is none.
QString findTranscoder();

// How long a child of the runners below may stay silent (print nothing on
// either channel) before it is taken for hung: it is killed and reaped, and
// the run gives what a program that could not start gives.
inline constexpr int kSilenceLimitMs = 20000;
// The same for a step of the window's export (a ChildRun): a long encode
// still reports its progress twice a second.
inline constexpr int kStepSilenceLimitMs = 60000;

// The blocking runs, for probes and preview frames: each runs one
// ChildProcess on the calling thread and waits for its end.
//
// Runs `program` with `arguments` (no shell), its standard input closed and its
// standard output and error merged, waits for its end and returns everything it
// printed, decoded as UTF-8 with invalid bytes replaced. Empty text when the
// program cannot be started, stays silent for `silenceLimitMs`, or the run is
// cancelled (cancelAllRuns).
QString runAndReadAll(const QString& program, const QStringList& arguments,
                      int silenceLimitMs = kSilenceLimitMs);

// Runs `program` as runAndReadAll does but returns only its standard output,
// as bytes (machine-readable output such as ffprobe's JSON); its standard
// error is kept aside, unread (it still counts as a sign of life). Empty when
// the program cannot be started, stays silent or the run is cancelled.
QByteArray runAndReadOutput(const QString& program, const QStringList& arguments,
                            int silenceLimitMs = kSilenceLimitMs);

// Ends the runs of runAndReadAll and runAndReadOutput under way and every
// later one at once: their children are killed and they return nothing.
// For a program that is being interrupted; safe from any thread.
void cancelAllRuns();

// The prober (ffprobe) that belongs with `transcoder`: the file named ffprobe
// beside it, else the one found on PATH; empty when there is none.
QString proberFor(const QString& transcoder);

// Seconds as ffmpeg reads them in -ss and -t, to the microsecond it counts in.
QString secondsText(double seconds);

} // namespace media
