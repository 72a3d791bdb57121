// The effect panel's Projector group: gate weave, flicker, the crank's rate,
// the gate's shape, halation, the grain's size and the old sound. Its controls act like the
// rest of the panel (one undo step per change, the preview redrawn) and are
// set from the record with the others when a preset, Reset or undo applies.
#include "app/AppDelegate.h"
#include "app/MainWindow.h"
#include "app/PanelControls.h"
#include "projector/Cadence.h"
#include "projector/Gate.h"
#include "projector/Grain.h"
#include "views/DoubleSlider.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>

namespace {

using Record = NodeImageInformation;

struct Choice
{
    QString text;
    int value; // what the record field takes
};

QList<Choice> cadenceChoices()
{
    QList<Choice> choices{{QStringLiteral("Off"), 0}};
    for (int rate : projector::crankRates())
        choices.append({QStringLiteral("%1 fps").arg(rate), rate});
    return choices;
}

QList<Choice> gateChoices()
{
    QList<Choice> choices;
    const auto& shapes = projector::gateShapes();
    for (std::size_t i = 0; i < shapes.size(); ++i)
        choices.append({QString::fromLatin1(shapes[i].name), int(i)});
    return choices;
}

QList<Choice> grainSizeChoices()
{
    QList<Choice> choices;
    for (int size : projector::grainSizes())
        choices.append({size == 1 ? QStringLiteral("Fine") : QString::number(size), size});
    return choices;
}

} // namespace

void AppDelegate::Wire_Projector_Controls(MainWindow* mainWindow)
{
    Ui::MainWindow& ui = mainWindow->ui;

    app::wireChecks(*this,
                    {
                        {checkWeave, ui.checkWeave, &AppDelegate::OnChangeCheckWeave},
                        {checkFlicker, ui.checkFlicker, &AppDelegate::OnChangeCheckFlicker},
                        {checkHalation, ui.checkHalation, &AppDelegate::OnChangeCheckHalation},
                        {checkOldSound, ui.checkOldSound, &AppDelegate::OnChangeCheckOldSound},
                    });

    app::wireSliders(*this, {
                                {sliderWeave, ui.sliderWeave, labelWeave, ui.labelWeave,
                                 &AppDelegate::OnChangeWeave},
                                {sliderFlicker, ui.sliderFlicker, labelFlicker, ui.labelFlicker,
                                 &AppDelegate::OnChangeFlicker},
                                {sliderHalation, ui.sliderHalation, labelHalation, ui.labelHalation,
                                 &AppDelegate::OnChangeHalation},
                                {sliderHalationRadius, ui.sliderHalationRadius, labelHalationRadius,
                                 ui.labelHalationRadius, &AppDelegate::OnChangeHalationRadius},
                                {sliderOldSound, ui.sliderOldSound, labelOldSound, ui.labelOldSound,
                                 &AppDelegate::OnChangeOldSound},
                            });

    // `activated` comes from the user only, so choosing an item from code
    // (the synchronisation) writes nothing back.
    const struct
    {
        QPointer<QComboBox>& field;
        QComboBox* widget;
        QList<Choice> choices;
        Routine action;
    } combos[] = {
        {comboCadence, ui.comboCadence, cadenceChoices(), &AppDelegate::OnChangeCadence},
        {comboGate, ui.comboGate, gateChoices(), &AppDelegate::OnChangeGate},
        {comboGrainSize, ui.comboGrainSize, grainSizeChoices(), &AppDelegate::OnChangeGrainSize},
    };
    for (const auto& combo : combos) {
        combo.field = combo.widget;
        combo.widget->clear();
        for (const Choice& choice : combo.choices)
            combo.widget->addItem(choice.text, choice.value);
        const Routine action = combo.action;
        connect(combo.widget, &QComboBox::activated, this, [this, action] { (this->*action)(); });
    }
}

void AppDelegate::OnChangeCheckWeave()
{
    app::takeCheck(*this, checkWeave, &Record::setB_Weave, "Gate weave on/off");
}

void AppDelegate::OnChangeWeave()
{
    app::takeSlider(*this, sliderWeave, labelWeave, &Record::setF_Weave, &Record::f_Weave,
                    app::kWhole, 12, "Gate weave");
}

void AppDelegate::OnChangeCheckFlicker()
{
    app::takeCheck(*this, checkFlicker, &Record::setB_Flicker, "Flicker on/off");
}

void AppDelegate::OnChangeFlicker()
{
    app::takeSlider(*this, sliderFlicker, labelFlicker, &Record::setF_Flicker, &Record::f_Flicker,
                    app::kWhole, 13, "Flicker");
}

void AppDelegate::OnChangeCadence()
{
    app::takeChoice(*this, comboCadence, &Record::setI_Cadence, "Cranked at");
}

void AppDelegate::OnChangeGate()
{
    app::takeChoice(*this, comboGate, &Record::setI_Gate, "Gate");
}

void AppDelegate::OnChangeCheckHalation()
{
    app::takeCheck(*this, checkHalation, &Record::setB_Halation, "Halation on/off");
}

void AppDelegate::OnChangeHalation()
{
    app::takeSlider(*this, sliderHalation, labelHalation, &Record::setF_Halation,
                    &Record::f_Halation, app::kWhole, 14, "Halation");
}

void AppDelegate::OnChangeHalationRadius()
{
    app::takeSlider(*this, sliderHalationRadius, labelHalationRadius, &Record::setF_Halation_Radius,
                    &Record::f_Halation_Radius, app::kWhole, 15, "Halation radius");
}

void AppDelegate::OnChangeGrainSize()
{
    app::takeChoice(*this, comboGrainSize, &Record::setI_Grain_Size, "Grain size");
}

void AppDelegate::OnChangeCheckOldSound()
{
    app::takeCheck(*this, checkOldSound, &Record::setB_Old_Sound, "Old sound on/off");
}

void AppDelegate::OnChangeOldSound()
{
    app::takeSlider(*this, sliderOldSound, labelOldSound, &Record::setF_Old_Sound,
                    &Record::f_Old_Sound, app::kWhole, 16, "Old sound");
}

void AppDelegate::Sync_Projector_Controls()
{
    if (!obj_Video)
        return;
    const Record& r = *obj_Video;
    app::setCheck(checkWeave, r.b_Weave());
    app::setSlider(sliderWeave, labelWeave, r.f_Weave(), app::kWhole);
    app::setCheck(checkFlicker, r.b_Flicker());
    app::setSlider(sliderFlicker, labelFlicker, r.f_Flicker(), app::kWhole);
    app::setChoice(comboCadence, r.i_Cadence());
    app::setChoice(comboGate, r.i_Gate());
    app::setCheck(checkHalation, r.b_Halation());
    app::setSlider(sliderHalation, labelHalation, r.f_Halation(), app::kWhole);
    app::setSlider(sliderHalationRadius, labelHalationRadius, r.f_Halation_Radius(), app::kWhole);
    app::setChoice(comboGrainSize, r.i_Grain_Size());
    app::setCheck(checkOldSound, r.b_Old_Sound());
    app::setSlider(sliderOldSound, labelOldSound, r.f_Old_Sound(), app::kWhole);
}
