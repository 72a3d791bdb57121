#include "app/MainWindow.h"

#include "app/AppDelegate.h"

#include <QCloseEvent>

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent)
{
    ui.setupUi(this);
    // The window's size limit: no axis below what windowWillResize allows.
    setMinimumSize(AppDelegate::windowWillResize(QSizeF(0.0, 0.0)).toSize());
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    emit closing();
    event->accept();
}
