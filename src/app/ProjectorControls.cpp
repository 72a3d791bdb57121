// The effect panel's Projector group: gate weave, flicker, the crank's rate,
// the gate's shape, halation, the grain's size and the old sound. Its controls act like the
// rest of the panel (one undo step per change, the preview redrawn) and are
// set from the record with the others when a preset, Reset or undo applies.
#include "app/AppDelegate.h"
#include "app/PanelControls.h"

void AppDelegate::OnChangeCheckWeave()
{
    Change_Setting(app::row("weave"), SettingPart::Check);
}

void AppDelegate::OnChangeWeave()
{
    Change_Setting(app::row("weave"), SettingPart::Slider);
}

void AppDelegate::OnChangeCheckFlicker()
{
    Change_Setting(app::row("flicker"), SettingPart::Check);
}

void AppDelegate::OnChangeFlicker()
{
    Change_Setting(app::row("flicker"), SettingPart::Slider);
}

void AppDelegate::OnChangeCadence()
{
    Change_Setting(app::row("cadence"), SettingPart::List);
}

void AppDelegate::OnChangeGate()
{
    Change_Setting(app::row("gate"), SettingPart::List);
}

void AppDelegate::OnChangeCheckHalation()
{
    Change_Setting(app::row("halation"), SettingPart::Check);
}

void AppDelegate::OnChangeHalation()
{
    Change_Setting(app::row("halation"), SettingPart::Slider);
}

void AppDelegate::OnChangeHalationRadius()
{
    Change_Setting(app::row("halationradius"), SettingPart::Slider);
}

void AppDelegate::OnChangeGrainSize()
{
    Change_Setting(app::row("grainsize"), SettingPart::List);
}

void AppDelegate::OnChangeCheckOldSound()
{
    Change_Setting(app::row("sound"), SettingPart::Check);
}

void AppDelegate::OnChangeOldSound()
{
    Change_Setting(app::row("soundstrength"), SettingPart::Slider);
}

void AppDelegate::Sync_Projector_Controls()
{
    app::syncSettings(*this, lookfiles::PanelGroup::Projector);
}
