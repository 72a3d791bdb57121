#include "support/ExportHarness.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <memory>

namespace exportharness {

void openVideo(AppDelegate& c, const QString& path, float framesPerSecond, qint64 durationSeconds)
{
    auto record = std::make_shared<NodeImageInformation>();
    record->setSPath(path);
    record->setF_FPS(framesPerSecond);
    record->setI_Duration_In_Seconds(durationSeconds);
    c.obj_Video = record;
    c.f_Cut_Percent_Menor = 0.0f;
    c.f_Cut_Percent_Maior = 100.0f;
}

QString fakeTranscoder(const QString& dir, const QString& extra)
{
    // Built by concatenation: the shell text holds % signs of its own.
    const QString log = QStringLiteral("'") + dir + QStringLiteral("/runs.log'");
    const QString body = QStringLiteral("for a in \"$@\"; do printf '%s\\n' \"$a\"; done >> ") +
                         log + QStringLiteral("\nprintf -- '--\\n' >> ") + log +
                         QStringLiteral("\nlast=''; for a in \"$@\"; do last=\"$a\"; done\n") +
                         extra +
                         QStringLiteral("\ncase \"$last\" in\n"
                                        "  *%08d*) for n in 1 2 3 4 5; do printf 'frame' > "
                                        "\"$(printf \"$last\" \"$n\")\"; done ;;\n"
                                        "  *) printf 'data' > \"$last\" ;;\n"
                                        "esac\n");
    return testsupport::writeScript(dir + QStringLiteral("/fake-ffmpeg"), body);
}

QList<QStringList> loggedRuns(const QString& dir)
{
    QFile log(dir + QStringLiteral("/runs.log"));
    QList<QStringList> runs;
    if (!log.open(QIODevice::ReadOnly))
        return runs;
    QStringList current;
    for (const QByteArray& line : log.readAll().split('\n')) {
        if (line == "--") {
            runs.append(current);
            current.clear();
        } else if (!line.isEmpty()) {
            current.append(QString::fromUtf8(line));
        }
    }
    return runs;
}

std::shared_ptr<bool> onceWhen(std::function<bool()> condition, std::function<void()> action)
{
    auto fired = std::make_shared<bool>(false);
    auto* poll = new QTimer(QCoreApplication::instance());
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, fired, condition, action] {
        if (*fired || !condition())
            return;
        *fired = true;
        poll->stop();
        poll->deleteLater();
        action();
    });
    poll->start();
    return fired;
}

bool noStepArmed(const AppDelegate& c)
{
    return !c.timerWatermarkVideoStep1 && !c.timerWatermarkVideoStep2 &&
           !c.timerWatermarkVideoStep3 && !c.timerWatermarkVideoStep4 &&
           !c.timerWatermarkVideoStep5 && !c.timerWatermarkVideoStep6 &&
           !c.timerWatermarkVideoStep7;
}

bool waitForExportEnd(AppDelegate& c, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (!c.m_b_Saving && noStepArmed(c) && !c.currentTranscoder)
            return true;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return false;
}

bool waitUntilNothingArmed(AppDelegate& c, int timeoutMs)
{
    return QTest::qWaitFor(
        [&] {
            const QList<QTimer*> timers = c.findChildren<QTimer*>();
            return !c.m_b_Saving && !c.currentTranscoder &&
                   std::none_of(timers.begin(), timers.end(),
                                [](const QTimer* timer) { return timer->isActive(); });
        },
        timeoutMs);
}

QStringList namesStartingWith(const QString& folder, const QString& prefix)
{
    QStringList names;
    for (const QString& name : QDir(folder).entryList(QDir::Files, QDir::Name)) {
        if (name.startsWith(prefix))
            names.append(name);
    }
    return names;
}

ExportRig::ExportRig(const QString& extra)
{
    out = app.home.path() + "/out";
    QDir().mkpath(out);
    app.controller->sffmpegPath = fakeTranscoder(app.home.path(), extra);
    // The fake writes no real video to check.
    app.controller->resultCheck = [](const QString&, const media::ExpectedResult&) {
        return QString();
    };
    openVideo(c(), "/a/b/Holiday.clip.mov", 25.0f, 100);
}

void ExportRig::save()
{
    app.dialogs.folderPanelAnswers.enqueue(out);
    c().OnSave();
}

} // namespace exportharness
