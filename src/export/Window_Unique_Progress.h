#pragma once

#include "platform/ProgressIndicator.h"
#include "ui_Window_Unique_Progress.h"

#include <QDialog>

// The export's progress sheet: a window-modal dialog over the main window with
// the progress bar and a cancel button, built from Window_Unique_Progress.ui.
class Window_Unique_Progress final : public QDialog
{
    Q_OBJECT
public:
    explicit Window_Unique_Progress(QWidget* parent = nullptr);

    // The cancel button: reaches the controller as the application's delegate.
    void OnCancel();

    // Closes the sheet for good and lets it go (the export has ended).
    void end();

    Ui::Window_Unique_Progress ui;
    // The bar's minimum, maximum and value as doubles, shown on ui.progressBar.
    ProgressIndicator progressBar;

protected:
    // Escape and the window's close box (which QDialog turns into a reject)
    // count as a press of Cancel; the sheet itself goes only when the export ends.
    void reject() override;

private:
    bool ending_ = false;
};
