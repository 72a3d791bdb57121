// The window's keys beyond its menus: the Edit menu's Undo and Redo of the
// look, I and O for the kept range, comma and period for single frames, Space
// for Play/Pause where no button takes it, the held Compare key and button,
// the tab order and the focus ring.
#include "app/AppDelegate.h"
#include "app/LookHistory.h"
#include "app/MainWindow.h"
#include "app/PanelControls.h"
#include "app/widgets/PreviewImageView.h"
#include "app/widgets/View_Cut_Range.h"
#include "app/widgets/View_Presets_Thumbnails.h"
#include "views/DoubleSlider.h"
#include "views/FocusRing.h"

#include <QAbstractButton>
#include <QApplication>
#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QUndoStack>

namespace {

// Keys that reach the window itself: Space is left to a focused button, check
// box or the preset strip, which use it, instead of the Play/Pause shortcut;
// the Compare key shows the frame without the look for as long as it is held.
class WindowKeyFilter final : public QObject
{
public:
    WindowKeyFilter(AppDelegate& c, QWidget* window) : QObject(window), c_(&c) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // The window may outlive its controller (it is closed after it goes).
        if (!c_)
            return QObject::eventFilter(watched, event);
        switch (event->type()) {
        case QEvent::ShortcutOverride: {
            auto* key = static_cast<QKeyEvent*>(event);
            const QWidget* focus = QApplication::focusWidget();
            if (key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier &&
                (qobject_cast<const QAbstractButton*>(focus) ||
                 qobject_cast<const View_Presets_Thumbnails*>(focus))) {
                event->accept();
                return true;
            }
            break;
        }
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() != Qt::Key_Backslash)
                break;
            if (!key->isAutoRepeat())
                c_->Set_Comparing(event->type() == QEvent::KeyPress);
            return true;
        }
        case QEvent::WindowDeactivate:
            // A release that goes to another window must not leave the look off.
            if (!c_->btnCompare || !c_->btnCompare->isDown())
                c_->Set_Comparing(false);
            break;
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QPointer<AppDelegate> c_;
};

// Places `widget` right after `anchor` in whichever box layout holds it.
bool insertAfter(QLayout* layout, QWidget* anchor, QWidget* widget)
{
    if (!layout)
        return false;
    if (auto* box = qobject_cast<QBoxLayout*>(layout)) {
        const int at = box->indexOf(anchor);
        if (at >= 0) {
            box->insertWidget(at + 1, widget);
            return true;
        }
    }
    for (int i = 0; i < layout->count(); ++i)
        if (insertAfter(layout->itemAt(i)->layout(), anchor, widget))
            return true;
    return false;
}

void addShortcut(QWidget* window, const QKeySequence& keys, AppDelegate* c,
                 void (AppDelegate::*action)())
{
    auto* shortcut = new QShortcut(keys, window);
    QObject::connect(shortcut, &QShortcut::activated, c, action);
}

} // namespace

void AppDelegate::Wire_Window_Keys(MainWindow* mainWindow)
{
    Ui::MainWindow& ui = mainWindow->ui;

    // Edit ▸ Undo / Redo, between File and Help. Nothing changes the look
    // while an export runs, so neither does the history then.
    auto* edit = new QMenu(QStringLiteral("&Edit"), mainWindow);
    ui.menubar->insertMenu(ui.menuHelp->menuAction(), edit);
    QUndoStack& history = Look_History();
    const struct
    {
        QString name;
        QList<QKeySequence> keys;
        bool (QUndoStack::*can)() const;
        void (QUndoStack::*step)();
        void (QUndoStack::*canChanged)(bool);
        void (QUndoStack::*textChanged)(const QString&);
    } steps[] = {
        {QStringLiteral("Undo"),
         {QKeySequence(Qt::CTRL | Qt::Key_Z)},
         &QUndoStack::canUndo,
         &QUndoStack::undo,
         &QUndoStack::canUndoChanged,
         &QUndoStack::undoTextChanged},
        {QStringLiteral("Redo"),
         {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)},
         &QUndoStack::canRedo,
         &QUndoStack::redo,
         &QUndoStack::canRedoChanged,
         &QUndoStack::redoTextChanged},
    };
    for (const auto& s : steps) {
        QAction* action = edit->addAction(s.name);
        action->setShortcuts(s.keys);
        action->setEnabled((history.*s.can)());
        const QString name = s.name;
        connect(&history, s.canChanged, action, &QAction::setEnabled);
        connect(&history, s.textChanged, action, [action, name](const QString& text) {
            action->setText(text.isEmpty() ? name : name + QLatin1Char(' ') + text);
        });
        const auto step = s.step;
        connect(action, &QAction::triggered, this, [this, step] {
            if (!m_b_Saving && undoLook)
                (undoLook->*step)();
        });
    }

    addShortcut(mainWindow, QKeySequence(Qt::Key_I), this, &AppDelegate::Set_Cut_Start_Here);
    addShortcut(mainWindow, QKeySequence(Qt::Key_O), this, &AppDelegate::Set_Cut_End_Here);
    auto* back = new QShortcut(QKeySequence(Qt::Key_Comma), mainWindow);
    connect(back, &QShortcut::activated, this, [this] { Step_Frame(-1); });
    auto* forward = new QShortcut(QKeySequence(Qt::Key_Period), mainWindow);
    connect(forward, &QShortcut::activated, this, [this] { Step_Frame(1); });
    mainWindow->installEventFilter(new WindowKeyFilter(*this, mainWindow));

    // Compare: the frame without the look while the button is held.
    btnCompare = new QPushButton(QStringLiteral("Compare"), mainWindow);
    btnCompare->setToolTip(
        QStringLiteral("Hold to see the frame without the look (or hold the \\ key)"));
    btnCompare->setFocusPolicy(Qt::TabFocus);
    if (!insertAfter(ui.btnPlayPause->parentWidget()->layout(), ui.btnPlayPause, btnCompare))
        btnCompare->hide();
    connect(btnCompare, &QPushButton::pressed, this, [this] { Set_Comparing(true); });
    connect(btnCompare, &QPushButton::released, this, [this] { Set_Comparing(false); });

    // The strip takes the focus itself (its scroll area passes it on), and Tab
    // goes from the position controls to the strip, then down the panel.
    viewPresets->setFocusPolicy(Qt::StrongFocus);
    scrollViewPresets->setFocusPolicy(Qt::NoFocus);
    QList<QWidget*> order{sliderPos, btnPlayPause, btnCompare, viewPresets};
    order << app::settingWidgets(*this) << btnReset;
    for (qsizetype i = 1; i < order.size(); ++i)
        if (order[i - 1] && order[i])
            QWidget::setTabOrder(order[i - 1], order[i]);

    new views::FocusRing(mainWindow);
}

void AppDelegate::Set_Comparing(bool comparing)
{
    if (b_Comparing == comparing)
        return;
    // Played frames arrive with the look already applied: comparing pauses
    // on the frame shown, so the original of that very frame can be shown.
    if (comparing)
        Pause_Playback();
    b_Comparing = comparing;
    if (viewPreview)
        viewPreview->update();
}

namespace {

// Where I and O take the position from: the frame playing, else the slider.
std::optional<float> positionHere(const AppDelegate& c)
{
    if (!c.obj_Video || c.m_b_Saving || !c.sliderPos)
        return std::nullopt;
    if (const std::optional<float> playing = c.playheadPercent())
        return playing;
    return c.sliderPos->floatValue();
}

void showCut(AppDelegate& c)
{
    if (c.viewCutBar)
        c.viewCutBar->update();
    if (c.viewPreview)
        c.viewPreview->update();
}

} // namespace

// A start past the end keeps the rest of the video (the end goes to 100 %);
// an end before the start keeps all before it. Then the released-handle
// routine runs, as after a drag of that handle.
void AppDelegate::Set_Cut_Start_Here()
{
    const std::optional<float> here = positionHere(*this);
    if (!here)
        return;
    f_Cut_Percent_Menor = *here;
    if (f_Cut_Percent_Maior < *here)
        f_Cut_Percent_Maior = 100.0f;
    showCut(*this);
    Show_Video_Info();
    Update_Crop_Menor();
}

void AppDelegate::Set_Cut_End_Here()
{
    const std::optional<float> here = positionHere(*this);
    if (!here)
        return;
    f_Cut_Percent_Maior = *here;
    if (f_Cut_Percent_Menor > *here)
        f_Cut_Percent_Menor = 0.0f;
    showCut(*this);
    Show_Video_Info();
    Update_Crop_Maior();
}
