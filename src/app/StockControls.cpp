// The effect panel's Film stock row: a .cube look-up table chosen in the open
// panel (its file's name on the button), a way back to None and the strength
// it is mixed in at. A file is checked whole when chosen: one that cannot be
// used gives an alert quoting the parser's line and changes nothing.
#include "app/AppDelegate.h"
#include "app/MainWindow.h"
#include "app/PanelControls.h"
#include "platform/Dialogs.h"
#include "stock/CubeCache.h"

#include <QFileInfo>
#include <QFontMetrics>
#include <QPushButton>

namespace {

using Record = NodeImageInformation;

// Long names are cut in the middle to the button's room.
constexpr int kNameWidth = 200;

QString chooseTip()
{
    return QStringLiteral("Choose a .cube look-up table (a film emulation or a colourist's look), "
                          "applied after the colour controls");
}

} // namespace

void AppDelegate::Wire_Stock_Controls(MainWindow* mainWindow)
{
    Ui::MainWindow& ui = mainWindow->ui;
    btnStock = ui.btnStock;
    btnStock->setToolTip(chooseTip());
    connect(ui.btnStock, &QPushButton::clicked, this, &AppDelegate::OnChooseStock);
    connect(ui.btnStockNone, &QPushButton::clicked, this, &AppDelegate::OnClearStock);
}

void AppDelegate::OnChooseStock()
{
    if (!obj_Video)
        return;
    const QString chosen = dialogs_.runOpenFilePanel({QStringLiteral("cube")});
    if (chosen.isEmpty())
        return;
    const QFileInfo file(chosen);
    const std::string path = file.absoluteFilePath().toStdString();
    const stock::LoadedCube loaded = stock::loadCube(path);
    if (!loaded.cube) {
        dialogs_.runAlert(QStringLiteral("Error"),
                          QStringLiteral("The film stock \"%1\" cannot be used: %2.")
                              .arg(file.fileName(), QString::fromStdString(loaded.error)),
                          {QStringLiteral("Close")});
        return;
    }
    app::takeText(*this, path, &Record::setS_Stock, "Film stock");
    Sync_Stock_Controls();
}

void AppDelegate::OnClearStock()
{
    app::takeText(*this, std::string(), &Record::setS_Stock, "Film stock none");
    Sync_Stock_Controls();
}

void AppDelegate::OnChangeStockStrength()
{
    Change_Setting(app::row("stockstrength"), SettingPart::Slider);
}

void AppDelegate::Sync_Stock_Controls()
{
    if (!obj_Video)
        return;
    if (btnStock) {
        const QString path = QString::fromStdString(obj_Video->s_Stock());
        const QString name = path.isEmpty() ? QStringLiteral("None") : QFileInfo(path).fileName();
        btnStock->setText(
            QFontMetrics(btnStock->font()).elidedText(name, Qt::ElideMiddle, kNameWidth));
        btnStock->setToolTip(path.isEmpty() ? chooseTip() : path);
    }
    app::syncSettings(*this, lookfiles::PanelGroup::Stock);
}
