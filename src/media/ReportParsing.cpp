#include "media/ReportParsing.h"

#include <QList>
#include <QRegularExpression>
#include <cmath>
#include <limits>
#include <numeric>

namespace media {

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\v' || c == u'\f';
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

qsizetype skipBlanks(QStringView text, qsizetype at)
{
    while (at < text.size() && isBlank(text[at]))
        ++at;
    return at;
}

// Two characters starting at `at`, fewer when the text ends sooner.
QStringView field(QStringView text, qsizetype at)
{
    if (at >= text.size())
        return {};
    return text.mid(at, 2);
}

// "dd:dd:dd" at `at`.
bool isClock(QStringView text, qsizetype at)
{
    static constexpr char pattern[] = "dd:dd:dd";
    if (at + 8 > text.size())
        return false;
    for (qsizetype i = 0; i < 8; ++i) {
        const QChar c = text[at + i];
        if (pattern[i] == 'd' ? !isDigit(c) : c != u':')
            return false;
    }
    return true;
}

// The report's lines: ffmpeg ends its running reports with a carriage return
// and everything else with a newline.
QList<QStringView> reportLines(QStringView report)
{
    QList<QStringView> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= report.size(); ++i) {
        if (i == report.size() || report[i] == u'\n' || report[i] == u'\r') {
            if (i > start)
                lines.append(report.mid(start, i - start));
            start = i + 1;
        }
    }
    return lines;
}

// ffmpeg's own lines in the input's description ("  Duration:", "  Stream #")
// are indented by two blanks; metadata keys and values by four or more, so a
// key or a value never passes for one of them.
constexpr qsizetype kStructuralIndent = 2;

// The text after the leading blanks of `line` when it starts with `word` and
// is indented as ffmpeg's own lines are; empty otherwise.
std::optional<QStringView> structuralLine(QStringView line, QStringView word)
{
    const qsizetype at = skipBlanks(line, 0);
    if (at > kStructuralIndent || !line.mid(at).startsWith(word))
        return std::nullopt;
    return line.mid(at);
}

} // namespace

QString withoutPath(QStringView report, QStringView path)
{
    QString text = report.toString();
    if (!path.isEmpty())
        text.remove(path.toString());
    return text;
}

std::int64_t integerValue(QStringView text)
{
    qsizetype i = skipBlanks(text, 0);
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    // Too many digits saturate, as the platform's conversion does.
    constexpr std::int64_t limit = std::numeric_limits<std::int64_t>::max();
    std::int64_t value = 0;
    for (; i < text.size() && isDigit(text[i]); ++i) {
        const int digit = text[i].unicode() - u'0';
        if (value > (limit - digit) / 10)
            return negative ? std::numeric_limits<std::int64_t>::min() : limit;
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

double floatValue(QStringView text)
{
    qsizetype i = skipBlanks(text, 0);
    const qsizetype start = i;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    while (i < text.size() && isDigit(text[i]))
        ++i;
    if (i < text.size() && text[i] == u'.') {
        ++i;
        while (i < text.size() && isDigit(text[i]))
            ++i;
    }
    bool ok = false;
    const double value = text.mid(start, i - start).toDouble(&ok);
    return ok ? value : 0.0;
}

std::int64_t secondsFromClock(QStringView text, qsizetype firstField)
{
    const std::int64_t hours = integerValue(field(text, firstField));
    const std::int64_t minutes = integerValue(field(text, firstField + 3));
    const std::int64_t seconds = integerValue(field(text, firstField + 6));
    return hours * 3600 + minutes * 60 + seconds;
}

std::optional<DurationLine> findDurationLine(QStringView report)
{
    static constexpr QStringView marker = u"Duration:";
    for (const QStringView line : reportLines(report)) {
        if (!structuralLine(line, marker))
            continue;
        const qsizetype at = skipBlanks(line, 0);
        // One separator, then the clock.
        const qsizetype clock = at + marker.size() + 1;
        if (!isClock(line, clock))
            continue;
        DurationLine found;
        found.text = line.mid(at + marker.size(), 11).toString();
        found.exactSeconds = double(secondsFromClock(line, clock));
        qsizetype i = clock + 8;
        if (i < line.size() && line[i] == u'.') {
            double scale = 0.1;
            for (++i; i < line.size() && isDigit(line[i]); ++i, scale /= 10.0)
                found.exactSeconds += scale * (line[i].unicode() - u'0');
        }
        return found;
    }
    return std::nullopt;
}

std::optional<double> findLastFrameCount(QStringView report)
{
    static constexpr QStringView marker = u"frame=";
    const QList<QStringView> lines = reportLines(report);
    for (auto line = lines.crbegin(); line != lines.crend(); ++line) {
        const qsizetype at = skipBlanks(*line, 0);
        if (!line->mid(at).startsWith(marker))
            continue;
        const qsizetype number = skipBlanks(*line, at + marker.size());
        qsizetype end = number;
        while (end < line->size() && (isDigit((*line)[end]) || (*line)[end] == u'.'))
            ++end;
        if (end == number || !line->mid(skipBlanks(*line, end)).startsWith(u"fps"))
            continue;
        return floatValue(line->mid(number, end - number));
    }
    return std::nullopt;
}

} // namespace media
