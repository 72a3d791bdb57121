#pragma once

#include <QImage>
#include <QList>
#include <QString>

// Helpers of the streaming and command-line renderer tests: clips shaped like
// users' files, frames taken out of videos, picture comparison with ffmpeg's
// psnr filter, and this process's children.
namespace streamsupport {

// A clip like a phone's or camera's: testsrc2 at `rate` for `seconds`,
// stored at w×h with sample aspect `sar` ("1:1", "4:3"), and, when
// `soundSeconds` > 0, a tone of that length (it may outlast the picture).
bool makeUserClip(const QString& path, double seconds, int width, int height, const QString& rate,
                  const QString& sar, double soundSeconds);

// Frame `index` (counted from 0 in decoding order) of `video` as a PNG at
// `pngPath`, scaled to w×h with the same scaler the frame reader uses.
bool extractFrame(const QString& video, int index, int width, int height, const QString& pngPath);

// The average PSNR in dB of the luma and colour of `a` against `b` (two
// pictures of one size), by ffmpeg's psnr filter; -1 when it cannot tell.
// Identical pictures give a large value (ffmpeg reports "inf").
double psnr(const QString& a, const QString& b);

// The pids of the children of process `pid` (every thread's); this
// process's when `pid` is 0.
QList<int> childPids(long long pid = 0);

// True while a process with this pid or process group exists.
bool processExists(int pid);
bool processGroupExists(int pgid);
// True while a process with this pid runs (a zombie no longer does).
bool processRuns(int pid);

// True when a grandchild of this process (the program a child script runs)
// sleeps in a write to a full pipe while every other thread of this process
// sleeps, none in a pipe read: nothing reads that pipe any more.
bool grandchildStalledWriting();

} // namespace streamsupport
