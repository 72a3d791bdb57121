#include "app/AppDelegate.h"
#include "app/CommandLine.h"
#include "app/MainWindow.h"
#include "platform/Dialogs.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Oldreel"));
    QApplication::setDesktopFileName(QStringLiteral("oldreel"));

    MainWindow mainWindow;
    QtDialogs dialogs;
    dialogs.setParentWidget(&mainWindow);
    AppDelegate controller(dialogs);
    dialogs.setOpenFolder([&controller] { return controller.Open_Panel_Folder(); });
    controller.awakeFromNib(&mainWindow);
    controller.applicationDidFinishLaunching();
    // `oldreel FILE` (a file manager's "Open With"): the file opens as File >
    // Open would open it, once the window shows, so its alerts have a parent.
    if (const QString file = app::fileToOpen(QApplication::arguments()); !file.isEmpty())
        QTimer::singleShot(0, &controller, [&controller, file] {
            controller.Open_Video_File(file);
            controller.Show_Video_Info();
        });
    return application.exec();
}
