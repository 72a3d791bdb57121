#include "app/AppDelegate.h"
#include "media/ReportParsing.h"
#include "media/Transcoder.h"
#include "media/VideoFacts.h"

#include <cmath>

bool AppDelegate::Get_Duration(NodeImageInformation& record)
{
    // A named pipe, a device or a playlist would keep the transcoder waiting forever.
    if (!media::isPlainFile(record.sPath()))
        return false;
    const QString report =
        media::withoutPath(runTranscoder({QStringLiteral("-i"), record.sPath()}), record.sPath());
    if (!media::findDurationLine(report))
        return false;
    // The report only says that the transcoder found a duration; what is
    // stored comes from the prober's description, which no name, tag or
    // metadata text can imitate.
    const auto facts = media::probeFacts(sffmpegPath, record.sPath());
    if (!facts)
        return false;
    record.setSDuration(facts->durationText);
    record.setI_Duration_In_Seconds(Return_Seconds_From_Duration_Str(facts->durationText));
    record.setVideoFacts(*facts);
    return true;
}

bool AppDelegate::Get_FPS(NodeImageInformation& record)
{
    if (!media::isPlainFile(record.sPath()))
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
    if (!facts.hasPicture)
        return false;
    // The picture's own rate (its nominal one when it varies): the frame
    // count over the file's length would count sound that outlasts the
    // picture, or starts before it, and give a slower rate.
    if (facts.rateNumerator <= 0) {
        // No rate described: the count over the length.
        if (facts.durationSeconds <= 0.0)
            return false;
        facts.rateNumerator = std::llround(*frames * 1000.0);
        facts.rateDenominator = std::llround(facts.durationSeconds * 1000.0);
        if (facts.rateNumerator <= 0 || facts.rateDenominator <= 0)
            return false;
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
