#include "app/AppDelegate.h"

#include "media/ReportParsing.h"

bool AppDelegate::Get_Duration(NodeImageInformation& record)
{
    const QString report = runTranscoder({QStringLiteral("-i"), record.sPath()});
    const auto line = media::findDurationLine(report);
    if (!line)
        return false;
    record.setSDuration(line->text);
    record.setI_Duration_In_Seconds(Return_Seconds_From_Duration_Str(line->text));
    return true;
}

bool AppDelegate::Get_FPS(NodeImageInformation& record)
{
    const QString report = runTranscoder(
        {QStringLiteral("-i"), record.sPath(), QStringLiteral("-vcodec"), QStringLiteral("copy"),
         QStringLiteral("-acodec"), QStringLiteral("copy"), QStringLiteral("-f"),
         QStringLiteral("null"), QStringLiteral("/dev/null")});
    const auto frames = media::findLastFrameCount(report);
    if (!frames)
        return false;
    // The divisor is the duration with its hundredths, from the input's own
    // duration line in this same report: the whole seconds would make 272
    // frames over 10.88 s a rate of 27.2 instead of 25, and the exported
    // video would drift from its sound.
    const auto duration = media::findDurationLine(report);
    if (!duration || duration->exactSeconds <= 0.0)
        return false;
    record.setF_FPS(float(*frames) / float(duration->exactSeconds));
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
