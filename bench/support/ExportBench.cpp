#include "support/ExportBench.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>

namespace exportbench {

int AnsweringDialogs::runAlert(const QString& message, const QString& informativeText,
                               const QStringList& buttons)
{
    alerts << message + QStringLiteral(": ") + informativeText;
    return int(buttons.size()) - 1;
}

ExportRig::ExportRig(int& argc, char** argv)
{
    qputenv("HOME", home_.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (home_.path() + QStringLiteral("/.config")).toUtf8());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    application_ = std::make_unique<QApplication>(argc, argv);
}

void ExportRig::open(const QString& transcoder, const QString& clip, float framesPerSecond,
                     qint64 seconds, const NodeImageInformation& look)
{
    dialogs_.folder = outputFolder();
    QDir().mkpath(dialogs_.folder);
    window_ = std::make_unique<MainWindow>();
    controller_ = std::make_unique<AppDelegate>(dialogs_);
    controller_->exitProcess = [](int) {};
    controller_->awakeFromNib(window_.get());
    controller_->applicationDidFinishLaunching();
    controller_->sffmpegPath = transcoder;
    auto record = std::make_shared<NodeImageInformation>(look);
    record->setSPath(clip);
    record->setF_FPS(framesPerSecond);
    record->setI_Duration_In_Seconds(seconds);
    controller_->obj_Video = record;
    controller_->f_Cut_Percent_Menor = 0.0f;
    controller_->f_Cut_Percent_Maior = 100.0f;
}

bool ExportRig::exportWhole()
{
    dialogs_.alerts.clear();
    controller_->OnSave();
    while (controller_->m_b_Saving)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (dialogs_.alerts.size() == 1 && dialogs_.alerts[0].startsWith(QStringLiteral("Success")))
        return true;
    std::fprintf(stderr, "export did not succeed: %s\n",
                 qPrintable(dialogs_.alerts.join(QStringLiteral("; "))));
    return false;
}

} // namespace exportbench
