#include "lookfiles/LookSettings.h"

#include "lookfiles/ChoiceSettings.h"

#include <cmath>
#include <cstdint>

namespace lookfiles {

namespace {

using Record = NodeImageInformation;

// One control of the panel: its gate (a check box), its slider or both. The
// ranges are those of the panel's sliders (MainWindow.ui).
struct Control
{
    const char* name;
    void (Record::*gate)(std::uint8_t);
    void (Record::*value)(float);
    float minimum;
    float maximum;
};

constexpr Control kControls[] = {
    {"chrome", &Record::setB_Chrome, nullptr, 0, 0},
    {"instant", &Record::setB_Instant, nullptr, 0, 0},
    {"process", &Record::setB_Process, nullptr, 0, 0},
    {"sepia", &Record::setB_Sepia, nullptr, 0, 0},
    {"brightness", nullptr, &Record::setF_Brightness, -100, 100},
    {"contrast", nullptr, &Record::setF_Contrast, 25, 200},
    {"saturation", nullptr, &Record::setF_Saturation, 0, 200},
    {"gamma", &Record::setB_Gamma, &Record::setF_Gamma, 25, 300},
    {"exposure", &Record::setB_Exposure, &Record::setF_Exposure, -200, 200},
    {"red", nullptr, &Record::setF_Red_Balance, 0, 200},
    {"green", nullptr, &Record::setF_Green_Balance, 0, 200},
    {"blue", nullptr, &Record::setF_Blue_Balance, 0, 200},
    {"grain", &Record::setB_Noise, &Record::setF_Noise, 0, 500},
    {"vignette", &Record::setB_Vignetting, &Record::setF_Vignetting, 0, 30},
    {"light", &Record::setB_Light, &Record::setF_Light, 0, 100},
    {"weave", &Record::setB_Weave, &Record::setF_Weave, 0, 100},
    {"flicker", &Record::setB_Flicker, &Record::setF_Flicker, 0, 100},
    {"halation", &Record::setB_Halation, &Record::setF_Halation, 0, 100},
    {"halationradius", nullptr, &Record::setF_Halation_Radius, 0, 100},
    {"soundstrength", nullptr, &Record::setF_Old_Sound, 0, 100},
};

const Control* findControl(const QString& name)
{
    for (const Control& control : kControls)
        if (name == QLatin1String(control.name))
            return &control;
    return nullptr;
}

QString numberText(float value)
{
    return QString::number(double(value), 'g', 6);
}

} // namespace

QString applySetting(Record& record, const QString& nameValue)
{
    const qsizetype equals = nameValue.indexOf(QLatin1Char('='));
    if (equals <= 0)
        return QStringLiteral("--set %1: expected NAME=VALUE").arg(nameValue);
    const QString name = nameValue.left(equals).trimmed().toLower();
    const QString value = nameValue.mid(equals + 1).trimmed().toLower();
    const Control* control = findControl(name);
    if (QString error; !control && applyChoice(record, name, value, error))
        return error;
    if (!control)
        return QStringLiteral("--set: unknown effect \"%1\" (known: %2)")
            .arg(name, settingNames().join(QStringLiteral(", ")));

    if (value == QLatin1String("on") || value == QLatin1String("off")) {
        if (!control->gate)
            return QStringLiteral("--set %1: takes a number from %2 to %3, not on/off")
                .arg(name, numberText(control->minimum), numberText(control->maximum));
        (record.*control->gate)(value == QLatin1String("on") ? 1 : 0);
        return QString();
    }
    if (!control->value)
        return QStringLiteral("--set %1: takes on or off, not \"%2\"").arg(name, value);
    bool isNumber = false;
    const float number = value.toFloat(&isNumber);
    if (!isNumber || !std::isfinite(number) || number < control->minimum ||
        number > control->maximum)
        return QStringLiteral("--set %1: \"%2\" is not a number from %3 to %4")
            .arg(name, value, numberText(control->minimum), numberText(control->maximum));
    (record.*control->value)(number);
    if (control->gate)
        (record.*control->gate)(1);
    return QString();
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
    if (control->value)
        values << numberText(control->minimum) + QStringLiteral("..") +
                      numberText(control->maximum);
    if (control->gate)
        values << QStringLiteral("on|off");
    return values.join(QLatin1Char('|'));
}

bool sliderRange(const QString& name, float& minimum, float& maximum)
{
    const Control* control = findControl(name);
    if (!control || !control->value)
        return false;
    minimum = control->minimum;
    maximum = control->maximum;
    return true;
}

} // namespace lookfiles
