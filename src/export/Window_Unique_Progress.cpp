#include "export/Window_Unique_Progress.h"

#include "app/AppDelegate.h"

#include <QPushButton>

Window_Unique_Progress::Window_Unique_Progress(QWidget* parent) : QDialog(parent)
{
    ui.setupUi(this);
    setWindowModality(Qt::WindowModal);
    progressBar.attach(ui.progressBar);
    connect(ui.cancelButton, &QPushButton::clicked, this, &Window_Unique_Progress::OnCancel);
}

void Window_Unique_Progress::OnCancel()
{
    if (AppDelegate* controller = AppDelegate::shared())
        controller->OnCancel();
}

void Window_Unique_Progress::end()
{
    ending_ = true;
    done(QDialog::Accepted);
    deleteLater();
}

void Window_Unique_Progress::reject()
{
    if (ending_)
        QDialog::reject();
    else
        OnCancel();
}
