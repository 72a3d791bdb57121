#pragma once

#include "media/NodeImageInformation.h"
#include "media/VideoCodecs.h"

#include <QString>
#include <QStringList>
#include <optional>

// The command line of oldreel-render: its options, their checks and the usage text.
namespace render {

// A point of the kept range: a percent of the video's length or a time.
struct TimePoint
{
    bool percent = false;
    double value = 0.0; // percent (0 to 100) or seconds

    double seconds(double durationSeconds) const
    {
        return percent ? durationSeconds * value / 100.0 : value;
    }
};

// "25%", "00:01:02.5", "01:02.5" or "62.5" (seconds); none when malformed,
// negative or above 100%.
std::optional<TimePoint> parseTimePoint(const QString& text);

struct Options
{
    QString outputFolder; // empty: beside each video
    int preset = 0;       // 0: the default look
    int era = -1;         // an index into effects::eraLooks(); -1: none
    QStringList settings; // NAME=VALUE, in the order given
    std::optional<TimePoint> from;
    std::optional<TimePoint> to;
    bool overwrite = false;
    media::VideoEncoding encoding; // --codec, --quality, --speed
    int height = 0;                // --height: the result's lines; 0: the video's own
    bool quiet = false;
    bool help = false;
    QStringList videos;
};

struct ParsedCommandLine
{
    Options options;
    QString error; // a usage error, one line; empty when the line is good
};

// Reads the arguments (the program's name excluded) and checks everything
// that does not need a video: the preset's number or the era's name, every
// --set, the range's order when both ends are of one kind, the codec's
// quality and speed, the height, the output folder, a video named twice.
ParsedCommandLine parseCommandLine(const QStringList& arguments);

// The look the options ask for: the default record, the preset's or the
// era's, with the --set changes applied. Only for options parseCommandLine
// accepted.
VideoRecord lookFromOptions(const Options& options);

QString usageText();

} // namespace render
