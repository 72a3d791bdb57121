#pragma once

// Helpers for the preview, timeline and effect-control tests: a video opened
// by hand (its record, the presets' path and duration, the controls enabled,
// the kept range 0 to 100) with a fake transcoder that "extracts" a prepared
// frame and records every argument list it was given.

#include "support/TestApp.h"

#include <QColor>
#include <QEvent>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QStringList>
#include <memory>

namespace viewstest {

// Counts the paint events of the widget it is installed on.
struct PaintCounter : QObject
{
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

// A frame with a distinct colour in each quadrant, so a drawing's orientation shows.
inline QImage quadrantFrame(int width, int height)
{
    QImage frame(width, height, QImage::Format_RGB32);
    QPainter painter(&frame);
    painter.fillRect(0, 0, width / 2, height / 2, QColor(255, 0, 0));                 // upper left
    painter.fillRect(width / 2, 0, width - width / 2, height / 2, QColor(0, 255, 0)); // upper right
    painter.fillRect(0, height / 2, width / 2, height - height / 2, QColor(0, 0, 255));
    painter.fillRect(width / 2, height / 2, width - width / 2, height - height / 2,
                     QColor(255, 255, 255));
    return frame;
}

struct OpenedVideo
{
    QString videoPath;
    QString framePath;
    QString argumentLog;

    // Every argument list the fake transcoder was run with, one line each.
    QStringList runs() const
    {
        QFile file(argumentLog);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    }
    // Makes the next extractions yield `frame` (a null image: yield nothing).
    void setFrame(const QImage& frame) const
    {
        QFile::remove(framePath);
        if (!frame.isNull())
            frame.save(framePath, "BMP");
    }
};

// Opens a video `durationSeconds` long at `fps` by hand, as an Open would.
inline OpenedVideo openByHand(TestApp& app, std::int64_t durationSeconds, float fps,
                              const QImage& frame)
{
    AppDelegate& c = *app.controller;
    OpenedVideo video;
    video.videoPath = app.home.path() + "/clip.mov";
    video.framePath = app.home.path() + "/frame.bmp";
    video.argumentLog = app.home.path() + "/runs.txt";
    QFile source(video.videoPath);
    if (source.open(QIODevice::WriteOnly))
        source.write("not really a video");
    source.close();
    video.setFrame(frame);
    c.sffmpegPath = testsupport::writeScript(app.home.path() + "/fake-ffmpeg",
                                             QStringLiteral("echo \"$*\" >> '%1'\n"
                                                            "for last; do :; done\n"
                                                            "[ -f '%2' ] && cp '%2' \"$last\"\n"
                                                            "exit 0")
                                                 .arg(video.argumentLog, video.framePath));

    auto record = std::make_shared<NodeImageInformation>();
    record->setSPath(video.videoPath);
    record->setI_Duration_In_Seconds(durationSeconds);
    record->setF_FPS(fps);
    c.obj_Video = record;
    for (const VideoRecord& preset : c.array_Presets) {
        preset->setI_Duration_In_Seconds(durationSeconds);
        preset->setSPath(video.videoPath);
    }
    c.Enable_Vintage_Controls(true);
    c.f_Cut_Percent_Menor = 0.0f;
    c.f_Cut_Percent_Maior = 100.0f;
    return video;
}

} // namespace viewstest
