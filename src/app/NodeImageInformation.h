#pragma once

#include "effects/Look.h"
#include "media/VideoFacts.h"

#include <QImage>
#include <QList>
#include <QString>
#include <cstdint>
#include <memory>

// One video's facts (path, duration, frame rate, preview frames) together with
// a complete set of effect settings (its Look). The open video and every
// preset are such records; choosing a preset makes that very record the open
// video, so records are shared through std::shared_ptr.
class NodeImageInformation final : public effects::Look
{
public:
    const QString& sPath() const { return sPath_; }
    void setSPath(const QString& value) { sPath_ = value; }
    const QString& sDuration() const { return sDuration_; }
    void setSDuration(const QString& value) { sDuration_ = value; }
    std::int64_t i_Duration_In_Seconds() const { return i_Duration_In_Seconds_; }
    void setI_Duration_In_Seconds(std::int64_t value) { i_Duration_In_Seconds_ = value; }
    float f_FPS() const { return f_FPS_; }
    void setF_FPS(float value) { f_FPS_ = value; }
    // Everything the probes read beyond the fields above: the duration with
    // its hundredths, the exact rate, the stored size and pixel shape.
    const media::VideoFacts& videoFacts() const { return videoFacts_; }
    void setVideoFacts(const media::VideoFacts& value) { videoFacts_ = value; }
    // The duration with its hundredths when the probe read it, else the
    // whole seconds: what positions and cut times are computed from.
    double durationWithFraction() const
    {
        return videoFacts_.durationSeconds > 0.0 ? videoFacts_.durationSeconds
                                                 : double(i_Duration_In_Seconds_);
    }
    const QImage& imgVideo() const { return imgVideo_; }
    void setImgVideo(const QImage& value) { imgVideo_ = value; }
    const QImage& imgThumbnail() const { return imgThumbnail_; }
    void setImgThumbnail(const QImage& value) { imgThumbnail_ = value; }

private:
    QString sPath_;
    QString sDuration_;
    std::int64_t i_Duration_In_Seconds_ = 0;
    float f_FPS_ = 0.0f;
    media::VideoFacts videoFacts_;
    QImage imgVideo_;
    QImage imgThumbnail_;
};

using VideoRecord = std::shared_ptr<NodeImageInformation>;

// Appends one record per preset look (effects::presetLooks), in index order.
void appendPresets(QList<VideoRecord>& presets);
