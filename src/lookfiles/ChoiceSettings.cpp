#include "lookfiles/ChoiceSettings.h"

#include "projector/Cadence.h"
#include "projector/Gate.h"
#include "projector/Grain.h"
#include "stock/CubeCache.h"

#include <QFileInfo>
#include <QList>
#include <algorithm>
#include <cstdint>
#include <limits>

namespace lookfiles {

namespace {

using effects::Look;

// One value of a list, as typed and as stored.
struct Choice
{
    QString text;
    int value;
};

QList<Choice> cadenceChoices()
{
    QList<Choice> choices;
    for (const int rate : projector::crankRates())
        choices.append({QString::number(rate), rate});
    choices.append({QStringLiteral("off"), 0});
    return choices;
}

// The shapes by their names in lower case ("full", "4:3").
QList<Choice> gateChoices()
{
    QList<Choice> choices;
    const auto& shapes = projector::gateShapes();
    for (std::size_t i = 0; i < shapes.size(); ++i)
        choices.append({QString::fromLatin1(shapes[i].name).toLower(), int(i)});
    return choices;
}

QList<Choice> grainSizeChoices()
{
    QList<Choice> choices{{QStringLiteral("fine"), 1}};
    for (const int size : projector::grainSizes())
        choices.append({QString::number(size), size});
    return choices;
}

QStringList texts(const QList<Choice>& choices)
{
    QStringList list;
    for (const Choice& choice : choices)
        list << choice.text;
    return list;
}

template <QList<Choice> (*choices)()> QString listValues()
{
    return texts(choices()).join(QLatin1Char('|'));
}

template <QList<Choice> (*choices)(), void (Look::*set)(int)>
QString applyListValue(Look& look, const QString& value)
{
    const QList<Choice> list = choices();
    for (const Choice& choice : list)
        if (value.compare(choice.text, Qt::CaseInsensitive) == 0) {
            (look.*set)(choice.value);
            return QString();
        }
    return QStringLiteral("\"%1\" is not one of %2")
        .arg(value, texts(list).join(QStringLiteral(", ")));
}

// The first text of the stored value: grain size 1 is "fine", not "1".
template <QList<Choice> (*choices)(), int (Look::*get)() const> QString listText(const Look& look)
{
    for (const Choice& choice : choices())
        if (choice.value == (look.*get)())
            return choice.text;
    return QString::number((look.*get)());
}

constexpr std::uint32_t kSeedMaximum = std::numeric_limits<std::uint32_t>::max();

QString seedValues()
{
    return QStringLiteral("0..%1").arg(kSeedMaximum);
}

// Digits only: no sign, no exponent, no hexadecimal.
QString applySeed(Look& look, const QString& value)
{
    const bool digits = !value.isEmpty() && value.size() <= 10 &&
                        std::all_of(value.begin(), value.end(), [](QChar c) {
                            return c >= QLatin1Char('0') && c <= QLatin1Char('9');
                        });
    const qulonglong seed = digits ? value.toULongLong() : 0;
    if (!digits || seed > kSeedMaximum)
        return QStringLiteral("\"%1\" is not a whole number from 0 to %2")
            .arg(value, QString::number(kSeedMaximum));
    look.setU_Seed(std::uint32_t(seed));
    return QString();
}

QString seedText(const Look& look)
{
    return QString::number(look.u_Seed());
}

QString soundValues()
{
    return QStringLiteral("old|off");
}

QString applySound(Look& look, const QString& value)
{
    const bool old = value.compare(QLatin1String("old"), Qt::CaseInsensitive) == 0;
    if (!old && value.compare(QLatin1String("off"), Qt::CaseInsensitive) != 0)
        return QStringLiteral("\"%1\" is not one of old, off").arg(value);
    look.setB_Old_Sound(old ? 1 : 0);
    return QString();
}

QString soundText(const Look& look)
{
    return look.b_Old_Sound() ? QStringLiteral("old") : QStringLiteral("off");
}

QString stockValues()
{
    return QStringLiteral("FILE|none");
}

// A film stock's .cube file, kept as given (names have case) and made
// absolute, or "none". A file that cannot be used is refused with the
// parser's line.
QString applyStock(Look& look, const QString& value)
{
    if (value.compare(QLatin1String("none"), Qt::CaseInsensitive) == 0) {
        look.setS_Stock(std::string());
        return QString();
    }
    if (value.isEmpty())
        return QStringLiteral("expected a .cube file or none");
    const std::string path = QFileInfo(value).absoluteFilePath().toStdString();
    const stock::LoadedCube loaded = stock::loadCube(path);
    if (!loaded.cube)
        return QStringLiteral("film stock %1 cannot be used: %2")
            .arg(value, QString::fromStdString(loaded.error));
    look.setS_Stock(path);
    return QString();
}

QString stockText(const Look& look)
{
    return look.s_Stock().empty() ? QStringLiteral("none") : QString::fromStdString(look.s_Stock());
}

// One setting: its name, the values it takes as the usage text shows them,
// how a value is applied (an empty reason when it was) and how the look's
// value is spelled back.
struct Row
{
    const char* name;
    QString (*values)();
    QString (*apply)(Look&, const QString&);
    QString (*text)(const Look&);
};

const Row kRows[] = {
    {"cadence", listValues<cadenceChoices>, applyListValue<cadenceChoices, &Look::setI_Cadence>,
     listText<cadenceChoices, &Look::i_Cadence>},
    {"gate", listValues<gateChoices>, applyListValue<gateChoices, &Look::setI_Gate>,
     listText<gateChoices, &Look::i_Gate>},
    {"grainsize", listValues<grainSizeChoices>,
     applyListValue<grainSizeChoices, &Look::setI_Grain_Size>,
     listText<grainSizeChoices, &Look::i_Grain_Size>},
    {"seed", seedValues, applySeed, seedText},
    {"sound", soundValues, applySound, soundText},
    {"stock", stockValues, applyStock, stockText},
};

const Row* findRow(const QString& name)
{
    for (const Row& row : kRows)
        if (name == QLatin1String(row.name))
            return &row;
    return nullptr;
}

} // namespace

QStringList choiceNames()
{
    QStringList names;
    for (const Row& row : kRows)
        names << QLatin1String(row.name);
    return names;
}

bool applyChoice(Look& look, const QString& name, const QString& value, QString& error)
{
    const Row* row = findRow(name);
    error = row ? row->apply(look, value) : QString();
    return row != nullptr;
}

QString choiceValues(const QString& name)
{
    const Row* row = findRow(name);
    return row ? row->values() : QString();
}

QString choiceText(const Look& look, const QString& name)
{
    const Row* row = findRow(name);
    return row ? row->text(look) : QString();
}

} // namespace lookfiles
