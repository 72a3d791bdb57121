#include "app/AppDelegate.h"
#include "media/ReportParsing.h"
#include "media/Transcoder.h"
#include "media/VideoFacts.h"

#include <cmath>

bool AppDelegate::Get_Duration(NodeImageInformation& record)
{
    // A named pipe or a device would keep the transcoder waiting forever.
    if (!media::isRegularFile(record.sPath()))
        return false;
    const QString report =
        media::withoutPath(runTranscoder({QStringLiteral("-i"), record.sPath()}), record.sPath());
    const auto line = media::findDurationLine(report);
    if (!line)
        return false;
    record.setSDuration(line->text);
    record.setI_Duration_In_Seconds(Return_Seconds_From_Duration_Str(line->text));
    // The same report describes the picture: its size, pixel shape, rotation.
    media::VideoFacts facts;
    media::takeDuration(facts, *line);
    if (const auto stream = media::findVideoStream(report))
        media::takeStream(facts, *stream);
    facts.hasSound = media::hasAudioStream(report);
    record.setVideoFacts(facts);
    return true;
}

bool AppDelegate::Get_FPS(NodeImageInformation& record)
{
    if (!media::isRegularFile(record.sPath()))
        return false;
    const QString report = media::withoutPath(
        runTranscoder({QStringLiteral("-i"), record.sPath(), QStringLiteral("-vcodec"),
                       QStringLiteral("copy"), QStringLiteral("-acodec"), QStringLiteral("copy"),
                       QStringLiteral("-f"), QStringLiteral("null"), QStringLiteral("/dev/null")}),
        record.sPath());
    const auto frames = media::findLastFrameCount(report);
    if (!frames)
        return false;
    media::VideoFacts facts = record.videoFacts();
    // The picture's own average rate, as its stream line prints it: the frame
    // count over the file's length would count sound that outlasts the
    // picture, or starts before it, and give a slower rate.
    if (const auto stream = media::findVideoStream(report); stream && stream->rate.numerator > 0) {
        facts.rateNumerator = stream->rate.numerator;
        facts.rateDenominator = stream->rate.denominator;
    } else {
        // No rate printed: the count over the length, hundredths included.
        const auto duration = media::findDurationLine(report);
        if (!duration || duration->exactSeconds <= 0.0)
            return false;
        facts.rateNumerator = std::llround(*frames * 1000.0);
        facts.rateDenominator = std::llround(duration->exactSeconds * 1000.0);
    }
    record.setF_FPS(float(facts.framesPerSecond()));
    record.setVideoFacts(facts);
    return true;
}

std::int64_t AppDelegate::Return_Seconds_From_Duration_Str(const QString& text)
{
    return media::secondsFromClock(text, 1);
}

std::int64_t AppDelegate::Return_Seconds_From_VOB_Duration_Str(const QString& text)
{
    return media::secondsFromClock(text, 0);
}

QString AppDelegate::runTranscoder(const QStringList& arguments)
{
    return media::runAndReadAll(sffmpegPath, arguments);
}
