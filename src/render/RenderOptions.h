#pragma once

#include "effects/Look.h"
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

// "25%", "00:01:02.5", "01:02.5", "62.5" (seconds), "1.5s" or "1500ms";
// none when malformed, negative or above 100%.
std::optional<TimePoint> parseTimePoint(const QString& text);

// How progress is shown on standard error: a live bar on a terminal, plain
// lines elsewhere (Automatic picks one of the two), or JSON lines for wrappers.
enum class ProgressStyle { Automatic, Bar, Plain, Json };

struct Options
{
    QString outputFolder; // empty: beside each video
    int preset = 0;       // 0: the default look
    int era = -1;         // an index into effects::eraLooks(); -1: none
    QStringList settings; // NAME=VALUE, in the order given
    QString lookFile;     // --look: a look file, the base instead of a preset or an era
    std::optional<effects::Look> fileLook; // its look, read by parseCommandLine
    QString saveLook; // --save-look: where the look the options make is written
    bool listPresets = false;
    std::optional<TimePoint> from;
    std::optional<TimePoint> to;
    bool overwrite = false;
    bool skipExisting = false;     // a whole result at the planned name is kept
    int jobs = 1;                  // videos rendered at once
    media::VideoEncoding encoding; // --codec, --quality, --speed
    int height = 0;                // --height: the result's lines; 0: the video's own
    bool quiet = false;
    bool help = false;
    bool version = false;
    ProgressStyle progress = ProgressStyle::Automatic;
    QStringList videos; // tidied: no "./" or doubled slashes
};

struct ParsedCommandLine
{
    Options options;
    QString error; // a usage error, one line; empty when the line is good
};

// Reads the arguments (the program's name excluded) and checks everything
// that does not need a video: the preset's number, the era's name or the
// look file, every --set, the range's order when both ends are of one kind,
// the codec's quality and speed, the height, the output folder (one that is missing must be one
// that can be made), a video named twice. With
// --save-look no video is needed. Short options may be clustered: "-qo DIR", "-qoDIR", "-qp4".
ParsedCommandLine parseCommandLine(const QStringList& arguments);

// The look the options ask for: the default record, the preset's, the era's
// or the look file's, with the --set changes applied. Only for options parseCommandLine
// accepted.
effects::Look lookFromOptions(const Options& options);

QString usageText();

// One line per preset, "4: Sepia, vignette, grain": its number and what it
// does, in the words of the window's tool tips.
QString presetList();

// "oldreel-render 1.0": the program and the project's version.
QString versionText();

} // namespace render
