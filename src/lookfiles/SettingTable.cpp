#include "lookfiles/SettingTable.h"

#include "projector/Cadence.h"
#include "projector/Gate.h"
#include "projector/Grain.h"
#include "stock/CubeCache.h"

#include <QFileInfo>
#include <algorithm>
#include <limits>

namespace lookfiles {

namespace {

using effects::Look;

QList<Choice> cadenceChoices()
{
    QList<Choice> choices;
    for (const int rate : projector::crankRates())
        choices.append({QString::number(rate), rate});
    choices.append({QStringLiteral("off"), 0});
    return choices;
}

QList<Choice> cadencePanelChoices()
{
    QList<Choice> choices{{QStringLiteral("Off"), 0}};
    for (const int rate : projector::crankRates())
        choices.append({QStringLiteral("%1 fps").arg(rate), rate});
    return choices;
}

// The shapes by their names, typed in lower case ("full", "4:3").
QList<Choice> gateChoices(bool lowerCase)
{
    QList<Choice> choices;
    const auto& shapes = projector::gateShapes();
    for (std::size_t i = 0; i < shapes.size(); ++i) {
        const QString name = QString::fromLatin1(shapes[i].name);
        choices.append({lowerCase ? name.toLower() : name, int(i)});
    }
    return choices;
}

// Size 1 is typed "fine" (or 1) and shown "Fine".
QList<Choice> grainSizeChoices()
{
    QList<Choice> choices{{QStringLiteral("fine"), 1}};
    for (const int size : projector::grainSizes())
        choices.append({QString::number(size), size});
    return choices;
}

QList<Choice> grainSizePanelChoices()
{
    QList<Choice> choices;
    for (const int size : projector::grainSizes())
        choices.append({size == 1 ? QStringLiteral("Fine") : QString::number(size), size});
    return choices;
}

QList<Choice> soundChoices()
{
    return {{QStringLiteral("old"), 1}, {QStringLiteral("off"), 0}};
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

using G = PanelGroup;

// One row of fields per setting reads better than one field a line.
// clang-format off
const Setting kSettings[] = {
    // ---- Effects
    {.name = "chrome", .group = G::Effects, .check = "checkChrome", .checkUndo = "Chrome",
     .gate = &Look::b_Chrome, .setGate = &Look::setB_Chrome},
    {.name = "instant", .group = G::Effects, .check = "checkInstant", .checkUndo = "Instant",
     .gate = &Look::b_Instant, .setGate = &Look::setB_Instant},
    {.name = "process", .group = G::Effects, .check = "checkProgress", .checkUndo = "Process",
     .gate = &Look::b_Process, .setGate = &Look::setB_Process},
    {.name = "sepia", .group = G::Effects, .check = "checkSepia", .checkUndo = "Sepia",
     .gate = &Look::b_Sepia, .setGate = &Look::setB_Sepia},
    {.name = "brightness", .group = G::Effects, .slider = "sliderBrightness",
     .label = "labelBrightness", .undo = "Brightness", .minimum = -100, .maximum = 100,
     .defaultValue = 0, .value = &Look::f_Brightness, .setValue = &Look::setF_Brightness},
    {.name = "contrast", .group = G::Effects, .slider = "sliderContrast", .label = "labelContrast",
     .undo = "Contrast", .minimum = 25, .maximum = 200, .defaultValue = 100,
     .value = &Look::f_Contrast, .setValue = &Look::setF_Contrast},
    {.name = "saturation", .group = G::Effects, .slider = "sliderSaturation",
     .label = "labelSaturation", .undo = "Saturation", .minimum = 0, .maximum = 200,
     .defaultValue = 100, .value = &Look::f_Saturation, .setValue = &Look::setF_Saturation},
    {.name = "gamma", .group = G::Effects, .check = "checkGamma", .slider = "sliderGamma",
     .label = "labelGamma", .checkUndo = "Gamma on/off", .undo = "Gamma", .moved = kHundredths,
     .synced = kHundredths, .minimum = 25, .maximum = 300, .defaultValue = 75,
     .gate = &Look::b_Gamma, .setGate = &Look::setB_Gamma, .value = &Look::f_Gamma,
     .setValue = &Look::setF_Gamma},
    // The label shows the slider's value after a move, value / 100 after a sync.
    {.name = "exposure", .group = G::Effects, .check = "checkExposure", .slider = "sliderExposure",
     .label = "labelExposure", .checkUndo = "Exposure on/off", .undo = "Exposure", .moved = kPlain,
     .synced = kHundredths, .minimum = -200, .maximum = 200, .defaultValue = 50,
     .gate = &Look::b_Exposure, .setGate = &Look::setB_Exposure, .value = &Look::f_Exposure,
     .setValue = &Look::setF_Exposure},
    {.name = "red", .group = G::Effects, .slider = "sliderRedBalance", .label = "labelRedBalance",
     .undo = "Red balance", .moved = kHundredths, .synced = kHundredths, .minimum = 0,
     .maximum = 200, .defaultValue = 100, .value = &Look::f_Red_Balance,
     .setValue = &Look::setF_Red_Balance},
    {.name = "green", .group = G::Effects, .slider = "sliderGreenBalance",
     .label = "labelGreenBalance", .undo = "Green balance", .moved = kHundredths,
     .synced = kHundredths, .minimum = 0, .maximum = 200, .defaultValue = 100,
     .value = &Look::f_Green_Balance, .setValue = &Look::setF_Green_Balance},
    {.name = "blue", .group = G::Effects, .slider = "sliderBlueBalance",
     .label = "labelBlueBalance", .undo = "Blue balance", .moved = kHundredths,
     .synced = kHundredths, .minimum = 0, .maximum = 200, .defaultValue = 100,
     .value = &Look::f_Blue_Balance, .setValue = &Look::setF_Blue_Balance},
    {.name = "grain", .group = G::Effects, .check = "checkNoise", .slider = "sliderNoise",
     .label = "labelNoise", .checkUndo = "Grain on/off", .undo = "Grain", .moved = kNoise,
     .synced = kNoise, .minimum = 0, .maximum = 500, .defaultValue = 50, .gate = &Look::b_Noise,
     .setGate = &Look::setB_Noise, .value = &Look::f_Noise, .setValue = &Look::setF_Noise},
    // The reverse of exposure: value / 10 after a move, the value after a sync.
    {.name = "vignette", .group = G::Effects, .check = "checkVignette", .slider = "sliderVignette",
     .label = "labelVignette", .checkUndo = "Vignette on/off", .undo = "Vignette", .moved = kTenths,
     .synced = kPlain, .minimum = 0, .maximum = 30, .defaultValue = 10, .gate = &Look::b_Vignetting,
     .setGate = &Look::setB_Vignetting, .value = &Look::f_Vignetting,
     .setValue = &Look::setF_Vignetting},
    {.name = "light", .group = G::Effects, .check = "checkLight", .slider = "sliderLight",
     .label = "labelLight", .checkUndo = "Light on/off", .undo = "Light", .moved = kHundredths,
     .synced = kHundredths, .minimum = 0, .maximum = 100, .defaultValue = 50,
     .gate = &Look::b_Light, .setGate = &Look::setB_Light, .value = &Look::f_Light,
     .setValue = &Look::setF_Light},

    // ---- Projector
    {.name = "weave", .group = G::Projector, .check = "checkWeave", .slider = "sliderWeave",
     .label = "labelWeave", .checkUndo = "Gate weave on/off", .undo = "Gate weave", .moved = kWhole,
     .synced = kWhole, .minimum = 0, .maximum = 100, .defaultValue = 30, .gate = &Look::b_Weave,
     .setGate = &Look::setB_Weave, .value = &Look::f_Weave, .setValue = &Look::setF_Weave},
    {.name = "flicker", .group = G::Projector, .check = "checkFlicker", .slider = "sliderFlicker",
     .label = "labelFlicker", .checkUndo = "Flicker on/off", .undo = "Flicker", .moved = kWhole,
     .synced = kWhole, .minimum = 0, .maximum = 100, .defaultValue = 30, .gate = &Look::b_Flicker,
     .setGate = &Look::setB_Flicker, .value = &Look::f_Flicker, .setValue = &Look::setF_Flicker},
    {.name = "cadence", .group = G::Projector, .combo = "comboCadence", .undo = "Cranked at",
     .choice = [](const Look& l) { return l.i_Cadence(); },
     .setChoice = [](Look& l, int v) { l.setI_Cadence(v); }, .choices = cadenceChoices,
     .panelChoices = cadencePanelChoices},
    {.name = "gate", .group = G::Projector, .combo = "comboGate", .undo = "Gate",
     .choice = [](const Look& l) { return l.i_Gate(); },
     .setChoice = [](Look& l, int v) { l.setI_Gate(v); },
     .choices = [] { return gateChoices(true); },
     .panelChoices = [] { return gateChoices(false); }},
    {.name = "halation", .group = G::Projector, .check = "checkHalation",
     .slider = "sliderHalation", .label = "labelHalation", .checkUndo = "Halation on/off",
     .undo = "Halation", .moved = kWhole, .synced = kWhole, .minimum = 0, .maximum = 100,
     .defaultValue = 40, .gate = &Look::b_Halation, .setGate = &Look::setB_Halation,
     .value = &Look::f_Halation, .setValue = &Look::setF_Halation},
    {.name = "halationradius", .group = G::Projector, .slider = "sliderHalationRadius",
     .label = "labelHalationRadius", .undo = "Halation radius", .moved = kWhole, .synced = kWhole,
     .minimum = 0, .maximum = 100, .defaultValue = 30, .value = &Look::f_Halation_Radius,
     .setValue = &Look::setF_Halation_Radius},
    {.name = "grainsize", .group = G::Projector, .combo = "comboGrainSize", .undo = "Grain size",
     .choice = [](const Look& l) { return l.i_Grain_Size(); },
     .setChoice = [](Look& l, int v) { l.setI_Grain_Size(v); }, .choices = grainSizeChoices,
     .panelChoices = grainSizePanelChoices},
    {.name = "seed", .values = seedValues, .apply = applySeed, .text = seedText},
    // The panel's check box is the sound's flag; the command line says old or off.
    {.name = "sound", .group = G::Projector, .check = "checkOldSound",
     .checkUndo = "Old sound on/off", .gate = &Look::b_Old_Sound, .setGate = &Look::setB_Old_Sound,
     .choice = [](const Look& l) { return int(l.b_Old_Sound()); },
     .setChoice = [](Look& l, int v) { l.setB_Old_Sound(std::uint8_t(v)); },
     .choices = soundChoices},
    {.name = "soundstrength", .group = G::Projector, .slider = "sliderOldSound",
     .label = "labelOldSound", .undo = "Old sound", .moved = kWhole, .synced = kWhole, .minimum = 0,
     .maximum = 100, .defaultValue = 50, .value = &Look::f_Old_Sound,
     .setValue = &Look::setF_Old_Sound},

    // ---- Film stock: its buttons have code of their own (StockControls.cpp).
    {.name = "stock", .group = G::Stock, .buttons = {"btnStockNone", "btnStock"},
     .values = stockValues, .apply = applyStock, .text = stockText},
    {.name = "stockstrength", .group = G::Stock, .slider = "sliderStock", .label = "labelStock",
     .undo = "Film stock strength", .moved = kWhole, .synced = kWhole, .minimum = 0, .maximum = 100,
     .defaultValue = 100, .value = &Look::f_Stock_Strength, .setValue = &Look::setF_Stock_Strength},
};
// clang-format on

} // namespace

QString labelText(float value, LabelFormat format)
{
    return QString::asprintf(format.format, double(value / format.divisor));
}

std::span<const Setting> settings()
{
    return kSettings;
}

const Setting* findSetting(const QString& name)
{
    for (const Setting& setting : kSettings)
        if (name == QLatin1String(setting.name))
            return &setting;
    return nullptr;
}

} // namespace lookfiles
