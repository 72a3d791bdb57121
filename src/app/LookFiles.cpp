// File > Export Look... and Import Look...: the open video's look as a look
// file, the file that oldreel-render reads with --look and writes with
// --save-look.
#include "app/AppDelegate.h"
#include "app/LookHistory.h"
#include "lookfiles/LookFile.h"
#include "platform/Dialogs.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString kTitleExport = QStringLiteral("Export Look");
const QString kTitleImport = QStringLiteral("Import Look");
const QString kKind = QStringLiteral("Oldreel looks");

} // namespace

void AppDelegate::OnExportLook()
{
    if (!obj_Video)
        return;
    const QString suffix = QString::fromLatin1(lookfiles::kLookFileSuffix);
    // Named after the video, beside it: the panel starts there.
    const QFileInfo video(obj_Video->sPath());
    const QString path = dialogs_.runSavePanel(
        kTitleExport, kKind, suffix,
        video.absoluteDir().filePath(video.completeBaseName() + QLatin1Char('.') + suffix));
    if (path.isEmpty())
        return;
    if (QString error; !lookfiles::writeLookFile(path, *obj_Video, error))
        dialogs_.runAlert(QStringLiteral("Error"),
                          QStringLiteral("The look was not exported.\n%1").arg(error),
                          {QStringLiteral("Close")});
}

void AppDelegate::OnImportLook()
{
    if (!obj_Video)
        return;
    const QString path = dialogs_.runOpenDocumentPanel(
        kTitleImport, kKind,
        {QString::fromLatin1(lookfiles::kLookFileSuffix), QStringLiteral("json")});
    if (path.isEmpty())
        return;
    QString error;
    const std::optional<effects::Look> look = lookfiles::readLookFile(path, error);
    if (!look) {
        dialogs_.runAlert(QStringLiteral("Error"),
                          QStringLiteral("The look was not imported.\n%1").arg(error),
                          {QStringLiteral("Close")});
        return;
    }
    app::applyWholeLook(*this, *look, kTitleImport);
}
