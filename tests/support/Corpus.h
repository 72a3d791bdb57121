#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// Small clips with the traits of camera, phone and screen-recorder files,
// made with ffmpeg at test time, and what ffprobe measures of a file.
namespace corpus {

struct Clip
{
    const char* name;   // file name, its extension choosing the container
    const char* about;  // what kind of user's file it stands for
    QStringList ffmpeg; // ffmpeg's arguments before the output name
    QStringList remux;  // when not empty, a second run: -i made <remux> final
};

// Every clip of the corpus.
const QList<Clip>& clips();

// Makes `clip` as `folder`/`clip.name`; true when it was written.
bool make(const Clip& clip, const QString& folder);

struct Measured
{
    double rate = 0.0;        // the picture's avg_frame_rate
    double nominalRate = 0.0; // its r_frame_rate
    QString rateText;         // as ffprobe prints it ("30000/1001")
    int frames = 0;           // frames decoded
    double pictureSeconds = 0.0;
    double pictureStart = 0.0;  // after the file's start (its sound)
    double displayAspect = 0.0; // width × sample aspect / height, turned
    int displayWidth = 0;
    int displayHeight = 0;
    std::optional<double> soundSeconds;
};

// What ffprobe reads of `path` (its first picture and sound streams).
Measured measure(const QString& path);

} // namespace corpus
