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

QString ScriptedDialogs::runOpenDocumentPanel(const QString&, const QString&,
                                              const QStringList& suffixes)
{
    return runOpenFilePanel(suffixes);
}

QString ScriptedDialogs::runSavePanel(const QString&, const QString&, const QString&,
                                      const QString& suggestedName)
{
    savePanelSuggestions.append(suggestedName);
    return savePanelAnswers.isEmpty() ? QString() : savePanelAnswers.dequeue();
}
