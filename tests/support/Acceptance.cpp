#include "support/Acceptance.h"

#include <QCryptographicHash>
#include <QFile>
#include <QTest>

namespace acceptance {

bool waitFor(const std::function<bool()>& done, int seconds)
{
    return QTest::qWaitFor(done, seconds * 1000);
}

void openThroughMenu(TestApp& app, const QString& path)
{
    app.dialogs.filePanelAnswers.enqueue(path);
    app.window->ui.actionOpen->trigger();
}

ScriptedDialogs::Alert saveThroughMenu(TestApp& app, const QString& folder, int seconds)
{
    const qsizetype before = app.dialogs.alerts.size();
    app.dialogs.folderPanelAnswers.enqueue(folder);
    app.dialogs.alertAnswers.enqueue(1); // "Close" on success, harmless on an error
    app.window->ui.actionSave->trigger();
    waitFor([&] { return app.dialogs.alerts.size() > before && !app.controller->m_b_Saving; },
            seconds);
    if (app.dialogs.alerts.size() <= before)
        return {};
    return app.dialogs.alerts.last();
}

QByteArray checksum(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&file);
    return hash.result().toHex();
}

} // namespace acceptance
