#pragma once

#include "media/Clock.h"
#include "platform/ProgressIndicator.h"
#include "ui_Window_Unique_Progress.h"

#include <QDialog>
#include <QString>
#include <cstdint>

// The export's progress sheet over the main window: the step under way, the
// progress bar, the time left while frames are filtered and a cancel button.
// It is not modal in Qt's sense, since a window blocked by a modal dialog
// ignores the window manager's close and its own shortcuts; instead the main
// window's controls are disabled while the sheet is up, and closing the main
// window or Quit still ends the application.
class Window_Unique_Progress final : public QDialog
{
    Q_OBJECT
public:
    explicit Window_Unique_Progress(QWidget* parent = nullptr);
    ~Window_Unique_Progress() override;

    // Shows the sheet over the main window, whose controls stop taking input.
    void begin();

    // The cancel button: reaches the controller as the application's delegate.
    // After a first press it reads "Stop now": a second press ends the export at once.
    void OnCancel();

    // Closes the sheet for good and lets it go (the export has ended).
    void end();

    // The step under way, in plain words; the time-left line is cleared.
    void setStepText(const QString& text);
    // `done` of `total` frames have been given the look.
    void showFramesFiltered(std::int64_t done, std::int64_t total);

    Ui::Window_Unique_Progress ui;
    // The bar's minimum, maximum and value as doubles, shown on ui.progressBar.
    ProgressIndicator progressBar;

protected:
    // Escape and the sheet's close box (which QDialog turns into a reject)
    // count as a press of Cancel; the sheet itself goes only when the export ends.
    void reject() override;

private:
    void releaseMainWindow();

    bool ending_ = false;
    bool mainWindowHeld_ = false;
    media::RateEstimate filtering_{media::RateEstimate::kTicked};
};
