#include "export/WorkingFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace exporting {

bool isExportWorkingName(const QString& fileName)
{
    // The frames' names are printed with "%08d": eight digits or more.
    static const QRegularExpression names(
        QStringLiteral("^(audio\\.wav|output\\.avi|outputnoaudio\\.avi|output\\.mp4|"
                       "(w_)?output_[0-9]{8,}\\.jpg)$"));
    return names.match(fileName).hasMatch();
}

bool isPreviewFrameName(const QString& fileName)
{
    return fileName.endsWith(QLatin1String(".bmp"));
}

WorkingFolder workingFolderAt(const QString& path, bool (*isOwnName)(const QString&))
{
    const QFileInfo info(path);
    if (info.isSymLink())
        return WorkingFolder::Link;
    if (!info.isDir())
        return WorkingFolder::NotAFolder;
    const QFileInfo marker(path + QLatin1Char('/') + QLatin1String(kWorkingFolderMarker));
    if (marker.isFile() && !marker.isSymLink())
        return WorkingFolder::Ours;
    const QFileInfoList entries = QDir(path).entryInfoList(QDir::AllEntries | QDir::Hidden |
                                                           QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries)
        if (entry.isSymLink() || !entry.isFile() || !isOwnName(entry.fileName()))
            return WorkingFolder::Foreign;
    return WorkingFolder::Ours;
}

bool markWorkingFolder(const QString& folder)
{
    QFile marker(folder + QLatin1Char('/') + QLatin1String(kWorkingFolderMarker));
    if (marker.exists())
        return true;
    if (!marker.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return false;
    return marker.write("Oldreel keeps its working files here and empties this folder "
                        "when it starts.\n") > 0;
}

QString notOursText(const QString& folder, WorkingFolder what)
{
    const QString why =
        what == WorkingFolder::Link
            ? QStringLiteral("\"%1\" is a link to another place, not a folder Oldreel made.")
            : QStringLiteral("The folder \"%1\" holds files that Oldreel did not write.");
    return why.arg(folder) +
           QStringLiteral(" Oldreel empties its working folders when it starts, so it leaves "
                          "this one as it is. Please move it elsewhere or rename it. "
                          "Application will exit.");
}

} // namespace exporting
