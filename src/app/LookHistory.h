#pragma once

#include "app/NodeImageInformation.h"
#include "effects/Look.h"

#include <QString>

class AppDelegate;

namespace app {

// The look as the panel shows it: which record is the open video's (a preset
// entry or a record of its own) and that record's settings.
struct LookState
{
    VideoRecord record;
    effects::Look look;
};

LookState lookNow(const AppDelegate& c);

// Puts the look of `state` back: its record becomes the open video's again
// (taking over the video's path, frames, rate and duration) with its settings,
// and the panel, the preview and the strip's outline follow.
void restoreLook(AppDelegate& c, const LookState& state);

// Records the change from `before` to the look now as one undo step named
// `text`; a change that changed nothing is not recorded. Changes of one
// control with the same nonzero `gesture` (one drag of a slider) make a
// single step.
void recordLookChange(AppDelegate& c, const LookState& before, const QString& text, int control = 0,
                      unsigned gesture = 0);

// Makes `look` the open video's whole look as one undo step named `text`,
// as an era or an imported look does. A preset entry keeps its values: the
// look then takes a record of its own.
void applyWholeLook(AppDelegate& c, const effects::Look& look, const QString& text);

// Starts a new gesture (a slider pressed) and returns its number, never 0.
unsigned beginGesture();
// The gesture in progress, 0 when none (a key press or a click on the groove).
unsigned currentGesture(bool sliderDown);

} // namespace app
