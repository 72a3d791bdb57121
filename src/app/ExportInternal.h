#pragma once

#include "export/Window_Unique_ProgressTexts.h"
#include "media/Clock.h"

#include <QString>
#include <QStringList>
#include <cstdint>

class AppDelegate;

// What the export's step files share: ending the export in its three ways and
// running one transcoder step, checking the disk. Defined in ExportDriver.cpp and
// ExportSpace.cpp.
namespace exporting {

// Ends the progress sheet on the main window, if one is up, and empties the slot.
void endProgressSheet(AppDelegate& controller);

// Removes the final file that Step 7 had begun to write, if any.
void removeUnfinishedResult(AppDelegate& controller);

// Ends a running export with the alert "Error" / `informativeText` / "Close":
// no step is armed any more, the sheet closes and both flags are cleared.
void failExport(AppDelegate& controller, const QString& informativeText);

// Ends a completed export: both flags cleared, the success alert, and the
// chosen folder opened when the user asks for it.
void completeExport(AppDelegate& controller);

// The start of every step: true (and the export ended) when a cancel was
// asked for, or when the open video has gone.
bool cancelledAtStart(AppDelegate& controller);

// The export's frame rate as Steps 2 and 5 give it to the transcoder (six
// decimals); unknown without an open video.
media::Rate exportRate(const AppDelegate& controller);

// The frames of the open video's kept range, by number at the export's rate
// (those whose times n / rate lie in the range, as playback plays them):
// `count` of them from `first`, or every frame (count -1) when nothing is cut.
struct KeptFrames
{
    long long first = 0;
    long long count = -1;
};
KeptFrames keptFrames(const AppDelegate& controller);

// Sets the bar's range and value (when given) and asks it to redraw.
void setProgressRange(AppDelegate& controller, double maximum);
void setProgressValue(AppDelegate& controller, double value);

// Shows on the sheet how many frames have been given the look, and the time left.
void showFramesFiltered(AppDelegate& controller);

enum class StepEnd {
    Ran,       // the transcoder ran and exited with status 0
    Failed,    // it could not start or exited with an error
    Abandoned, // the export has ended during the wait: cancelled, another
               // begun, or failed because the transcoder stopped responding
};

// Sets u_Type_Progress, runs the transcoder with `arguments` and waits for it.
// A transcoder that stops responding fails the export here.
StepEnd runExportStep(AppDelegate& controller, ProgressKind kind, const QStringList& arguments);

// True when the working folder's disk has room for the export of the open
// video. Otherwise shows the alert "Error" (how much is needed, how much is
// free) with the button "Close" and returns false. Without a preview frame
// the frame size is unknown, and nothing is checked.
bool enoughWorkingSpace(AppDelegate& controller);

// True when `path` names a file with at least one byte in it.
bool hasContent(const QString& path);

} // namespace exporting
