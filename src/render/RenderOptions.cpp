#include "render/RenderOptions.h"

#include "effects/EraLooks.h"
#include "effects/PresetTable.h"
#include "lookfiles/LookFile.h"
#include "lookfiles/LookSettings.h"
#include "render/EncodingOptions.h"
#include "render/OutputPaths.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <memory>
#include <unistd.h>

namespace render {

std::optional<TimePoint> parseTimePoint(const QString& text)
{
    static const QRegularExpression percent(QStringLiteral("^(\\d+(?:\\.\\d*)?|\\.\\d+)%$"));
    static const QRegularExpression clock(
        QStringLiteral("^(?:(?:(\\d+):)?(\\d{1,2}):)?(\\d+(?:\\.\\d*)?|\\.\\d+)$"));
    static const QRegularExpression unit(QStringLiteral("^(\\d+(?:\\.\\d*)?|\\.\\d+)(s|ms)$"));
    const QString trimmed = text.trimmed();
    if (const QRegularExpressionMatch m = percent.match(trimmed); m.hasMatch()) {
        const double value = m.captured(1).toDouble();
        if (value > 100.0)
            return std::nullopt;
        return TimePoint{true, value};
    }
    if (const QRegularExpressionMatch m = unit.match(trimmed); m.hasMatch()) {
        const double value = m.captured(1).toDouble();
        return TimePoint{false, m.captured(2) == QLatin1String("ms") ? value / 1000.0 : value};
    }
    const QRegularExpressionMatch m = clock.match(trimmed);
    if (!m.hasMatch())
        return std::nullopt;
    const double hours = m.captured(1).isEmpty() ? 0.0 : m.captured(1).toDouble();
    const double minutes = m.captured(2).isEmpty() ? 0.0 : m.captured(2).toDouble();
    const double seconds = m.captured(3).toDouble();
    // In a clock, minutes and seconds stay below 60.
    if (!m.captured(2).isEmpty() && (minutes >= 60.0 || seconds >= 60.0))
        return std::nullopt;
    return TimePoint{false, hours * 3600.0 + minutes * 60.0 + seconds};
}

namespace {

bool writable(const QString& folder)
{
    return ::access(QFile::encodeName(QFileInfo(folder).absoluteFilePath()).constData(),
                    W_OK | X_OK) == 0;
}

// An existing folder must take the results; a missing one is made before the
// first render, so the nearest folder above it that exists must take it.
QString checkOutputFolder(const QString& folder)
{
    const QFileInfo info(folder);
    if (info.exists()) {
        if (!info.isDir())
            return QStringLiteral("output %1 is not a folder").arg(folder);
        if (!writable(folder))
            return QStringLiteral("output folder %1 cannot be written").arg(folder);
        return QString();
    }
    QString above = folder;
    do
        above = QFileInfo(above).path();
    while (!QFileInfo::exists(above) && above != QFileInfo(above).path());
    if (!QFileInfo(above).isDir())
        return QStringLiteral("output folder %1 cannot be made: %2 is not a folder")
            .arg(folder, above);
    if (!writable(above))
        return QStringLiteral("output folder %1 cannot be made: %2 cannot be written")
            .arg(folder, above);
    return QString();
}

// The short options that take no value, which may be clustered ("-qh", "-qo DIR").
bool isShortFlag(QChar letter)
{
    return letter == QLatin1Char('q') || letter == QLatin1Char('h');
}

// Takes the value of an option: "--name VALUE", "--name=VALUE" or "-xVALUE".
bool takeValue(const QStringList& arguments, qsizetype& i, const QString& shortName,
               const QString& longName, QString& value, QString& error)
{
    const QString& argument = arguments[i];
    if (argument == shortName || argument == longName) {
        if (i + 1 >= arguments.size()) {
            error = QStringLiteral("%1 needs a value").arg(argument);
            return true;
        }
        value = arguments[++i];
        return true;
    }
    if (argument.startsWith(longName + QLatin1Char('='))) {
        value = argument.mid(longName.size() + 1);
        return true;
    }
    if (!shortName.isEmpty() && argument.startsWith(shortName) && argument.size() > 2 &&
        !argument.startsWith(QStringLiteral("--"))) {
        value = argument.mid(2);
        return true;
    }
    return false;
}

// The eras by the names the command line takes.
QStringList eraKeys()
{
    QStringList keys;
    for (const effects::Era& era : effects::eraLooks())
        keys << QString::fromStdString(effects::eraKey(era));
    return keys;
}

} // namespace

ParsedCommandLine parseCommandLine(const QStringList& givenArguments)
{
    ParsedCommandLine parsed;
    Options& o = parsed.options;
    QString& error = parsed.error;
    bool optionsEnded = false;
    // A cluster of short options is split as it is met: "-qoDIR" reads as
    // "-q" then "-oDIR"; an option that takes a value ends the cluster.
    QStringList arguments = givenArguments;
    EncodingTexts encodingTexts;
    for (qsizetype i = 0; i < arguments.size() && error.isEmpty(); ++i) {
        if (!optionsEnded && arguments[i].size() > 2 && arguments[i][0] == QLatin1Char('-') &&
            isShortFlag(arguments[i][1])) {
            arguments.insert(i + 1, QLatin1Char('-') + arguments[i].mid(2));
            arguments[i].truncate(2);
        }
        const QString argument = arguments[i];
        QString value;
        if (optionsEnded || !argument.startsWith(QLatin1Char('-')) ||
            argument == QLatin1String("-")) {
            o.videos << tidyPath(argument);
        } else if (argument == QLatin1String("--")) {
            optionsEnded = true;
        } else if (argument == QLatin1String("-h") || argument == QLatin1String("--help")) {
            o.help = true;
        } else if (argument == QLatin1String("-q") || argument == QLatin1String("--quiet")) {
            o.quiet = true;
        } else if (argument == QLatin1String("--overwrite")) {
            o.overwrite = true;
        } else if (argument == QLatin1String("--skip-existing")) {
            o.skipExisting = true;
        } else if (takeValue(arguments, i, QStringLiteral("-j"), QStringLiteral("--jobs"), value,
                             error)) {
            bool isNumber = false;
            o.jobs = value.toInt(&isNumber);
            if (error.isEmpty() && (!isNumber || o.jobs < 1))
                error = QStringLiteral("--jobs %1: expected a number of videos at once, 1 or more")
                            .arg(value);
        } else if (argument == QLatin1String("--list-presets")) {
            o.listPresets = true;
        } else if (takeValue(arguments, i, QString(), QStringLiteral("--look"), value, error)) {
            o.lookFile = value;
        } else if (takeValue(arguments, i, QString(), QStringLiteral("--save-look"), value,
                             error)) {
            o.saveLook = value;
        } else if (argument == QLatin1String("--version")) {
            o.version = true;
        } else if (takeValue(arguments, i, QString(), QStringLiteral("--progress"), value, error)) {
            static const QStringList styles{QStringLiteral("bar"), QStringLiteral("plain"),
                                            QStringLiteral("json")};
            const qsizetype style = styles.indexOf(value);
            if (error.isEmpty() && style < 0)
                error = QStringLiteral("--progress %1: takes bar, plain or json").arg(value);
            o.progress = ProgressStyle(int(style) + 1);
        } else if (takeValue(arguments, i, QStringLiteral("-o"), QStringLiteral("--output"), value,
                             error)) {
            // An empty name would put the results beside the videos unasked.
            if (error.isEmpty() && value.isEmpty())
                error = QStringLiteral("%1 needs a folder, not an empty name").arg(argument);
            o.outputFolder = tidyPath(value);
        } else if (takeValue(arguments, i, QStringLiteral("-p"), QStringLiteral("--preset"), value,
                             error)) {
            bool isNumber = false;
            o.preset = value.toInt(&isNumber);
            if (error.isEmpty() && (!isNumber || o.preset < 1 || o.preset > effects::kPresetCount))
                error = QStringLiteral("--preset %1: presets are numbered 1 to %2")
                            .arg(value)
                            .arg(effects::kPresetCount);
        } else if (takeValue(arguments, i, QString(), QStringLiteral("--era"), value, error)) {
            o.era = effects::findEra(value.toStdString());
            if (error.isEmpty() && o.era < 0)
                error = QStringLiteral("--era %1: eras are %2")
                            .arg(value, eraKeys().join(QStringLiteral(", ")));
        } else if (takeValue(arguments, i, QString(), QStringLiteral("--set"), value, error)) {
            o.settings << value;
        } else if (takeValue(arguments, i, QString(), QStringLiteral("--from"), value, error) ||
                   takeValue(arguments, i, QString(), QStringLiteral("--to"), value, error)) {
            const bool from = argument.startsWith(QStringLiteral("--from"));
            const std::optional<TimePoint> point = parseTimePoint(value);
            if (error.isEmpty() && !point)
                error = QStringLiteral("%1 %2: expected a percent (25%) or a time (00:01:02.5)")
                            .arg(from ? QStringLiteral("--from") : QStringLiteral("--to"), value);
            (from ? o.from : o.to) = point;
        } else if (takeValue(arguments, i, QString(), QStringLiteral("--codec"), value, error)) {
            encodingTexts.codec = value;
        } else if (takeValue(arguments, i, QString(), QStringLiteral("--quality"), value, error)) {
            encodingTexts.quality = value;
        } else if (takeValue(arguments, i, QString(), QStringLiteral("--speed"), value, error)) {
            encodingTexts.speed = value;
        } else if (takeValue(arguments, i, QString(), QStringLiteral("--height"), value, error)) {
            encodingTexts.height = value;
        } else {
            error = QStringLiteral("unknown option %1").arg(argument);
        }
    }
    if (!error.isEmpty() || o.help || o.listPresets || o.version)
        return parsed;
    if (o.preset >= 1 && o.era >= 0) {
        error = QStringLiteral("--preset and --era both choose the look: give one");
        return parsed;
    }
    if (!o.lookFile.isEmpty()) {
        if (o.preset >= 1 || o.era >= 0) {
            error = QStringLiteral("--look and --%1 both choose the look: give one")
                        .arg(o.preset >= 1 ? QStringLiteral("preset") : QStringLiteral("era"));
            return parsed;
        }
        o.fileLook = lookfiles::readLookFile(o.lookFile, error);
        if (!o.fileLook)
            return parsed;
    }

    effects::Look scratch;
    for (const QString& setting : o.settings) {
        error = lookfiles::applySetting(scratch, setting);
        if (!error.isEmpty())
            return parsed;
    }
    error = readEncodingOptions(encodingTexts, o.encoding, o.height);
    if (!error.isEmpty())
        return parsed;
    if (o.from && o.to && o.from->percent == o.to->percent && o.from->value >= o.to->value) {
        error = QStringLiteral("--from must come before --to");
        return parsed;
    }
    if (!o.outputFolder.isEmpty()) {
        error = checkOutputFolder(o.outputFolder);
        if (!error.isEmpty())
            return parsed;
    }
    if (o.videos.isEmpty() && o.saveLook.isEmpty()) {
        error = QStringLiteral("no video given");
        return parsed;
    }
    QSet<QString> seen;
    for (const QString& video : o.videos) {
        const QFileInfo info(video);
        const QString key = info.exists() ? info.canonicalFilePath() : info.absoluteFilePath();
        if (seen.contains(key)) {
            error = QStringLiteral("%1 is named twice").arg(video);
            return parsed;
        }
        seen.insert(key);
    }
    return parsed;
}

effects::Look lookFromOptions(const Options& options)
{
    effects::Look look;
    if (options.preset >= 1) {
        const std::vector<effects::Look> presets = effects::presetLooks();
        if (std::size_t(options.preset) <= presets.size())
            look = presets[std::size_t(options.preset) - 1];
    }
    if (options.fileLook)
        look = *options.fileLook;
    const auto& eras = effects::eraLooks();
    if (options.era >= 0 && std::size_t(options.era) < eras.size())
        look = eras[std::size_t(options.era)].look;
    for (const QString& setting : options.settings)
        lookfiles::applySetting(look, setting);
    return look;
}

namespace {

// `items` joined by ", " in lines of at most 79 characters, each indented by two.
QString wrappedList(const QStringList& items)
{
    QString text, line = QStringLiteral("  ");
    for (qsizetype i = 0; i < items.size(); ++i) {
        const QString item = items[i] + (i + 1 < items.size() ? QStringLiteral(",") : QString());
        if (line.size() > 2 && line.size() + 1 + item.size() > 79) {
            text += line + QLatin1Char('\n');
            line = QStringLiteral("  ");
        }
        line += (line.size() > 2 ? QStringLiteral(" ") : QString()) + item;
    }
    return text + line + QLatin1Char('\n');
}

} // namespace

QString usageText()
{
    QStringList settings;
    for (const QString& name : lookfiles::settingNames())
        settings << name + QLatin1Char('=') + lookfiles::settingValues(name);
    return QStringLiteral(
               "Usage: oldreel-render [options] VIDEO...\n"
               "Gives each video an old-film look and writes it as \"<video name>.mp4\".\n"
               "\n"
               "  -o, --output DIR     where the results go, made when missing (default: beside\n"
               "                       each video)\n"
               "  -p, --preset N       start from preset N (1-42) instead of the default look\n"
               "  --era NAME           start from an era's look (listed below; \"1920s silent\"\n"
               "                       and 1920s-silent alike) instead of the default look\n"
               "  --set NAME=VALUE     one effect, repeatable, by the panel's names: chrome=on,\n"
               "                       sepia=off, brightness=-20, gamma=60 (a number sets the\n"
               "                       slider value and switches a gated effect on),\n"
               "                       vignette=off (on/off sets only the gate), cadence=18,\n"
               "                       gate=4:3 (one of a list's values), seed=7,\n"
               "                       stock=FILE.cube (a film stock's look-up table, or none)\n"
               "                       with stockstrength=60 (percent, 100 unless given)\n"
               "  --look FILE          start from a look file (from --save-look or the\n"
               "                       window's File > Export Look) instead of the default\n"
               "  --save-look FILE     write the look these options make as a look file; with\n"
               "                       no video given, only that\n"
               "  --list-presets       print each preset's number and what it does\n"
               "  --from T, --to T     the kept range, as a percent (25%) or a time: 1.5, 1.5s,\n"
               "                       1500ms, 00:01.5, 1:02:03.5\n"
               "  --overwrite          replace the result a plain run would write in a folder\n"
               "                       holding nothing else (never a video of the run)\n"
               "                       instead of taking the next free name\n"
               "  --skip-existing      leave a whole result at that name alone and count it\n"
               "                       done (one that is not whole is rendered again), so a\n"
               "                       batch run again resumes where it stopped\n"
               "  -j, --jobs N         render N videos at once (default 1)\n"
               "%3"
               "  -q, --quiet          print only the failures\n"
               "  --progress STYLE     on standard error: bar (on a terminal), plain lines\n"
               "                       (elsewhere) or json (one object a line)\n"
               "  -h, --help           show this text\n"
               "  --version            show the program's version\n"
               "\n"
               "Eras (colour, grain, the projector's effects and old sound in one):\n"
               "%1"
               "\n"
               "Effects and their values (a..b: a number from a to b):\n"
               "%2"
               "Each result's path goes to standard output, one a line; progress and failures\n"
               "go to standard error.\n"
               "Exit status: 0 when every video rendered or was skipped, 1 when any\n"
               "failed, 2 for a usage error.\n")
        .arg(wrappedList(eraKeys()), wrappedList(settings), encodingUsage());
}

QString presetList()
{
    QString text;
    const std::vector<effects::Look> presets = effects::presetLooks();
    for (std::size_t i = 0; i < presets.size(); ++i)
        text += QStringLiteral("%1: %2\n")
                    .arg(i + 1)
                    .arg(QString::fromStdString(effects::lookDescription(presets[i])));
    return text;
}

QString versionText()
{
    return QStringLiteral("oldreel-render " OLDREEL_VERSION);
}

} // namespace render
