#pragma once

#include "platform/Dialogs.h"

#include <QString>
#include <QStringList>

// What the probe and preview benchmarks share: dialogs that answer nothing,
// and clips made once with ffmpeg and kept in the temporary folder.
namespace benchclips {

class SilentDialogs final : public Dialogs
{
public:
    int runAlert(const QString&, const QString&, const QStringList&) override { return 0; }
    QString runOpenFilePanel(const QStringList&) override { return {}; }
    QString runOpenFolderPanel(const QString&) override { return {}; }
};

// $TMPDIR/`name`, made by the transcoder with `arguments` (its inputs and
// codec options, without the output) unless it is already there. Written to a
// side name first, so a run stopped half-way leaves no partial clip behind.
QString cachedClip(const QString& name, const QStringList& arguments);

} // namespace benchclips
