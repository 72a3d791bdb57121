#include "platform/Dialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

int QtDialogs::runAlert(const QString& message, const QString& informativeText,
                        const QStringList& buttons)
{
    QMessageBox box(parent_);
    box.setWindowTitle(message);
    box.setText(message);
    box.setInformativeText(informativeText);
    box.setIcon(message == QLatin1String("Error") ? QMessageBox::Warning
                                                  : QMessageBox::Information);
    QList<QAbstractButton*> added;
    for (const QString& title : buttons)
        added.append(box.addButton(title, QMessageBox::AcceptRole));
    // Return presses the first button; Escape and the close box press "Close"
    // (or, in an alert without one, the last button).
    if (!added.isEmpty()) {
        box.setDefaultButton(qobject_cast<QPushButton*>(added.first()));
        const qsizetype close = buttons.indexOf(QStringLiteral("Close"));
        box.setEscapeButton(added.at(close >= 0 ? close : added.size() - 1));
    }
    box.exec();
    const int index = int(added.indexOf(box.clickedButton()));
    return index < 0 ? int(added.size()) - 1 : index;
}

// Each extension in lower and upper case: camera files often end in .MOV or
// .MP4, and not every file dialog matches without regard to case.
static QString namePatterns(const QString& extension)
{
    return QStringLiteral("*.%1 *.%2").arg(extension.toLower(), extension.toUpper());
}

QString QtDialogs::runOpenFilePanel(const QStringList& extensions)
{
    QStringList patterns;
    for (const QString& extension : extensions)
        patterns << namePatterns(extension);
    // Look-up tables (film stocks) are asked for on their own; anything else is a video.
    const bool tables = extensions == QStringList{QStringLiteral("cube")};
    const QString filter =
        (tables ? QStringLiteral("Cube look-up tables (%1)") : QStringLiteral("Videos (%1)"))
            .arg(patterns.join(QLatin1Char(' ')));
    return QFileDialog::getOpenFileName(
        parent_, tables ? QStringLiteral("Choose a Film Stock") : QStringLiteral("Open Video"),
        !tables && openFolder_ ? openFolder_() : QString(), filter);
}

QString QtDialogs::runOpenFolderPanel(const QString& message)
{
    return QFileDialog::getExistingDirectory(parent_, message, QString(),
                                             QFileDialog::ShowDirsOnly);
}

QString QtDialogs::runOpenDocumentPanel(const QString& title, const QString& kind,
                                        const QStringList& suffixes)
{
    QStringList patterns;
    for (const QString& suffix : suffixes)
        patterns << QStringLiteral("*.") + suffix;
    return QFileDialog::getOpenFileName(
        parent_, title, openFolder_ ? openFolder_() : QString(),
        QStringLiteral("%1 (%2)").arg(kind, patterns.join(QLatin1Char(' '))));
}

QString QtDialogs::runSavePanel(const QString& title, const QString& kind, const QString& suffix,
                                const QString& suggestedName)
{
    // The suffix is added before the dialog returns, so that the question
    // about replacing a file is asked of the name that will be written.
    QFileDialog dialog(parent_, title, QString(), QStringLiteral("%1 (*.%2)").arg(kind, suffix));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(suffix);
    dialog.selectFile(suggestedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    QString name = dialog.selectedFiles().constFirst();
    if (!name.endsWith(QLatin1Char('.') + suffix, Qt::CaseInsensitive)) {
        name += QLatin1Char('.') + suffix;
        if (QFileInfo::exists(name) &&
            QMessageBox::question(
                parent_, title,
                QStringLiteral("%1 already exists. Replace it?").arg(QFileInfo(name).fileName())) !=
                QMessageBox::Yes)
            return QString();
    }
    return name;
}
