#include "app/MainWindow.h"

#include <QCloseEvent>

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent)
{
    ui.setupUi(this);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    emit closing();
    event->accept();
}
