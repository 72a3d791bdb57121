// Takes the window's widgets as the controller's references and connects the
// menu commands and control actions. Controls send their action only when the
// user changes them (check boxes: clicked; sliders: DoubleSlider::userChanged),
// so setting a control from code sends nothing.
#include "app/AppDelegate.h"
#include "app/MainWindow.h"
#include "app/PanelControls.h"
#include "views/PresetStrip.h"

#include <QApplication>
#include <QShortcut>

void AppDelegate::awakeFromNib(MainWindow* mainWindow)
{
    window = mainWindow;
    Ui::MainWindow& ui = mainWindow->ui;

    viewPreview = ui.viewPreview;
    sliderPos = ui.sliderPos;
    labelCurrentTime = ui.labelCurrentTime;
    viewCutBar = ui.viewCutBar;
    viewPresets = ui.viewPresets;
    scrollViewPresets = ui.scrollViewPresets;
    btnReset = ui.btnReset;
    btnPlayPause = ui.btnPlayPause;

    // The effect panel's controls, row by row of the settings table.
    app::wireSettings(*this);

    // The position slider reports on release (and at once for keys and the
    // wheel), so a drag asks for one frame extraction, not one per pixel
    // moved; the time follows the drag. Moved while playing, the play goes
    // on from the new position.
    sliderPos->setTracking(false);
    connect(ui.sliderPos, &DoubleSlider::userChanged, this, [this] {
        Request_Preview_Frame();
        if (isPlaying())
            Start_Playback();
    });
    connect(ui.sliderPos, &QSlider::sliderMoved, this, &AppDelegate::Show_Dragged_Position);
    connect(ui.btnReset, &QPushButton::clicked, this, &AppDelegate::OnReset);

    // Play/Pause, also on the Space bar wherever the focus is in the window.
    btnPlayPause->setEnabled(false);
    connect(ui.btnPlayPause, &QPushButton::clicked, this, &AppDelegate::OnPlayPause);
    auto* space = new QShortcut(QKeySequence(Qt::Key_Space), mainWindow);
    connect(space, &QShortcut::activated, this, &AppDelegate::OnPlayPause);

    // Open and Save stop the playback first: an open replaces the video it
    // plays, and the export needs the machine to itself.
    connect(ui.actionOpen, &QAction::triggered, this, [this] {
        Pause_Playback();
        OnOpen();
        Show_Video_Info();
    });
    connect(ui.actionSave, &QAction::triggered, this, [this] {
        Pause_Playback();
        OnSave();
    });
    connect(ui.actionImportLook, &QAction::triggered, this, &AppDelegate::OnImportLook);
    connect(ui.actionExportLook, &QAction::triggered, this, &AppDelegate::OnExportLook);
    connect(ui.actionQuit, &QAction::triggered, this, &AppDelegate::OnMenuQuit);
    connect(ui.actionAppHomePage, &QAction::triggered, this, &AppDelegate::OnMenuAppHomePage);
    connect(ui.actionCompanyHomePage, &QAction::triggered, this,
            &AppDelegate::OnMenuCompanyHomePage);
    connect(ui.actionPrivacyPolicy, &QAction::triggered, this, &AppDelegate::OnMenuPrivacyPolicy);
    connect(ui.actionSupportTicket, &QAction::triggered, this, &AppDelegate::OnMenuSupportTicket);
    connect(ui.actionAbout, &QAction::triggered, this, &AppDelegate::OnMenuAbout);
    Show_Video_Info();
    connect(mainWindow, &MainWindow::closing, this, &AppDelegate::windowWillClose);
    // Queued: the drop finishes before the probes run and any alert shows.
    // Like Open, a drop stops the playback first.
    connect(
        mainWindow, &MainWindow::videoDropped, this,
        [this](const QString& path) {
            Pause_Playback();
            Open_Video_File(path);
            Show_Video_Info();
        },
        Qt::QueuedConnection);
    views::scrollSideways(ui.scrollViewPresets);
    // Reset leaves no preset applied: the strip's outline goes.
    connect(ui.btnReset, &QPushButton::clicked, ui.viewPresets, qOverload<>(&QWidget::update));
    if (qApp)
        connect(qApp, &QCoreApplication::aboutToQuit, this, &AppDelegate::applicationWillTerminate);
    Wire_Stock_Controls(mainWindow);
    Wire_Window_Keys(mainWindow);
    Wire_Era_Controls(mainWindow);
}
