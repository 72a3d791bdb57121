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

    // The document panels (look files). An implementation without them
    // answers as a user who cancels.

    // Lets the user choose one existing document whose name ends in ".<suffix>" for
    // one of `suffixes`; `title` heads the panel and `kind` names the documents
    // ("Oldreel looks"). Empty when the user cancels.
    virtual QString runOpenDocumentPanel(const QString& /*title*/, const QString& /*kind*/,
                                         const QStringList& /*suffixes*/)
    {
        return QString();
    }

    // Lets the user name a document to write, starting at `suggestedName`; the
    // name returned ends in ".<suffix>" and replacing an existing file has been
    // agreed to. Empty when the user cancels.
    virtual QString runSavePanel(const QString& /*title*/, const QString& /*kind*/,
                                 const QString& /*suffix*/, const QString& /*suggestedName*/)
    {
        return QString();
    }
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
    QString runOpenDocumentPanel(const QString& title, const QString& kind,
                                 const QStringList& suffixes) override;
    QString runSavePanel(const QString& title, const QString& kind, const QString& suffix,
                         const QString& suggestedName) override;

private:
    QWidget* parent_ = nullptr;
    std::function<QString()> openFolder_;
};
