#include "app/AppDelegate.h"

#include "media/ReportParsing.h"

std::int64_t AppDelegate::Return_Seconds_From_Duration_Str(const QString& text)
{
    return media::secondsFromClock(text, 1);
}

std::int64_t AppDelegate::Return_Seconds_From_VOB_Duration_Str(const QString& text)
{
    return media::secondsFromClock(text, 0);
}
