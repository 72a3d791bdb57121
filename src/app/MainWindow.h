#pragma once

#include "ui_MainWindow.h"

#include <QMainWindow>

// The main window, built from MainWindow.ui. It only reports its closing;
// the controller does the rest.
class MainWindow final : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);

    Ui::MainWindow ui;

signals:
    void closing();

protected:
    void closeEvent(QCloseEvent* event) override;
};
