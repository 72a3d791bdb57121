#pragma once

#include <QString>
#include <QStringView>
#include <cstdint>
#include <optional>

// Reading numbers out of the transcoder's report text. No Qt widgets, no
// processes: the probes and the export progress call these on the text they got.
namespace media {

// Like the platform's integerValue: skips leading blanks, reads an optional
// sign and decimal digits up to the first other character; 0 when no digit.
std::int64_t integerValue(QStringView text);

// Like floatValue: the same with an optional fraction; 0 when there is no number.
double floatValue(QStringView text);

// A clock text "hh:mm:ss…" to whole seconds, the fields being the two
// characters at firstField, firstField + 3 and firstField + 6. A field beyond
// the end of the text is empty and counts 0; the fraction of a second is dropped.
std::int64_t secondsFromClock(QStringView text, qsizetype firstField);

// The report with every copy of `path` taken out. ffmpeg quotes the input's
// path in its report; a name holding a newline could otherwise forge a line
// ("\n  Duration: 00:09:59.00"). Scan the result, never the raw report.
QString withoutPath(QStringView report, QStringView path);

// The duration line of a report: "Duration:" as the first word of a line
// indented by at most two blanks, then one separator and a clock "dd:dd:dd".
// A "Duration:" inside a metadata value or key (indented by four or more) is
// not such a line, and "Duration: N/A" has no clock.
struct DurationLine
{
    // The 11 characters right after the marker (separator and clock), cut at
    // the end of the line.
    QString text;
    // The clock with its hundredths, in seconds ("00:00:10.88" is 10.88).
    double exactSeconds = 0.0;
};
std::optional<DurationLine> findDurationLine(QStringView report);

// The frame count of the last "frame=" report line (running reports come
// first and count only the frames done so far): the number after the marker,
// its padding blanks skipped, followed by blanks and "fps". A count of any
// length is read whole. None when no report line has them.
std::optional<double> findLastFrameCount(QStringView report);

} // namespace media
