// Playing the open video in the preview: Play/Pause, the position the play
// starts from and stops at, and what each shown frame updates.
#include "app/AppDelegate.h"
#include "app/widgets/PreviewImageView.h"
#include "app/widgets/View_Cut_Range.h"
#include "media/PictureFilters.h"
#include "platform/Dialogs.h"
#include "views/DoubleSlider.h"
#include "views/ImageFitting.h"
#include "views/PreviewPlayback.h"
#include "views/PreviewTime.h"

#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <cmath>

namespace {

// The picture's exact rate; the probed frames per second, to the thousandth,
// when the report gave none.
media::Rate playbackRate(const NodeImageInformation& record)
{
    const media::Rate rate = record.videoFacts().rate();
    if (rate.isKnown())
        return rate;
    return {std::llround(double(record.f_FPS()) * 1000.0), 1000};
}

// The full frame's size: what the export filters and the still preview shows.
QSize fullFrameSize(const NodeImageInformation& record)
{
    const media::VideoFacts& facts = record.videoFacts();
    if (facts.width > 0 && facts.height > 0)
        return QSize(facts.displayWidth(), facts.displayHeight());
    return record.imgVideo().size();
}

void showPlayState(QPushButton* button, bool playing)
{
    if (button)
        button->setText(playing ? QStringLiteral("Pause") : QStringLiteral("Play"));
}

} // namespace

void AppDelegate::OnPlayPause()
{
    if (isPlaying())
        Pause_Playback();
    else
        Start_Playback();
}

views::PreviewPlayback& AppDelegate::Playback()
{
    if (!playback) {
        playback = new views::PreviewPlayback(this);
        connect(playback, &views::PreviewPlayback::frameShown, this,
                &AppDelegate::Playback_Frame_Shown);
        connect(playback, &views::PreviewPlayback::failed, this, &AppDelegate::Playback_Failed);
    }
    return *playback;
}

bool AppDelegate::isPlaying() const
{
    return playback && playback->isPlaying();
}

double AppDelegate::Playback_Reference_Seconds() const
{
    if (!obj_Video)
        return 0.0;
    // The one the slider, the label and the export's cut take.
    return obj_Video->durationWithFraction();
}

bool AppDelegate::Start_Playback()
{
    if (!obj_Video || m_b_Saving || !sliderPos || !viewPreview)
        return false;
    views::PreviewPlayback::Source source;
    source.transcoder = sffmpegPath;
    source.videoPath = obj_Video->sPath();
    source.rate = playbackRate(*obj_Video);
    // Frames are decoded and rendered at the size the preview shows them
    // (never above the full frame), so the chain works on no pixel that the
    // screen would throw away.
    const QSize full = fullFrameSize(*obj_Video);
    const double ratio = viewPreview->devicePixelRatioF();
    const QRectF fit = return_Best_Fit_Frame(QSizeF(full), QSizeF(viewPreview->size()) * ratio);
    if (!full.isEmpty() && !fit.isEmpty()) {
        source.width = std::min(full.width(), std::max(2, int(std::lround(fit.width()))));
        source.height = std::min(full.height(), std::max(2, int(std::lround(fit.height()))));
        source.grainScale = double(source.width) / double(full.width());
    }
    const media::VideoFacts& facts = obj_Video->videoFacts();
    if (facts.hasPicture && source.width > 0 && source.height > 0) {
        source.pictureFilter = media::sourcePictureFilter(facts, source.width, source.height);
        source.constantRate = facts.needsConstantRate();
    }

    const double reference = Playback_Reference_Seconds();
    const media::Rate rate = source.rate;
    const auto keptRange = [this, reference, rate] {
        return media::framesBetween(double(f_Cut_Percent_Menor) * reference / 100.0,
                                    double(f_Cut_Percent_Maior) * reference / 100.0, rate);
    };
    const media::FrameRange range = keptRange();
    // From the slider's frame; at or past the range's end, from its start.
    long long first =
        media::firstFrameAtOrAfter(double(sliderPos->floatValue()) * reference / 100.0, rate);
    if (first < range.first || first > range.last)
        first = range.first;

    const bool started = Playback().start(source, first, [this, keptRange] {
        views::PreviewPlayback::Settings settings;
        if (obj_Video)
            settings.look = *obj_Video;
        settings.range = keptRange();
        return settings;
    });
    if (!started) {
        dialogs_.runAlert(QStringLiteral("Error"), playback->error(), {QStringLiteral("Close")});
        return false;
    }
    showPlayState(btnPlayPause, true);
    return true;
}

void AppDelegate::Stop_Playback()
{
    if (!isPlaying())
        return;
    playback->stop();
    showPlayState(btnPlayPause, false);
    if (viewCutBar)
        viewCutBar->update();
    if (viewPreview)
        viewPreview->update();
}

void AppDelegate::Pause_Playback()
{
    if (!isPlaying())
        return;
    const std::optional<float> percent = playheadPercent();
    Stop_Playback();
    if (!percent || !sliderPos)
        return;
    // The still is taken at the slider's time to the millisecond: the very
    // frame the playback stopped on.
    sliderPos->setDoubleValue(double(*percent));
    OnChangePos();
}

std::optional<double> AppDelegate::Playback_Shown_Seconds() const
{
    if (!playback || !playback->shownFrame() || !obj_Video)
        return std::nullopt;
    return playbackRate(*obj_Video).secondsOf(*playback->shownFrame());
}

std::optional<float> AppDelegate::playheadPercent() const
{
    if (!isPlaying() || !playback->shownFrame() || !obj_Video)
        return std::nullopt;
    const double reference = Playback_Reference_Seconds();
    if (reference <= 0.0)
        return 0.0f;
    return float(std::clamp(*Playback_Shown_Seconds() * 100.0 / reference, 0.0, 100.0));
}

void AppDelegate::Playback_Frame_Shown(long long frame)
{
    if (labelCurrentTime && obj_Video) {
        labelCurrentTime->setText(views::labelText(
            views::previewTimeAt(float(playbackRate(*obj_Video).secondsOf(frame)))));
    }
    Follow_Playhead();
    if (viewPreview)
        viewPreview->update();
    if (viewCutBar)
        viewCutBar->update();
}

void AppDelegate::Playback_Failed(const QString& error)
{
    showPlayState(btnPlayPause, false);
    if (viewCutBar)
        viewCutBar->update();
    if (viewPreview)
        viewPreview->update();
    dialogs_.runAlert(QStringLiteral("Error"),
                      QStringLiteral("The video cannot be played: %1").arg(error),
                      {QStringLiteral("Close")});
}

void AppDelegate::Step_Frame(int direction)
{
    if (!obj_Video || m_b_Saving || !sliderPos)
        return;
    Pause_Playback();
    const media::Rate rate = playbackRate(*obj_Video);
    const double reference = Playback_Reference_Seconds();
    if (!rate.isKnown() || reference <= 0.0)
        return;
    // The frame shown is the first at or after the position's time (the
    // label's, to the millisecond), as the preview extracts it.
    const views::PreviewTime time = views::previewTime(reference, sliderPos->floatValue());
    const double shown = views::previewSeconds(time);
    const long long frame = media::firstFrameAtOrAfter(shown, rate);
    const long long target = std::max(0LL, frame + (direction < 0 ? -1 : 1));
    // The target's time to the millisecond below it, so the label reads the
    // frame's own time and the extraction lands on that frame; the position
    // sits 0.4 ms above it so single-precision rounding cannot fall short.
    const double seconds =
        std::floor(double(target) * double(rate.denominator) * 1000.0 / double(rate.numerator)) /
            1000.0 +
        0.0004;
    sliderPos->setDoubleValue(std::clamp(seconds * 100.0 / reference, 0.0, 100.0));
    Request_Preview_Frame();
}
