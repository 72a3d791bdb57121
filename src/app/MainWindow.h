#pragma once

#include "ui_MainWindow.h"

#include <QMainWindow>
#include <QString>

class QMimeData;

// The main window, built from MainWindow.ui. It reports its closing and a
// video dropped on it; the controller does the rest.
class MainWindow final : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);

    Ui::MainWindow ui;

    // While an export runs, the window's controls and its Open and Save
    // commands take no input; Quit and closing still end the application.
    void setExportRunning(bool running);

signals:
    void closing();
    void videoDropped(const QString& path);

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};

namespace app {

// The local file that a drop of `data` would open: exactly one file (not a
// folder) whose extension is one of the video types, in any case. Empty for
// anything else: several files, a folder, another type, text.
QString droppedVideoPath(const QMimeData* data);

} // namespace app
