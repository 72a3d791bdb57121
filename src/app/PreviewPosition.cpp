// The preview position: the slider held inside the kept range, the time
// shown, the frame extracted, and the preset strip prepared from that frame.
#include "app/AppDelegate.h"
#include "app/ExportInternal.h"
#include "app/widgets/PreviewImageView.h"
#include "app/widgets/View_Presets_Thumbnails.h"
#include "projector/Cadence.h"
#include "views/DoubleSlider.h"
#include "views/ImageFitting.h"
#include "views/PresetStrip.h"
#include "views/PreviewTime.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <algorithm>
#include <cmath>

namespace {

// `percent` held inside the kept range, as OnChangePos holds the slider.
float heldPosition(const AppDelegate& c, float percent)
{
    return std::clamp(percent, c.f_Cut_Percent_Menor,
                      std::max(c.f_Cut_Percent_Menor, c.f_Cut_Percent_Maior));
}

// The label shows the time at `percent`, held inside the kept range.
void showPositionTime(AppDelegate& c, float percent)
{
    if (!c.obj_Video || !c.labelCurrentTime)
        return;
    c.labelCurrentTime->setText(views::labelText(
        views::previewTime(c.obj_Video->durationWithFraction(), heldPosition(c, percent))));
}

// The number, at the export's rate, of the frame extracted at `time`: the
// first at or after it, or the last one for a time within the last.
long long previewFrameNumber(const AppDelegate& c, const views::PreviewTime& time)
{
    const media::Rate rate = exporting::exportRate(c);
    if (!rate.isKnown())
        return 0;
    long long number = media::firstFrameAtOrAfter(views::previewSeconds(time), rate);
    const long long frames = c.obj_Video->videoFacts().pictureFramesFrom(rate, 0);
    if (frames > 0)
        number = std::min(number, frames - 1);
    return std::max(0LL, number);
}

} // namespace

projector::FramePlace AppDelegate::Preview_Frame_Place(const effects::Look& look) const
{
    const double rate = exporting::exportRate(*this).perSecond();
    if (!(rate > 0.0))
        return {};
    return {projector::heldFrame(i_Preview_Frame_Number, rate, look.i_Cadence()), rate, 1.0};
}

void AppDelegate::Request_Preview_Frame()
{
    if (!obj_Video || !sliderPos)
        return;
    showPositionTime(*this, sliderPos->floatValue());
    // Back where the frame shown was taken (an arrow key against an end of
    // the kept range, say): the slider goes back there, and nothing is run.
    const float held = heldPosition(*this, sliderPos->floatValue());
    if (held == f_Preview_Frame_Percent && obj_Video->sPath() == s_Preview_Frame_Video) {
        invalidateTimer(&AppDelegate::timerPreviewFrame);
        sliderPos->setDoubleValue(double(held));
        return;
    }
    // Key repeats and wheel notches come faster than a frame is extracted: the
    // extraction waits until the events already queued have been handled, and
    // then runs once, for the position the slider has reached by then.
    scheduleTimer(&AppDelegate::timerPreviewFrame, 0.0, &AppDelegate::OnChangePos);
}

void AppDelegate::Show_Dragged_Position(int position)
{
    if (sliderPos)
        showPositionTime(*this, float(position / sliderPos->scale()));
}

void AppDelegate::Follow_Playhead()
{
    // Not while the user holds the slider: the play goes on from where it is
    // let go.
    if (!sliderPos || sliderPos->isSliderDown())
        return;
    if (const std::optional<float> percent = playheadPercent())
        sliderPos->setDoubleValue(double(*percent));
}

void AppDelegate::OnChangePos()
{
    if (!obj_Video || !sliderPos)
        return;
    // A direct call makes a pending coalesced extraction needless.
    invalidateTimer(&AppDelegate::timerPreviewFrame);

    if (f_Cut_Percent_Menor > sliderPos->floatValue())
        sliderPos->setDoubleValue(double(f_Cut_Percent_Menor));
    else if (sliderPos->floatValue() > f_Cut_Percent_Maior)
        sliderPos->setDoubleValue(double(f_Cut_Percent_Maior));

    const views::PreviewTime time =
        views::previewTime(obj_Video->durationWithFraction(), sliderPos->floatValue());
    if (labelCurrentTime)
        labelCurrentTime->setText(views::labelText(time));

    // Stored even when absent: a failed extraction leaves the preview black.
    // The frame is kept in the effect chain's pixel layout, so that every
    // redraw hands it to the chain without converting 2 million pixels again.
    obj_Video->setImgVideo(Generate_Thumbnail(views::seekText(time))
                               .convertToFormat(QImage::Format_RGBA8888_Premultiplied));
    f_Preview_Frame_Percent = sliderPos->floatValue();
    s_Preview_Frame_Video = obj_Video->sPath();
    i_Preview_Frame_Number = previewFrameNumber(*this, time);
    const QImage frame = obj_Video->imgVideo();

    // Every preset gets the same scaled thumbnail; QImage copies are values,
    // so scaling once gives each preset its own image, as scaling per preset would.
    const QSizeF thumbnailSize =
        return_Best_Fit_Frame(QSizeF(frame.size()),
                              QSizeF(views::kThumbnailFrame, views::kThumbnailFrame))
            .size();
    const QImage thumbnail = Scale_Image(frame, thumbnailSize);
    for (const VideoRecord& preset : array_Presets) {
        preset->setImgThumbnail(thumbnail);
        preset->setImgVideo(frame);
    }

    sizePresetThumbnailsImageStrip =
        QSizeF(double(array_Presets.size()) * views::kStripCellWidth, views::kStripHeight);
    const QSize stripSize = sizePresetThumbnailsImageStrip.toSize();
    if (viewPresets) {
        viewPresets->setFixedSize(stripSize);
        if (scrollViewPresets && scrollViewPresets->widget() != viewPresets)
            scrollViewPresets->setWidget(viewPresets);
    }
    imgPresetThumbnails = QImage(stripSize, QImage::Format_ARGB32_Premultiplied);
    imgPresetThumbnails.fill(Qt::transparent);

    u_Preset_Index = 0;
    // While an export runs its flags stay as they are: clearing them here
    // would drop the export's state and a pending cancel.
    if (!m_b_Saving)
        m_b_Cancel_Saving = 0;
    scheduleTimer(&AppDelegate::timerCreatePresetThumbnails, 0.1,
                  &AppDelegate::TimerPresetThumbnailsRoutine);

    Draw_Era_Thumbnails();
    if (viewPresets)
        viewPresets->update();
    if (viewPreview)
        viewPreview->update();
    // A video with a frame shown can be played.
    if (btnPlayPause)
        btnPlayPause->setEnabled(true);
    Show_Video_Info();
}
