#include "lookfiles/LookSettings.h"

#include "lookfiles/SettingTable.h"

#include <charconv>
#include <cmath>

namespace lookfiles {

namespace {

using effects::Look;

// A range's ends in messages and the usage text.
QString numberText(float value)
{
    return QString::number(double(value), 'g', 6);
}

// The shortest text that reads back as the same float: 37.5, not 37.5000001.
QString exactNumberText(float value)
{
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return QString::fromLatin1(text, end - text);
}

QStringList texts(const QList<Choice>& choices)
{
    QStringList list;
    for (const Choice& choice : choices)
        list << choice.text;
    return list;
}

// A list's value, in any case.
QString applyListValue(const Setting& setting, Look& look, const QString& value)
{
    const QList<Choice> list = setting.choices();
    for (const Choice& choice : list)
        if (value.compare(choice.text, Qt::CaseInsensitive) == 0) {
            setting.setChoice(look, choice.value);
            return QString();
        }
    return QStringLiteral("\"%1\" is not one of %2")
        .arg(value, texts(list).join(QStringLiteral(", ")));
}

// The first text of the stored value: grain size 1 is "fine", not "1".
QString listText(const Setting& setting, const Look& look)
{
    const int stored = setting.choice(look);
    for (const Choice& choice : setting.choices())
        if (choice.value == stored)
            return choice.text;
    return QString::number(stored);
}

bool isOnOff(const QString& value)
{
    return value.compare(QLatin1String("on"), Qt::CaseInsensitive) == 0 ||
           value.compare(QLatin1String("off"), Qt::CaseInsensitive) == 0;
}

} // namespace

QString applyValue(Look& look, const QString& name, const QString& value)
{
    const Setting* setting = findSetting(name);
    if (!setting)
        return QStringLiteral("not a setting (known: %1)")
            .arg(settingNames().join(QStringLiteral(", ")));
    if (setting->apply)
        return setting->apply(look, value);
    if (setting->choices)
        return applyListValue(*setting, look, value);

    if (isOnOff(value)) {
        if (!setting->setGate)
            return QStringLiteral("takes a number from %1 to %2, not on/off")
                .arg(numberText(setting->minimum), numberText(setting->maximum));
        (look.*setting->setGate)(value.compare(QLatin1String("on"), Qt::CaseInsensitive) == 0 ? 1
                                                                                              : 0);
        return QString();
    }
    if (!setting->setValue)
        return QStringLiteral("takes on or off, not \"%1\"").arg(value);
    bool isNumber = false;
    const float number = value.toFloat(&isNumber);
    if (!isNumber || !std::isfinite(number) || number < setting->minimum ||
        number > setting->maximum)
        return QStringLiteral("\"%1\" is not a number from %2 to %3")
            .arg(value, numberText(setting->minimum), numberText(setting->maximum));
    (look.*setting->setValue)(number);
    if (setting->setGate)
        (look.*setting->setGate)(1);
    return QString();
}

QString applySetting(Look& look, const QString& nameValue)
{
    const qsizetype equals = nameValue.indexOf(QLatin1Char('='));
    if (equals <= 0)
        return QStringLiteral("--set %1: expected NAME=VALUE").arg(nameValue);
    const QString name = nameValue.left(equals).trimmed().toLower();
    if (!settingNames().contains(name))
        return QStringLiteral("--set: unknown effect \"%1\" (known: %2)")
            .arg(name, settingNames().join(QStringLiteral(", ")));
    const QString error = applyValue(look, name, nameValue.mid(equals + 1).trimmed());
    return error.isEmpty() ? error : QStringLiteral("--set %1: %2").arg(name, error);
}

QStringList settingNames()
{
    // Sliders and check boxes first, then the lists and the rest, each in the
    // panel's order: the order of the usage text and of look files.
    QStringList names, others;
    for (const Setting& setting : settings())
        (setting.choices || setting.apply ? others : names) << QLatin1String(setting.name);
    return names << others;
}

QString settingValues(const QString& name)
{
    const Setting* setting = findSetting(name);
    if (!setting)
        return QString();
    if (setting->values)
        return setting->values();
    if (setting->choices)
        return texts(setting->choices()).join(QLatin1Char('|'));
    QStringList values;
    if (setting->setValue)
        values << numberText(setting->minimum) + QStringLiteral("..") +
                      numberText(setting->maximum);
    if (setting->setGate)
        values << QStringLiteral("on|off");
    return values.join(QLatin1Char('|'));
}

bool sliderRange(const QString& name, float& minimum, float& maximum)
{
    const Setting* setting = findSetting(name);
    if (!setting || !setting->setValue)
        return false;
    minimum = setting->minimum;
    maximum = setting->maximum;
    return true;
}

QString settingText(const Look& look, const QString& name)
{
    const Setting* setting = findSetting(name);
    if (!setting)
        return QString();
    if (setting->text)
        return setting->text(look);
    if (setting->choices)
        return listText(*setting, look);
    const bool on = setting->gate && (look.*setting->gate)() != 0;
    if (setting->gate && (!on || !setting->value))
        return on ? QStringLiteral("on") : QStringLiteral("off");
    return exactNumberText((look.*setting->value)());
}

} // namespace lookfiles
