// The Save command, the transcoder runs of the export and their notices,
// cancel, and the three ways an export ends.
#include "app/AppDelegate.h"
#include "app/ExportInternal.h"
#include "app/MainWindow.h"
#include "app/widgets/Window_Unique_Progress.h"
#include "export/ExportTexts.h"
#include "export/Window_Unique_ProgressTexts.h"
#include "export/WorkingSpace.h"
#include "media/ChildProcess.h"
#include "media/ResultCheck.h"
#include "media/Transcoder.h"
#include "platform/Dialogs.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QUrl>
#include <algorithm>
#include <cmath>

namespace exporting {

void endProgressSheet(AppDelegate& c)
{
    if (Window_Unique_Progress* sheet = c.windowUniqueProgress.data())
        sheet->end();
    c.windowUniqueProgress.clear();
}

namespace {

void invalidateStepTimers(AppDelegate& c)
{
    for (AppDelegate::TimerSlot slot :
         {&AppDelegate::timerWatermarkVideoStep1, &AppDelegate::timerWatermarkVideoStep2,
          &AppDelegate::timerWatermarkVideoStep3, &AppDelegate::timerWatermarkVideoStep4,
          &AppDelegate::timerWatermarkVideoStep5, &AppDelegate::timerWatermarkVideoStep6,
          &AppDelegate::timerWatermarkVideoStep7})
        c.invalidateTimer(slot);
}

// Stops the export's running transcoder, if any, and ends the wait on it at once.
void stopTranscoder(AppDelegate& c)
{
    media::ChildRun* run = c.currentTranscoder.data();
    if (!run)
        return;
    run->dropNotices();
    run->kill();
    c.currentTranscoder.clear();
    c.terminated = 1;
}

} // namespace

void removeUnfinishedResult(AppDelegate& c)
{
    if (!c.s_Unfinished_Result.isEmpty())
        QFile::remove(c.s_Unfinished_Result);
    c.s_Unfinished_Result.clear();
}

void failExport(AppDelegate& c, const QString& informativeText)
{
    invalidateStepTimers(c);
    stopTranscoder(c);
    removeUnfinishedResult(c);
    endProgressSheet(c);
    c.m_b_Cancel_Saving = 0;
    c.m_b_Saving = 0;
    const std::int64_t available = c.freeBytes ? c.freeBytes(c.s_Output_Folder) : -1;
    c.dialogs().runAlert(QStringLiteral("Error"),
                         informativeText + diskFullNote(c.transcoderReport, available),
                         {QStringLiteral("Close")});
}

void completeExport(AppDelegate& c)
{
    c.s_Unfinished_Result.clear();
    endProgressSheet(c);
    c.m_b_Cancel_Saving = 0;
    c.m_b_Saving = 0;
    const QString folder = c.s_Output_Folder_Final;
    // The name is said: it is not always the video's own ("clip (1).mp4").
    const int answer = c.dialogs().runAlert(
        QStringLiteral("Success"),
        QStringLiteral("Video was converted successfully and saved as \u201c%1\u201d.")
            .arg(QFileInfo(c.s_Dest_Video_Path).fileName()),
        {QStringLiteral("Open Output Folder"), QStringLiteral("Close")});
    if (answer == 0)
        QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

bool cancelledAtStart(AppDelegate& c)
{
    if (!c.m_b_Cancel_Saving && c.obj_Video)
        return false;
    c.CancelWatermarking();
    return true;
}

media::Rate exportRate(const AppDelegate& c)
{
    return c.obj_Video ? media::Rate::ofSixDecimals(c.obj_Video->f_FPS()) : media::Rate{};
}

KeptFrames keptFrames(const AppDelegate& c)
{
    if (!c.obj_Video || isWholeRange(c.f_Cut_Percent_Menor, c.f_Cut_Percent_Maior))
        return {};
    const double duration = c.obj_Video->durationWithFraction();
    const media::FrameRange frames =
        media::framesBetween(duration * double(c.f_Cut_Percent_Menor) / 100.0,
                             duration * double(c.f_Cut_Percent_Maior) / 100.0, exportRate(c));
    return {frames.first, frames.count()};
}

void setProgressRange(AppDelegate& c, double maximum)
{
    if (Window_Unique_Progress* sheet = c.windowUniqueProgress.data()) {
        sheet->progressBar.setMinValue(0.0);
        sheet->progressBar.setMaxValue(maximum);
        sheet->progressBar.display();
    }
}

void setProgressValue(AppDelegate& c, double value)
{
    if (Window_Unique_Progress* sheet = c.windowUniqueProgress.data()) {
        sheet->progressBar.setDoubleValue(value);
        sheet->progressBar.display();
    }
}

void showFramesFiltered(AppDelegate& c)
{
    if (Window_Unique_Progress* sheet = c.windowUniqueProgress.data())
        sheet->showFramesFiltered(c.i_Current_Image_Index, c.arrayImages.size());
}

StepEnd runExportStep(AppDelegate& c, ProgressKind kind, const QStringList& arguments)
{
    const std::uint64_t serial = c.u_Export_Serial;
    c.u_Type_Progress = kind;
    if (Window_Unique_Progress* sheet = c.windowUniqueProgress.data())
        sheet->setStepText(stepText(kind));
    const AppDelegate::RunEnd end = c.runTranscoderAndWait(arguments);
    if (!c.m_b_Saving || c.u_Export_Serial != serial)
        return StepEnd::Abandoned;
    if (end == AppDelegate::RunEnd::Silenced) {
        failExport(c, QStringLiteral("Export failed: the transcoder stopped responding."));
        return StepEnd::Abandoned;
    }
    const bool ran = end == AppDelegate::RunEnd::ExitedWell;
    // A failed write ("No space left on device") fails the step even when
    // the transcoder says all went well.
    return ran && !media::reportsWriteError(c.transcoderReport) ? StepEnd::Ran : StepEnd::Failed;
}

bool hasContent(const QString& path)
{
    const QFileInfo info(path);
    return info.isFile() && info.size() > 0;
}

} // namespace exporting

void AppDelegate::OnSave()
{
    if (m_b_Saving) {
        // Save during an export is a press of the sheet's cancel button.
        OnCancel();
        return;
    }
    if (!obj_Video) {
        dialogs_.runAlert(QStringLiteral("Error"), QStringLiteral("There is no video opened."),
                          {QStringLiteral("Close")});
        return;
    }
    // Every export begins by emptying the working folder: a video kept there
    // would be deleted under its own export.
    if (exporting::liesInside(obj_Video->sPath(), s_Output_Folder)) {
        dialogs_.runAlert(QStringLiteral("Error"),
                          QStringLiteral("This video lies in Oldreel's working folder, which is "
                                         "emptied before every export. Please move it to another "
                                         "folder and open it again."),
                          {QStringLiteral("Close")});
        return;
    }
    if (exporting::keptFrames(*this).count == 0) {
        dialogs_.runAlert(QStringLiteral("Error"),
                          QStringLiteral("The kept range holds no frame. Please drag the cut "
                                         "handles apart and save again."),
                          {QStringLiteral("Close")});
        return;
    }
    m_b_Cancel_Saving = 0;
    m_b_Saving = 1;
    const QString folder = dialogs_.runOpenFolderPanel(
        QStringLiteral("Select an output folder to save the converted video."));
    if (folder.isEmpty()) {
        m_b_Cancel_Saving = 0;
        m_b_Saving = 0;
        return;
    }
    // The working folders are emptied before every export and at start-up, so
    // a video written into one of them would be deleted unasked.
    if (exporting::liesInside(folder, s_Output_Folder) ||
        exporting::liesInside(folder, s_Thumbnails_Folder)) {
        m_b_Cancel_Saving = 0;
        m_b_Saving = 0;
        dialogs_.runAlert(QStringLiteral("Error"),
                          QStringLiteral("This folder holds Oldreel's working files and is "
                                         "emptied regularly. Please choose another folder."),
                          {QStringLiteral("Close")});
        return;
    }

    s_Output_Folder_Final = folder;
    RemoveAllContentInFolder(s_Output_Folder);
    if (!exporting::enoughWorkingSpace(*this)) {
        m_b_Cancel_Saving = 0;
        m_b_Saving = 0;
        return;
    }
    ++u_Export_Serial;
    exporting::endProgressSheet(*this);
    auto* sheet = new Window_Unique_Progress(window.data());
    windowUniqueProgress = sheet;
    sheet->begin();
    scheduleTimer(&AppDelegate::timerWatermarkVideoStep1, 0.1,
                  &AppDelegate::TimerWatermarkVideoRoutineStep1);
}

AppDelegate::RunEnd AppDelegate::runTranscoderAndWait(const QStringList& arguments)
{
    terminated = 0;
    transcoderReport.clear();
    auto* run = new media::ChildRun(this);
    run->onOutput = [this](const QByteArray& data) { outData(data); };
    run->onErrors = [this](const QByteArray& data) { errData(data); };
    run->onEnded = [this] { terminatedNotice(); };
    currentTranscoder = run;
    run->start(sffmpegPath, arguments, transcoderSilenceLimitMs);

    while (!terminated)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);

    const RunEnd end = run->silenced()     ? RunEnd::Silenced
                       : run->exitedWell() ? RunEnd::ExitedWell
                                           : RunEnd::Failed;
    transcoderReport = run->report();
    run->dropNotices();
    if (currentTranscoder == run)
        currentTranscoder.clear();
    run->deleteLater();
    return end;
}

void AppDelegate::terminatedNotice()
{
    // A run that a cancel has let go gives no notice: it was killed and its
    // notices dropped.
    if (media::ChildRun* run = currentTranscoder.data())
        run->dropNotices();
    terminated = 1;
    if (u_Type_Progress == exporting::EncodingMp4)
        exporting::endProgressSheet(*this);
}

void AppDelegate::CancelWatermarking()
{
    exporting::invalidateStepTimers(*this);
    m_b_Cancel_Saving = 0;
    m_b_Saving = 0;
    exporting::stopTranscoder(*this);
    exporting::removeUnfinishedResult(*this);
    exporting::endProgressSheet(*this);
}

void AppDelegate::OnCancel()
{
    if (m_b_Cancel_Saving)
        CancelWatermarking();
    else
        m_b_Cancel_Saving = 1;
}

void AppDelegate::errData(const QByteArray& data)
{
    if (data.isEmpty() || u_Type_Progress > exporting::EncodingMp4)
        return;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(data);
    if (decoder.hasError())
        return;
    const std::optional<QString> position = exporting::lastCompletePosition(text);
    if (!position)
        return;
    const auto seconds = std::uint64_t(Return_Seconds_From_VOB_Duration_Str(*position));
    // Every run works on the kept range alone, its times counted from its start.
    exporting::setProgressValue(
        *this, double(exporting::progressPercent(seconds, float(u_Duration_Segment_in_Seconds))));
}

void AppDelegate::outData(const QByteArray&)
{
    // Nothing of standard output is used; the run has read it, so the child
    // never blocks on a full pipe.
}
