#pragma once

#include "support/TestApp.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

// Helpers of the export tests: an open video set up directly, a fake
// transcoder that logs its runs, and actions fired from inside nested waits.
namespace exportharness {

// Makes `path` the open video with the given facts and the whole range kept.
void openVideo(AppDelegate& controller, const QString& path, float framesPerSecond,
               qint64 durationSeconds);

// A fake transcoder in `dir`: it appends its arguments to `dir`/runs.log, runs
// `extra` (shell text that may use $last, the last argument, and may sleep or
// exit), then writes "data" to its last argument, or 5 small files when the
// last argument is a %08d pattern. Returns the script's path.
QString fakeTranscoder(const QString& dir, const QString& extra = QString());

// The argument lists of the fake's runs so far, in order.
QList<QStringList> loggedRuns(const QString& dir);

// Fires `action` once, from a 5 ms poll, as soon as `condition` holds; the poll
// also runs inside the export's nested waits. Returns a flag set once it fired.
std::shared_ptr<bool> onceWhen(std::function<bool()> condition, std::function<void()> action);

// True when no export step is armed.
bool noStepArmed(const AppDelegate& controller);

// Waits (up to `timeoutMs`) until no export is under way and no step is armed.
bool waitForExportEnd(AppDelegate& controller, int timeoutMs = 60000);

// Waits (up to `timeoutMs`) until no export is under way and none of the
// controller's timers is armed: every later run, file or alert of an export
// starts from one of them, so from then on none can come.
bool waitUntilNothingArmed(AppDelegate& controller, int timeoutMs = 10000);

// Names in `folder` starting with `prefix`.
QStringList namesStartingWith(const QString& folder, const QString& prefix);

// One test's app with a fake transcoder (given `extra`), an output folder
// and an open video ("/a/b/Holiday.clip.mov", 25 fps, 100 s).
struct ExportRig
{
    explicit ExportRig(const QString& extra = QString());
    AppDelegate& c() { return *app.controller; }
    // Chooses the output folder and starts the export.
    void save();

    TestApp app;
    QString out;
};

} // namespace exportharness
