#include "app/PanelControls.h"

#include "app/AppDelegate.h"
#include "app/LookHistory.h"
#include "app/widgets/PreviewImageView.h"
#include "views/DoubleSlider.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>

namespace app {

namespace {

void redrawPreview(AppDelegate& c)
{
    if (c.viewPreview)
        c.viewPreview->update();
}

} // namespace

void wireChecks(AppDelegate& c, std::initializer_list<CheckWiring> checks)
{
    for (const CheckWiring& check : checks) {
        check.field = check.widget;
        const Handler action = check.action;
        QObject::connect(check.widget, &QCheckBox::clicked, &c, [&c, action] { (c.*action)(); });
    }
}

void wireSliders(AppDelegate& c, std::initializer_list<SliderWiring> sliders)
{
    for (const SliderWiring& entry : sliders) {
        entry.slider = entry.sliderWidget;
        entry.label = entry.labelWidget;
        const Handler action = entry.action;
        QObject::connect(entry.sliderWidget, &DoubleSlider::userChanged, &c,
                         [&c, action] { (c.*action)(); });
    }
}

void setCheck(QCheckBox* check, std::uint8_t flag)
{
    if (check)
        check->setCheckState(flag ? Qt::Checked : Qt::Unchecked);
}

void setLabel(QLabel* label, float value, LabelFormat format)
{
    if (label)
        label->setText(QString::asprintf(format.format, double(value / format.divisor)));
}

void setSlider(DoubleSlider* slider, QLabel* label, float value, LabelFormat format)
{
    if (slider)
        slider->setDoubleValue(double(value));
    setLabel(label, value, format);
}

void setChoice(QComboBox* combo, int value)
{
    if (combo)
        combo->setCurrentIndex(combo->findData(value));
}

void takeCheck(AppDelegate& c, const QCheckBox* check, FlagSetter setter, const char* name)
{
    if (!c.obj_Video)
        return;
    const LookState before = lookNow(c);
    const bool on = check && check->checkState() == Qt::Checked;
    ((*c.obj_Video).*setter)(on ? 1 : 0);
    redrawPreview(c);
    recordLookChange(c, before, QString::fromLatin1(name));
}

void takeSlider(AppDelegate& c, const DoubleSlider* slider, QLabel* label, ValueSetter setter,
                ValueGetter getter, LabelFormat format, int control, const char* name)
{
    if (!c.obj_Video || !slider)
        return;
    const LookState before = lookNow(c);
    ((*c.obj_Video).*setter)(float(slider->doubleValue()));
    setLabel(label, ((*c.obj_Video).*getter)(), format);
    redrawPreview(c);
    recordLookChange(c, before, QString::fromLatin1(name), control,
                     currentGesture(slider->isSliderDown()));
}

void takeChoice(AppDelegate& c, const QComboBox* combo, ChoiceSetter setter, const char* name)
{
    if (!c.obj_Video || !combo || combo->currentIndex() < 0)
        return;
    const LookState before = lookNow(c);
    ((*c.obj_Video).*setter)(combo->currentData().toInt());
    redrawPreview(c);
    recordLookChange(c, before, QString::fromLatin1(name));
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
