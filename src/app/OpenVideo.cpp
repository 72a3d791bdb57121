#include "app/AppDelegate.h"
#include "app/MainWindow.h"
#include "app/widgets/View_Cut_Range.h"
#include "app/widgets/View_Presets_Thumbnails.h"
#include "media/PictureFilters.h"
#include "media/PreviewFrames.h"
#include "media/VideoFacts.h"
#include "media/VideoFiles.h"
#include "platform/Dialogs.h"
#include "views/DoubleSlider.h"

#include <QFile>
#include <QFileInfo>

using media::videoExtensions;

void AppDelegate::OnOpen()
{
    // Opening would replace the record that the running export reads.
    if (m_b_Saving)
        return;

    const QString path = dialogs_.runOpenFilePanel(videoExtensions());
    if (path.isEmpty())
        return;
    Open_Video_File(path);
}

void AppDelegate::Open_Video_File(const QString& path)
{
    if (m_b_Saving)
        return;

    // The new record stays aside until both probes succeed, so a file that
    // cannot be probed leaves the open video as it was.
    // A name whose bytes are not UTF-8 reaches us with those bytes replaced:
    // no file has that name, and the usual alert would not say why.
    if (path.contains(QChar::ReplacementCharacter) && !QFileInfo::exists(path)) {
        dialogs_.runAlert(QStringLiteral("Error"),
                          QStringLiteral("The file's name is not valid UTF-8. Rename the file to "
                                         "open it."),
                          {QStringLiteral("Close")});
        return;
    }
    auto record = std::make_shared<NodeImageInformation>();
    // The panel keeps its positions across an Open, so the new record takes
    // the look of the one it replaces, which the panel shows: the preview,
    // playback and the export apply what the user sees. Before the first
    // video the panel shows the defaults, which a new record has.
    if (obj_Video)
        static_cast<effects::Look&>(*record) = static_cast<const effects::Look&>(*obj_Video);
    record->setSPath(path);
    // The panel offers only the video types, but a typed name passes its filter.
    if (!media::hasVideoExtension(path) || !Get_Duration(*record)) {
        dialogs_.runAlert(
            QStringLiteral("Error"),
            QStringLiteral("Could not get duration. Video will not open for edition."),
            {QStringLiteral("Close")});
        return;
    }
    // Refused before any frame is decoded: one such frame alone takes gigabytes.
    if (const QString size = record->videoFacts().oversizeText(); !size.isEmpty()) {
        dialogs_.runAlert(QStringLiteral("Error"),
                          QStringLiteral("The picture is %1 pixels, more than Oldreel can edit (at "
                                         "most 8192 on a side and 36 megapixels). Video will not "
                                         "open for edition.")
                              .arg(size),
                          {QStringLiteral("Close")});
        return;
    }
    if (!Get_FPS(*record)) {
        dialogs_.runAlert(
            QStringLiteral("Error"),
            QStringLiteral("Could not get frame rate. Video will not open for edition."),
            {QStringLiteral("Close")});
        return;
    }

    obj_Video = record;
    for (const VideoRecord& preset : std::as_const(array_Presets)) {
        preset->setI_Duration_In_Seconds(obj_Video->i_Duration_In_Seconds());
        preset->setSPath(obj_Video->sPath());
        preset->setVideoFacts(obj_Video->videoFacts());
    }
    Enable_Vintage_Controls(true);
    m_b_Cancel_Saving = 0;
    m_b_Saving = 0;
    f_Cut_Percent_Menor = 0.0f;
    f_Cut_Percent_Maior = 100.0f;
    scheduleTimer(&AppDelegate::timerSetInitialThumbnail, 1.0,
                  &AppDelegate::TimerSetInitialThumbnail);
    if (window)
        window->setWindowTitle(QStringLiteral("Oldreel \u2014 %1").arg(QFileInfo(path).fileName()));
    // The strip's outline marks the applied preset, which the new record is not.
    if (viewPresets)
        viewPresets->update();
}

void AppDelegate::TimerSetInitialThumbnail()
{
    if (sliderPos)
        sliderPos->setDoubleValue(10.0);
    OnChangePos();
    if (viewCutBar)
        viewCutBar->update();
}

QImage AppDelegate::Generate_Thumbnail(const QString& timeText)
{
    if (!obj_Video || !media::isPlainFile(obj_Video->sPath()))
        return QImage();

    const QString output =
        s_Thumbnails_Folder + QLatin1Char('/') + media::previewFrameFileName(obj_Video->sPath());
    const QStringList shape = media::sourcePictureOptions(obj_Video->videoFacts());
    // Removed first: a leftover frame must not pass for this one, and the
    // transcoder would otherwise ask whether to overwrite it.
    QFile::remove(output);
    // "-ss" before "-i" seeks in the input instead of decoding every frame up
    // to the position: as fast at the end of a long film as at its start, and
    // the same frame. A non-square-pixel picture is scaled to square pixels.
    runTranscoder(
        QStringList{QStringLiteral("-ss"), timeText, QStringLiteral("-i"), obj_Video->sPath()} +
        shape + QStringList{QStringLiteral("-vframes"), QStringLiteral("1")} +
        media::imageWriterOptions(output) + QStringList{output});
    // A time within the last frame (the end of the range, or a clip of one
    // frame) starts no new frame, so the seek gives none: the frame shown
    // there is the last one, taken by writing the last second's frames over
    // one file.
    if (!QFileInfo::exists(output))
        runTranscoder(QStringList{QStringLiteral("-sseof"), QStringLiteral("-1"),
                                  QStringLiteral("-i"), obj_Video->sPath()} +
                      shape + QStringList{QStringLiteral("-update"), QStringLiteral("1"), output});
    return QImage(output);
}
