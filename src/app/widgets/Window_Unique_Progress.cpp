#include "app/widgets/Window_Unique_Progress.h"

#include "app/AppDelegate.h"
#include "app/MainWindow.h"
#include "export/Window_Unique_ProgressTexts.h"

#include <QPushButton>

Window_Unique_Progress::Window_Unique_Progress(QWidget* parent) : QDialog(parent)
{
    ui.setupUi(this);
    setWindowModality(Qt::NonModal);
    progressBar.attach(ui.progressBar);
    ui.timeLeftLabel->clear();
    connect(ui.cancelButton, &QPushButton::clicked, this, &Window_Unique_Progress::OnCancel);
}

Window_Unique_Progress::~Window_Unique_Progress()
{
    releaseMainWindow();
}

void Window_Unique_Progress::begin()
{
    if (auto* mainWindow = qobject_cast<MainWindow*>(parentWidget())) {
        mainWindow->setExportRunning(true);
        mainWindowHeld_ = true;
    }
    show();
    raise();
    activateWindow();
}

void Window_Unique_Progress::OnCancel()
{
    if (AppDelegate* controller = AppDelegate::shared())
        controller->OnCancel();
    if (!ending_)
        ui.cancelButton->setText(QStringLiteral("Stop now"));
}

void Window_Unique_Progress::end()
{
    ending_ = true;
    releaseMainWindow();
    done(QDialog::Accepted);
    deleteLater();
}

void Window_Unique_Progress::setStepText(const QString& text)
{
    ui.messageLabel->setText(text);
    ui.timeLeftLabel->clear();
}

void Window_Unique_Progress::showFramesFiltered(std::int64_t done, std::int64_t total)
{
    // The clock starts when the first frame is done, so the time per frame
    // includes everything between two frames, the wait between ticks too.
    if (done <= 1)
        filtering_ = media::RateEstimate(media::RateEstimate::kTicked);
    filtering_.update(std::chrono::steady_clock::now(), done);
    ui.messageLabel->setText(exporting::filteringText(done, total));
    ui.timeLeftLabel->setText(
        exporting::timeLeftText(filtering_.secondsLeft(total - done).value_or(-1.0)));
}

void Window_Unique_Progress::reject()
{
    if (ending_)
        QDialog::reject();
    else
        OnCancel();
}

void Window_Unique_Progress::releaseMainWindow()
{
    if (!mainWindowHeld_)
        return;
    mainWindowHeld_ = false;
    if (auto* mainWindow = qobject_cast<MainWindow*>(parentWidget()))
        mainWindow->setExportRunning(false);
}
