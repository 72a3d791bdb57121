#include "app/PanelControls.h"

#include "app/AppDelegate.h"
#include "app/LookHistory.h"
#include "app/MainWindow.h"
#include "app/widgets/PreviewImageView.h"
#include "views/DoubleSlider.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

namespace app {

namespace {

using lookfiles::Setting;
using Part = AppDelegate::SettingPart;

template <class Widget> struct NamedField
{
    const char* name;
    QPointer<Widget> AppDelegate::*field;
};

// The controller's fields for the rows' controls that the window's other
// code reaches by name, by their object names.
const NamedField<QCheckBox> kCheckFields[] = {
    {"checkChrome", &AppDelegate::checkChrome},     {"checkInstant", &AppDelegate::checkInstant},
    {"checkProgress", &AppDelegate::checkProgress}, {"checkSepia", &AppDelegate::checkSepia},
    {"checkGamma", &AppDelegate::checkGamma},       {"checkExposure", &AppDelegate::checkExposure},
    {"checkNoise", &AppDelegate::checkNoise},       {"checkVignette", &AppDelegate::checkVignette},
    {"checkLight", &AppDelegate::checkLight},
};
const NamedField<DoubleSlider> kSliderFields[] = {
    {"sliderBrightness", &AppDelegate::sliderBrightness},
    {"sliderContrast", &AppDelegate::sliderContrast},
    {"sliderSaturation", &AppDelegate::sliderSaturation},
    {"sliderGamma", &AppDelegate::sliderGamma},
    {"sliderExposure", &AppDelegate::sliderExposure},
    {"sliderRedBalance", &AppDelegate::sliderRedBalance},
    {"sliderGreenBalance", &AppDelegate::sliderGreenBalance},
    {"sliderBlueBalance", &AppDelegate::sliderBlueBalance},
    {"sliderNoise", &AppDelegate::sliderNoise},
    {"sliderVignette", &AppDelegate::sliderVignette},
    {"sliderLight", &AppDelegate::sliderLight},
};
const NamedField<QLabel> kLabelFields[] = {
    {"labelBrightness", &AppDelegate::labelBrightness},
    {"labelContrast", &AppDelegate::labelContrast},
    {"labelSaturation", &AppDelegate::labelSaturation},
    {"labelGamma", &AppDelegate::labelGamma},
    {"labelExposure", &AppDelegate::labelExposure},
    {"labelRedBalance", &AppDelegate::labelRedBalance},
    {"labelGreenBalance", &AppDelegate::labelGreenBalance},
    {"labelBlueBalance", &AppDelegate::labelBlueBalance},
    {"labelNoise", &AppDelegate::labelNoise},
    {"labelVignette", &AppDelegate::labelVignette},
    {"labelLight", &AppDelegate::labelLight},
};
template <class Widget, std::size_t n>
void fillField(AppDelegate& c, const NamedField<Widget> (&fields)[n], Widget* widget)
{
    for (const NamedField<Widget>& named : fields)
        if (widget && widget->objectName() == QLatin1String(named.name))
            c.*named.field = widget;
}

template <class Widget> Widget* find(const AppDelegate& c, const char* name)
{
    return name && c.window ? c.window->findChild<Widget*>(QLatin1String(name)) : nullptr;
}

void redrawPreview(AppDelegate& c)
{
    if (c.viewPreview)
        c.viewPreview->update();
}

// Tells the sliders apart in the undo history: the moves of one drag merge
// into one step only while they are of the same slider.
int mergeIdentity(const Setting& setting)
{
    return int(&setting - lookfiles::settings().data()) + 1;
}

void setLabel(QLabel* label, float value, lookfiles::LabelFormat format)
{
    if (label)
        label->setText(lookfiles::labelText(value, format));
}

} // namespace

const Setting& row(const char* name)
{
    // A handler naming no row is a programming error: stop at once, by name.
    const Setting* setting = lookfiles::findSetting(QLatin1String(name));
    if (!setting)
        qFatal("no look setting is named \"%s\"", name);
    return *setting;
}

RowControls controlsOf(const AppDelegate& c, const Setting& setting)
{
    // Found once by wireSettings: a slider's every move and every sync come
    // here, and a search by name walks the whole window.
    const auto index = std::size_t(&setting - lookfiles::settings().data());
    if (index < c.settingControls.size())
        return c.settingControls[index];
    return {find<QCheckBox>(c, setting.check), find<DoubleSlider>(c, setting.slider),
            find<QLabel>(c, setting.label), find<QComboBox>(c, setting.combo)};
}

void wireSettings(AppDelegate& c)
{
    c.settingControls.clear();
    for (const Setting& setting : lookfiles::settings())
        c.settingControls.push_back(controlsOf(c, setting));
    for (const Setting& setting : lookfiles::settings()) {
        const RowControls controls = controlsOf(c, setting);
        fillField(c, kCheckFields, controls.check.data());
        fillField(c, kSliderFields, controls.slider.data());
        fillField(c, kLabelFields, controls.label.data());
        const Setting* entry = &setting;
        if (controls.check)
            QObject::connect(controls.check, &QCheckBox::clicked, &c,
                             [&c, entry] { c.Change_Setting(*entry, Part::Check); });
        if (controls.slider) {
            QObject::connect(controls.slider, &DoubleSlider::userChanged, &c,
                             [&c, entry] { c.Change_Setting(*entry, Part::Slider); });
            QObject::connect(controls.slider, &QSlider::sliderPressed, &c, [] { beginGesture(); });
        }
        if (controls.combo) {
            controls.combo->clear();
            for (const lookfiles::Choice& choice : setting.panelChoices())
                controls.combo->addItem(choice.text, choice.value);
            // `activated` comes from the user only, so choosing an item from
            // code (the synchronisation) writes nothing back.
            QObject::connect(controls.combo, &QComboBox::activated, &c,
                             [&c, entry] { c.Change_Setting(*entry, Part::List); });
        }
    }
}

void syncSettings(AppDelegate& c, lookfiles::PanelGroup group)
{
    if (!c.obj_Video)
        return;
    const NodeImageInformation& record = *c.obj_Video;
    for (const Setting& setting : lookfiles::settings()) {
        if (setting.group != group)
            continue;
        const RowControls controls = controlsOf(c, setting);
        if (controls.check)
            controls.check->setCheckState((record.*setting.gate)() ? Qt::Checked : Qt::Unchecked);
        if (setting.value) {
            const float value = (record.*setting.value)();
            if (controls.slider)
                controls.slider->setDoubleValue(double(value));
            setLabel(controls.label, value, setting.synced);
        }
        if (controls.combo)
            controls.combo->setCurrentIndex(controls.combo->findData(setting.choice(record)));
    }
}

QList<QWidget*> settingWidgets(const AppDelegate& c)
{
    QList<QWidget*> widgets;
    for (const Setting& setting : lookfiles::settings()) {
        const RowControls controls = controlsOf(c, setting);
        for (QWidget* widget :
             {static_cast<QWidget*>(controls.check), static_cast<QWidget*>(controls.slider),
              static_cast<QWidget*>(controls.combo)})
            if (widget)
                widgets.append(widget);
        for (const char* button : setting.buttons)
            if (QWidget* widget = find<QWidget>(c, button))
                widgets.append(widget);
    }
    return widgets;
}

void takeText(AppDelegate& c, const std::string& text, TextSetter setter, const char* name)
{
    if (!c.obj_Video)
        return;
    const LookState before = lookNow(c);
    ((*c.obj_Video).*setter)(text);
    redrawPreview(c);
    recordLookChange(c, before, QString::fromLatin1(name));
}

} // namespace app

void AppDelegate::Change_Setting(const lookfiles::Setting& setting, SettingPart part)
{
    if (!obj_Video)
        return;
    const app::RowControls controls = app::controlsOf(*this, setting);
    const app::LookState before = app::lookNow(*this);
    NodeImageInformation& record = *obj_Video;
    int merge = 0;
    unsigned gesture = 0;
    const char* undo = setting.undo;
    switch (part) {
    case SettingPart::Check:
        // A mixed state counts as off.
        (record.*setting.setGate)(controls.check && controls.check->checkState() == Qt::Checked);
        undo = setting.checkUndo;
        break;
    case SettingPart::Slider:
        if (!controls.slider)
            return;
        (record.*setting.setValue)(float(controls.slider->doubleValue()));
        app::setLabel(controls.label, (record.*setting.value)(), setting.moved);
        merge = app::mergeIdentity(setting);
        gesture = app::currentGesture(controls.slider->isSliderDown());
        break;
    case SettingPart::List:
        if (!controls.combo || controls.combo->currentIndex() < 0)
            return;
        setting.setChoice(record, controls.combo->currentData().toInt());
        break;
    }
    app::redrawPreview(*this);
    app::recordLookChange(*this, before, QString::fromLatin1(undo), merge, gesture);
}
