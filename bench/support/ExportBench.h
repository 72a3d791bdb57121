#pragma once

#include "app/AppDelegate.h"
#include "app/MainWindow.h"
#include "app/NodeImageInformation.h"
#include "platform/Dialogs.h"

#include <QApplication>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

// The benchmarks' whole exports: the real window and controller in a home of
// their own, the folder panel answered with `outputFolder()`, every alert
// answered with its last button ("Close") and kept.
namespace exportbench {

class AnsweringDialogs final : public Dialogs
{
public:
    QString folder;
    QStringList alerts;

    int runAlert(const QString& message, const QString& informativeText,
                 const QStringList& buttons) override;
    QString runOpenFilePanel(const QStringList&) override { return QString(); }
    QString runOpenFolderPanel(const QString&) override { return folder; }
};

class ExportRig final
{
public:
    // Points HOME at a temporary folder, then makes the application.
    ExportRig(int& argc, char** argv);

    // Starts the controller with `transcoder` and `clip` as the open video.
    void open(const QString& transcoder, const QString& clip, float framesPerSecond, qint64 seconds,
              const NodeImageInformation& look = NodeImageInformation());

    // Saves the whole video and serves events until the export ends. True when
    // it ended with the success alert; otherwise the alerts are on stderr.
    bool exportWhole();

    QString home() const { return home_.path(); }
    QString outputFolder() const { return home_.path() + QStringLiteral("/out"); }
    AppDelegate& controller() { return *controller_; }

private:
    QTemporaryDir home_; // made first and removed last
    std::unique_ptr<QApplication> application_;
    AnsweringDialogs dialogs_;
    std::unique_ptr<MainWindow> window_;
    std::unique_ptr<AppDelegate> controller_;
};

} // namespace exportbench
