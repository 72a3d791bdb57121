#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

// The modal dialogs the controller shows. The application uses QtDialogs;
// tests use a scripted implementation that answers and records.
class Dialogs
{
public:
    virtual ~Dialogs() = default;

    // A modal alert with a message, an informative text and buttons (first is the
    // default). Returns the index of the button pressed.
    virtual int runAlert(const QString& message, const QString& informativeText,
                         const QStringList& buttons) = 0;

    // Lets the user choose one existing file whose extension is one of `extensions`
    // (in lower or upper case). Empty when the user cancels.
    virtual QString runOpenFilePanel(const QStringList& extensions) = 0;

    // Lets the user choose one folder, showing `message`. Empty when the user cancels.
    virtual QString runOpenFolderPanel(const QString& message) = 0;
};

class QtDialogs final : public Dialogs
{
public:
    void setParentWidget(QWidget* parent) { parent_ = parent; }
    // The folder the open panel starts in, asked each time it opens.
    void setOpenFolder(std::function<QString()> folder) { openFolder_ = std::move(folder); }

    int runAlert(const QString& message, const QString& informativeText,
                 const QStringList& buttons) override;
    QString runOpenFilePanel(const QStringList& extensions) override;
    QString runOpenFolderPanel(const QString& message) override;

private:
    QWidget* parent_ = nullptr;
    std::function<QString()> openFolder_;
};
