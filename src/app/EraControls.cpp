// The row of eras above the preset strip: one button per era, its icon the
// preview's frame in that era's look. A click sets the whole look (colour,
// grain, the projector's effects, old sound) as one step of the undo history.
#include "app/AppDelegate.h"
#include "app/LookHistory.h"
#include "app/MainWindow.h"
#include "effects/EraLooks.h"
#include "effects/PresetTable.h"
#include "pictures/VintageImage.h"

#include <QBoxLayout>
#include <QToolButton>

namespace {

// The icon's box; a frame of another shape is fitted inside it.
constexpr double kEraIconWidth = 64.0;
constexpr double kEraIconHeight = 36.0;

// The era's name, what its look does and, on a line of its own, its sound.
QString eraToolTip(const effects::Era& era)
{
    QString text = QStringLiteral("%1: %2").arg(
        QString::fromUtf8(era.name), QString::fromStdString(effects::lookDescription(era.look)));
    if (era.look.b_Old_Sound())
        text += QStringLiteral("\nOld sound at %1").arg(double(era.look.f_Old_Sound()));
    return text;
}

} // namespace

void AppDelegate::Wire_Era_Controls(MainWindow* mainWindow)
{
    Ui::MainWindow& ui = mainWindow->ui;
    barEras = ui.barEras;
    auto* layout = qobject_cast<QBoxLayout*>(ui.barEras->layout());
    const auto& eras = effects::eraLooks();
    QWidget* previous = btnCompare;
    for (std::size_t i = 0; i < eras.size(); ++i) {
        auto* button = new QToolButton(ui.barEras);
        const QString name = QString::fromUtf8(eras[i].name);
        button->setObjectName(QStringLiteral("btnEra%1").arg(i + 1));
        button->setText(name);
        button->setToolTip(eraToolTip(eras[i]));
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setIconSize(QSize(int(kEraIconWidth), int(kEraIconHeight)));
        button->setFocusPolicy(Qt::TabFocus);
        // Before the row's closing spacer, in the eras' order.
        if (layout)
            layout->insertWidget(layout->count() - 1, button);
        connect(button, &QToolButton::clicked, this, [this, i] { Apply_Era(i); });
        btnEras.append(button);
        // Tab reaches the eras between the position controls and the strip.
        if (previous)
            QWidget::setTabOrder(previous, button);
        previous = button;
    }
    if (previous && viewPresets)
        QWidget::setTabOrder(previous, viewPresets);
}

void AppDelegate::Apply_Era(std::size_t index)
{
    const auto& eras = effects::eraLooks();
    if (index < eras.size())
        app::applyWholeLook(*this, eras[index].look, QString::fromUtf8(eras[index].name));
}

void AppDelegate::Draw_Era_Thumbnails()
{
    if (!obj_Video)
        return;
    const QImage& frame = obj_Video->imgVideo();
    // Twice the icon's size, so that it stays sharp on a high-density screen.
    const QSizeF size = return_Best_Fit_Frame(QSizeF(frame.size()),
                                              QSizeF(2.0 * kEraIconWidth, 2.0 * kEraIconHeight))
                            .size();
    const imagefilter::Bitmap small =
        frame.isNull() ? imagefilter::Bitmap() : CGImageRefFromImage(Scale_Image(frame, size));
    const auto& eras = effects::eraLooks();
    for (qsizetype i = 0; i < btnEras.size() && std::size_t(i) < eras.size(); ++i) {
        if (!btnEras[i])
            continue;
        const effects::Look& look = eras[std::size_t(i)].look;
        // A failed extraction leaves the buttons without a picture.
        btnEras[i]->setIcon(frame.isNull() ? QIcon()
                                           : QIcon(QPixmap::fromImage(pictures::vintageImage(
                                                 small, look, Preview_Frame_Place(look)))));
    }
}
