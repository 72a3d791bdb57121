#pragma once

#include "support/TestApp.h"

#include <QByteArray>
#include <QString>

// Helpers of the acceptance tests: the user's commands as the window sends
// them, and checks that nothing of the user's was touched.
namespace acceptance {

// Serves events until `done` holds or `seconds` pass; returns `done`.
bool waitFor(const std::function<bool()>& done, int seconds);

// Opens `path` through the File menu (the panel answers with it).
void openThroughMenu(TestApp& app, const QString& path);

// Saves into `folder` through the File menu and waits for the export to end
// with an alert. Returns that alert, or an empty one after `seconds`.
ScriptedDialogs::Alert saveThroughMenu(TestApp& app, const QString& folder, int seconds = 120);

// The file's bytes' checksum (empty for a missing file).
QByteArray checksum(const QString& path);

} // namespace acceptance
