#include "app/MainWindow.h"

#include "app/AppDelegate.h"
#include "media/VideoFiles.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

namespace app {

QString droppedVideoPath(const QMimeData* data)
{
    if (!data || !data->hasUrls())
        return QString();
    const QList<QUrl> urls = data->urls();
    if (urls.size() != 1 || !urls.first().isLocalFile())
        return QString();
    const QFileInfo file(urls.first().toLocalFile());
    if (!file.isFile() || !media::hasVideoExtension(file.fileName()))
        return QString();
    return file.absoluteFilePath();
}

} // namespace app

namespace {

// A drop is offered only when it names one video and no export runs, so the
// cursor says no to everything else while it is dragged.
bool acceptsDrop(const QMimeData* data)
{
    const AppDelegate* controller = AppDelegate::shared();
    return controller && !controller->m_b_Saving && !app::droppedVideoPath(data).isEmpty();
}

} // namespace

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent)
{
    ui.setupUi(this);
    // The window's size limit: no axis below what windowWillResize allows.
    setMinimumSize(AppDelegate::windowWillResize(QSizeF(0.0, 0.0)).toSize());
    setAcceptDrops(true);
}

void MainWindow::setExportRunning(bool running)
{
    ui.centralwidget->setEnabled(!running);
    ui.actionOpen->setEnabled(!running);
    ui.actionSave->setEnabled(!running);
    // Only ever running with a video open: after it, the look's commands are back.
    ui.actionImportLook->setEnabled(!running);
    ui.actionExportLook->setEnabled(!running);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    emit closing();
    event->accept();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (acceptsDrop(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void MainWindow::dragMoveEvent(QDragMoveEvent* event)
{
    if (acceptsDrop(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void MainWindow::dropEvent(QDropEvent* event)
{
    if (!acceptsDrop(event->mimeData())) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    emit videoDropped(app::droppedVideoPath(event->mimeData()));
}
