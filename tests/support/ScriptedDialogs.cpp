#include "support/ScriptedDialogs.h"

int ScriptedDialogs::runAlert(const QString& message, const QString& informativeText,
                              const QStringList& buttons)
{
    const Alert alert{message, informativeText, buttons};
    alerts.append(alert);
    if (onAlert)
        onAlert(alert);
    if (!alertAnswers.isEmpty())
        return alertAnswers.dequeue();
    return int(buttons.size()) - 1;
}

QString ScriptedDialogs::runOpenFilePanel(const QStringList& extensions)
{
    filePanelExtensions.append(extensions);
    return filePanelAnswers.isEmpty() ? QString() : filePanelAnswers.dequeue();
}

QString ScriptedDialogs::runOpenFolderPanel(const QString& message)
{
    folderPanelMessages.append(message);
    return folderPanelAnswers.isEmpty() ? QString() : folderPanelAnswers.dequeue();
}
