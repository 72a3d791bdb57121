#include "lookfiles/LookSettings.h"

#include "lookfiles/ChoiceSettings.h"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace lookfiles {

namespace {

using effects::Look;

// One control of the panel: its gate (a check box), its slider or both. The
// ranges are those of the panel's sliders (MainWindow.ui).
struct Control
{
    const char* name;
    std::uint8_t (Look::*gate)() const;
    void (Look::*setGate)(std::uint8_t);
    float (Look::*value)() const;
    void (Look::*setValue)(float);
    float minimum;
    float maximum;
};

constexpr Control kControls[] = {
    {"chrome", &Look::b_Chrome, &Look::setB_Chrome, nullptr, nullptr, 0, 0},
    {"instant", &Look::b_Instant, &Look::setB_Instant, nullptr, nullptr, 0, 0},
    {"process", &Look::b_Process, &Look::setB_Process, nullptr, nullptr, 0, 0},
    {"sepia", &Look::b_Sepia, &Look::setB_Sepia, nullptr, nullptr, 0, 0},
    {"brightness", nullptr, nullptr, &Look::f_Brightness, &Look::setF_Brightness, -100, 100},
    {"contrast", nullptr, nullptr, &Look::f_Contrast, &Look::setF_Contrast, 25, 200},
    {"saturation", nullptr, nullptr, &Look::f_Saturation, &Look::setF_Saturation, 0, 200},
    {"gamma", &Look::b_Gamma, &Look::setB_Gamma, &Look::f_Gamma, &Look::setF_Gamma, 25, 300},
    {"exposure", &Look::b_Exposure, &Look::setB_Exposure, &Look::f_Exposure, &Look::setF_Exposure,
     -200, 200},
    {"red", nullptr, nullptr, &Look::f_Red_Balance, &Look::setF_Red_Balance, 0, 200},
    {"green", nullptr, nullptr, &Look::f_Green_Balance, &Look::setF_Green_Balance, 0, 200},
    {"blue", nullptr, nullptr, &Look::f_Blue_Balance, &Look::setF_Blue_Balance, 0, 200},
    {"grain", &Look::b_Noise, &Look::setB_Noise, &Look::f_Noise, &Look::setF_Noise, 0, 500},
    {"vignette", &Look::b_Vignetting, &Look::setB_Vignetting, &Look::f_Vignetting,
     &Look::setF_Vignetting, 0, 30},
    {"light", &Look::b_Light, &Look::setB_Light, &Look::f_Light, &Look::setF_Light, 0, 100},
    {"weave", &Look::b_Weave, &Look::setB_Weave, &Look::f_Weave, &Look::setF_Weave, 0, 100},
    {"flicker", &Look::b_Flicker, &Look::setB_Flicker, &Look::f_Flicker, &Look::setF_Flicker, 0,
     100},
    {"halation", &Look::b_Halation, &Look::setB_Halation, &Look::f_Halation, &Look::setF_Halation,
     0, 100},
    {"halationradius", nullptr, nullptr, &Look::f_Halation_Radius, &Look::setF_Halation_Radius, 0,
     100},
    {"soundstrength", nullptr, nullptr, &Look::f_Old_Sound, &Look::setF_Old_Sound, 0, 100},
    {"stockstrength", nullptr, nullptr, &Look::f_Stock_Strength, &Look::setF_Stock_Strength, 0,
     100},
};

const Control* findControl(const QString& name)
{
    for (const Control& control : kControls)
        if (name == QLatin1String(control.name))
            return &control;
    return nullptr;
}

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

bool isOnOff(const QString& value)
{
    return value.compare(QLatin1String("on"), Qt::CaseInsensitive) == 0 ||
           value.compare(QLatin1String("off"), Qt::CaseInsensitive) == 0;
}

} // namespace

QString applyValue(Look& look, const QString& name, const QString& value)
{
    const Control* control = findControl(name);
    if (QString error; !control && applyChoice(look, name, value, error))
        return error;
    if (!control)
        return QStringLiteral("not a setting (known: %1)")
            .arg(settingNames().join(QStringLiteral(", ")));

    if (isOnOff(value)) {
        if (!control->setGate)
            return QStringLiteral("takes a number from %1 to %2, not on/off")
                .arg(numberText(control->minimum), numberText(control->maximum));
        (look.*control->setGate)(value.compare(QLatin1String("on"), Qt::CaseInsensitive) == 0 ? 1
                                                                                              : 0);
        return QString();
    }
    if (!control->setValue)
        return QStringLiteral("takes on or off, not \"%1\"").arg(value);
    bool isNumber = false;
    const float number = value.toFloat(&isNumber);
    if (!isNumber || !std::isfinite(number) || number < control->minimum ||
        number > control->maximum)
        return QStringLiteral("\"%1\" is not a number from %2 to %3")
            .arg(value, numberText(control->minimum), numberText(control->maximum));
    (look.*control->setValue)(number);
    if (control->setGate)
        (look.*control->setGate)(1);
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
    QStringList names;
    for (const Control& control : kControls)
        names << QLatin1String(control.name);
    return names << choiceNames();
}

QString settingValues(const QString& name)
{
    const Control* control = findControl(name);
    if (!control)
        return choiceValues(name);
    QStringList values;
    if (control->setValue)
        values << numberText(control->minimum) + QStringLiteral("..") +
                      numberText(control->maximum);
    if (control->setGate)
        values << QStringLiteral("on|off");
    return values.join(QLatin1Char('|'));
}

bool sliderRange(const QString& name, float& minimum, float& maximum)
{
    const Control* control = findControl(name);
    if (!control || !control->setValue)
        return false;
    minimum = control->minimum;
    maximum = control->maximum;
    return true;
}

QString settingText(const Look& look, const QString& name)
{
    const Control* control = findControl(name);
    if (!control)
        return choiceText(look, name);
    const bool on = control->gate && (look.*control->gate)() != 0;
    if (control->gate && (!on || !control->value))
        return on ? QStringLiteral("on") : QStringLiteral("off");
    return exactNumberText((look.*control->value)());
}

} // namespace lookfiles
