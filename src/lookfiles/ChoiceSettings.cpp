#include "lookfiles/ChoiceSettings.h"

#include "projector/Cadence.h"
#include "projector/Gate.h"
#include "projector/Grain.h"

#include <QList>
#include <algorithm>
#include <cstdint>
#include <limits>

namespace lookfiles {

namespace {

using Record = NodeImageInformation;

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

// The shapes by their names in lower case, so that "Full" and "full" both match.
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

struct ListSetting
{
    const char* name;
    QList<Choice> (*choices)();
    void (Record::*set)(int);
};

const ListSetting kLists[] = {
    {"cadence", cadenceChoices, &Record::setI_Cadence},
    {"gate", gateChoices, &Record::setI_Gate},
    {"grainsize", grainSizeChoices, &Record::setI_Grain_Size},
};

constexpr char kSeed[] = "seed";
// The old sound: "old" or "off".
constexpr char kSound[] = "sound";
constexpr std::uint32_t kSeedMaximum = std::numeric_limits<std::uint32_t>::max();

const ListSetting* findList(const QString& name)
{
    for (const ListSetting& setting : kLists)
        if (name == QLatin1String(setting.name))
            return &setting;
    return nullptr;
}

QStringList texts(const QList<Choice>& choices)
{
    QStringList list;
    for (const Choice& choice : choices)
        list << choice.text;
    return list;
}

} // namespace

QStringList choiceNames()
{
    QStringList names;
    for (const ListSetting& setting : kLists)
        names << QLatin1String(setting.name);
    return names << QLatin1String(kSeed) << QLatin1String(kSound);
}

bool applyChoice(Record& record, const QString& name, const QString& value, QString& error)
{
    error.clear();
    if (name == QLatin1String(kSeed)) {
        // Digits only: no sign, no exponent, no hexadecimal.
        const bool digits = !value.isEmpty() && value.size() <= 10 &&
                            std::all_of(value.begin(), value.end(), [](QChar c) {
                                return c >= QLatin1Char('0') && c <= QLatin1Char('9');
                            });
        const qulonglong seed = digits ? value.toULongLong() : 0;
        if (!digits || seed > kSeedMaximum)
            error = QStringLiteral("--set seed: \"%1\" is not a whole number from 0 to %2")
                        .arg(value, QString::number(kSeedMaximum));
        else
            record.setU_Seed(std::uint32_t(seed));
        return true;
    }
    if (name == QLatin1String(kSound)) {
        if (value == QLatin1String("old") || value == QLatin1String("off"))
            record.setB_Old_Sound(value == QLatin1String("old") ? 1 : 0);
        else
            error = QStringLiteral("--set sound: \"%1\" is not one of old, off").arg(value);
        return true;
    }
    const ListSetting* setting = findList(name);
    if (!setting)
        return false;
    const QList<Choice> choices = setting->choices();
    for (const Choice& choice : choices)
        if (value == choice.text) {
            (record.*setting->set)(choice.value);
            return true;
        }
    error = QStringLiteral("--set %1: \"%2\" is not one of %3")
                .arg(name, value, texts(choices).join(QStringLiteral(", ")));
    return true;
}

QString choiceValues(const QString& name)
{
    if (name == QLatin1String(kSeed))
        return QStringLiteral("0..%1").arg(kSeedMaximum);
    if (name == QLatin1String(kSound))
        return QStringLiteral("old|off");
    const ListSetting* setting = findList(name);
    return setting ? texts(setting->choices()).join(QLatin1Char('|')) : QString();
}

} // namespace lookfiles
