#pragma once

#include "platform/Dialogs.h"

#include <QList>
#include <QQueue>
#include <QString>
#include <QStringList>
#include <functional>

// Answers the controller's dialogs from a script and records every alert.
class ScriptedDialogs final : public Dialogs
{
public:
    struct Alert
    {
        QString message;
        QString informativeText;
        QStringList buttons;
    };

    // Answers, taken in order; an empty queue answers "cancel" (panels) or the
    // last button (alerts).
    QQueue<QString> filePanelAnswers;
    QQueue<QString> folderPanelAnswers;
    QQueue<QString> savePanelAnswers;
    QQueue<int> alertAnswers;

    QList<Alert> alerts;
    QList<QStringList> filePanelExtensions;
    QStringList folderPanelMessages;
    // The name each save panel suggested.
    QStringList savePanelSuggestions;

    // Runs inside an alert, before it returns (for instance to check state).
    std::function<void(const Alert&)> onAlert;

    int runAlert(const QString& message, const QString& informativeText,
                 const QStringList& buttons) override;
    QString runOpenFilePanel(const QStringList& extensions) override;
    QString runOpenFolderPanel(const QString& message) override;
    // Answered from filePanelAnswers, its suffixes recorded in filePanelExtensions.
    QString runOpenDocumentPanel(const QString& title, const QString& kind,
                                 const QStringList& suffixes) override;
    QString runSavePanel(const QString& title, const QString& kind, const QString& suffix,
                         const QString& suggestedName) override;
};
