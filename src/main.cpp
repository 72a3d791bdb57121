#include "app/AppDelegate.h"
#include "app/MainWindow.h"
#include "platform/Dialogs.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Oldreel"));
    QApplication::setDesktopFileName(QStringLiteral("oldreel"));

    MainWindow mainWindow;
    QtDialogs dialogs;
    dialogs.setParentWidget(&mainWindow);
    AppDelegate controller(dialogs);
    controller.awakeFromNib(&mainWindow);
    controller.applicationDidFinishLaunching();
    return application.exec();
}
