#include "app/AppDelegate.h"

#include "app/MainWindow.h"
#include "effects/PresetTable.h"
#include "export/WorkingFolders.h"
#include "media/Transcoder.h"
#include "platform/Dialogs.h"
#include "platform/Log.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QUrl>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

AppDelegate* g_sharedDelegate = nullptr;

qint64 freeBytesOnDisk(const QString& folder)
{
    const QStorageInfo storage(folder);
    return storage.isValid() ? storage.bytesAvailable() : -1;
}

void exitAtOnce(int status)
{
    std::fflush(nullptr);
    std::_Exit(status);
}

} // namespace

AppDelegate::AppDelegate(Dialogs& dialogs, QObject* parent)
    : QObject(parent), exitProcess(exitAtOnce), freeBytes(freeBytesOnDisk),
      resultCheck([this](const QString& path, const media::ExpectedResult& expected) {
          return media::resultProblem(sffmpegPath, path, expected);
      }),
      dialogs_(dialogs)
{
    g_sharedDelegate = this;
}

AppDelegate::~AppDelegate()
{
    if (g_sharedDelegate == this)
        g_sharedDelegate = nullptr;
}

AppDelegate* AppDelegate::shared()
{
    return g_sharedDelegate;
}

void AppDelegate::applicationDidFinishLaunching()
{
    m_b_Saving = 0;
    m_b_Cancel_Saving = 0;
    obj_Video.reset();
    array_Presets.clear();
    Fill_Presets();

    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    s_Output_Folder = QDir::cleanPath(documents + QStringLiteral("/Oldreel/"));
    s_Thumbnails_Folder = QDir::cleanPath(documents + QStringLiteral("/OldreelThumbnails/"));

    // Anything at the path counts as present, as the existence test does not
    // ask whether it is a folder.
    const struct
    {
        const QString& folder;
        const char* error;
        bool (*isOwnName)(const QString&);
    } workingFolders[] = {
        {s_Output_Folder, "Error #0008. Application will exit.", exporting::isExportWorkingName},
        {s_Thumbnails_Folder, "Error #0009. Application will exit.", exporting::isPreviewFrameName},
    };
    for (const auto& working : workingFolders) {
        if (QFileInfo::exists(working.folder) || QFileInfo(working.folder).isSymLink())
            continue;
        if (!QDir().mkpath(working.folder)) {
            dialogs_.runAlert(QStringLiteral("Error"), QString::fromLatin1(working.error),
                              {QStringLiteral("Close")});
            exitProcess(0);
            return;
        }
    }
    // Only a folder Oldreel made (marked), an empty one, or one from before the
    // marker that holds nothing but Oldreel's own files is emptied, and marked;
    // a link or a folder of the user's is left as it is. Both are checked
    // before either is emptied.
    for (const auto& working : workingFolders) {
        const exporting::WorkingFolder what =
            exporting::workingFolderAt(working.folder, working.isOwnName);
        if (what == exporting::WorkingFolder::Link || what == exporting::WorkingFolder::Foreign) {
            dialogs_.runAlert(QStringLiteral("Error"), exporting::notOursText(working.folder, what),
                              {QStringLiteral("Close")});
            exitProcess(0);
            return;
        }
    }
    for (const auto& working : workingFolders) {
        RemoveAllContentInFolder(working.folder);
        if (QFileInfo(working.folder).isDir() && !exporting::markWorkingFolder(working.folder))
            platform::systemLog(QStringLiteral("oops: Could not mark \"%1\" as Oldreel's "
                                               "working folder.")
                                    .arg(working.folder));
    }

    arrayImages.clear();
    sffmpegPath = media::findTranscoder();
    f_Cut_Percent_Menor = 0.0f;
    f_Cut_Percent_Maior = 0.0f;
    Enable_Vintage_Controls(false);

    if (window) {
        window->setWindowTitle(QStringLiteral("Oldreel"));
        window->show();
        window->raise();
        window->activateWindow();
    }
}

void AppDelegate::RemoveAllContentInFolder(const QString& folder)
{
    const QDir dir(folder);
    if (folder.isEmpty() || !dir.exists())
        return;
    const QFileInfoList entries =
        dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        // The marker stays: it is what makes the folder Oldreel's.
        if (entry.fileName() == QLatin1String(exporting::kWorkingFolderMarker))
            continue;
        // A link is removed itself, never followed: whatever it points to is not ours.
        QString error;
        if (entry.isDir() && !entry.isSymLink()) {
            if (!QDir(entry.absoluteFilePath()).removeRecursively())
                error = QStringLiteral("Could not remove the folder \"%1\".")
                            .arg(entry.absoluteFilePath());
        } else {
            QFile file(entry.absoluteFilePath());
            if (!file.remove())
                error = QStringLiteral("Could not remove \"%1\": %2")
                            .arg(entry.absoluteFilePath(), file.errorString());
        }
        if (!error.isEmpty())
            platform::systemLog(QStringLiteral("oops: %1").arg(error));
    }
}

QSizeF AppDelegate::windowWillResize(QSizeF proposed)
{
    return QSizeF(std::max(800.0, proposed.width()), std::max(600.0, proposed.height()));
}

void AppDelegate::windowWillClose()
{
    Terminate_App();
}

void AppDelegate::applicationWillTerminate()
{
    Terminate_App();
}

void AppDelegate::OnMenuQuit()
{
    Terminate_App();
}

void AppDelegate::Terminate_App()
{
    // The playing decoder is killed and reaped first.
    Stop_Playback();
    // A running export ends first and its transcoder is killed and reaped, so
    // no child goes on writing once the window is gone.
    if (m_b_Saving || currentTranscoder)
        CancelWatermarking();
    exitProcess(0);
}

void AppDelegate::OnMenuAppHomePage()
{
    Open_Web_Page(QStringLiteral("https://oldreel.example/"));
}

void AppDelegate::OnMenuCompanyHomePage()
{
    Open_Web_Page(QStringLiteral("https://oldreel.example/company"));
}

void AppDelegate::OnMenuPrivacyPolicy()
{
    Open_Web_Page(QStringLiteral("https://oldreel.example/privacy"));
}

void AppDelegate::OnMenuSupportTicket()
{
    Open_Web_Page(QStringLiteral("https://oldreel.example/support"));
}

void AppDelegate::Open_Web_Page(const QString& address)
{
    if (QDesktopServices::openUrl(QUrl(address)))
        return;
    // No browser, or none that the desktop knows: the address is given, so
    // the user can open it by hand.
    dialogs_.runAlert(
        QStringLiteral("Error"),
        QStringLiteral("No web browser could be opened. The page is at %1").arg(address),
        {QStringLiteral("Close")});
}

void AppDelegate::OnMenuAbout()
{
    dialogs_.runAlert(QStringLiteral("Oldreel %1").arg(QStringLiteral(OLDREEL_VERSION)),
                      QStringLiteral("Gives a video an old-film look.\nVersion %1, built with Qt "
                                     "%2.")
                          .arg(QStringLiteral(OLDREEL_VERSION), QString::fromLatin1(qVersion())),
                      {QStringLiteral("Close")});
}

QString AppDelegate::Open_Panel_Folder() const
{
    if (obj_Video) {
        const QString folder = QFileInfo(obj_Video->sPath()).absolutePath();
        if (QFileInfo(folder).isDir())
            return folder;
    }
    const QString videos = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
    if (!videos.isEmpty() && QFileInfo(videos).isDir())
        return videos;
    return QDir::homePath();
}

void AppDelegate::Fill_Presets()
{
    appendPresets(array_Presets);
}

void AppDelegate::invalidateTimer(TimerSlot slot)
{
    if (QTimer* timer = (this->*slot).data()) {
        timer->stop();
        timer->deleteLater();
    }
    (this->*slot).clear();
}

void AppDelegate::scheduleTimer(TimerSlot slot, double seconds, Routine routine)
{
    invalidateTimer(slot);
    auto* timer = new QTimer(this);
    timer->setSingleShot(true);
    timer->setTimerType(Qt::PreciseTimer);
    timer->setInterval(int(seconds * 1000.0 + 0.5));
    connect(timer, &QTimer::timeout, this, [this, timer, slot, routine] {
        // A fired one-shot timer is gone: its slot reads empty before the routine runs.
        if ((this->*slot) == timer)
            (this->*slot).clear();
        timer->deleteLater();
        (this->*routine)();
    });
    this->*slot = timer;
    timer->start();
}
