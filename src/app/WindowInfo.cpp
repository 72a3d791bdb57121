// The window's texts about the open video: its length beside the position,
// the kept range under the cut bar, its properties, and the hint that shows
// while no video is open.
#include "app/AppDelegate.h"
#include "app/MainWindow.h"
#include "views/PreviewTime.h"
#include "views/VideoInfoText.h"

#include <QLabel>

void AppDelegate::Show_Video_Info()
{
    if (!window)
        return;
    Ui::MainWindow& ui = window->ui;
    ui.labelEmptyHint->setVisible(!obj_Video);
    if (!obj_Video)
        return;
    const double duration = obj_Video->durationWithFraction();
    // Computed as the position label computes 100 %, so the two agree to the
    // millisecond at the end.
    ui.labelTotalDuration->setText(QStringLiteral("/ ") +
                                   views::labelText(views::previewTime(duration, 100.0f)));
    const views::KeptRangeTexts kept =
        views::keptRangeTexts(duration, f_Cut_Percent_Menor, f_Cut_Percent_Maior);
    ui.labelKeptStart->setText(QStringLiteral("Start ") + kept.start);
    ui.labelKeptEnd->setText(QStringLiteral("End ") + kept.end);
    ui.labelKeptLength->setText(QStringLiteral("Kept ") + kept.length);
    ui.labelVideoProperties->setText(views::videoPropertiesText(obj_Video->videoFacts()));
}
