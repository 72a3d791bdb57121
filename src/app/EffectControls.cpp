// The effect panel's actions: each copies its control's value into the open
// video's record and asks the preview to redraw. Applying a preset or the
// reset moves every control to the record's values; setting a control from
// code sends no action, so nothing is written back. Every change is one step
// of the look's undo history (a slider's drag is one step, not one per move).
#include "app/AppDelegate.h"
#include "app/LookHistory.h"
#include "app/MainWindow.h"
#include "app/PanelControls.h"
#include "app/widgets/PreviewImageView.h"

#include <QPushButton>

// ---- The controls' actions: each row's change through Change_Setting ------

void AppDelegate::OnChangeChrome()
{
    Change_Setting(app::row("chrome"), SettingPart::Check);
}
void AppDelegate::OnChangeInstant()
{
    Change_Setting(app::row("instant"), SettingPart::Check);
}
void AppDelegate::OnChangeProcess()
{
    Change_Setting(app::row("process"), SettingPart::Check);
}
void AppDelegate::OnChangeSepia()
{
    Change_Setting(app::row("sepia"), SettingPart::Check);
}
void AppDelegate::OnChangeCheckGamma()
{
    Change_Setting(app::row("gamma"), SettingPart::Check);
}
void AppDelegate::OnChangeCheckExposure()
{
    Change_Setting(app::row("exposure"), SettingPart::Check);
}
void AppDelegate::OnchangeCheckNoise()
{
    Change_Setting(app::row("grain"), SettingPart::Check);
}
void AppDelegate::OnChangeCheckVignette()
{
    Change_Setting(app::row("vignette"), SettingPart::Check);
}
void AppDelegate::OnChangeCheckLight()
{
    Change_Setting(app::row("light"), SettingPart::Check);
}
void AppDelegate::OnChangeBrightness()
{
    Change_Setting(app::row("brightness"), SettingPart::Slider);
}
void AppDelegate::OnChangeContrast()
{
    Change_Setting(app::row("contrast"), SettingPart::Slider);
}
void AppDelegate::OnChangeSaturation()
{
    Change_Setting(app::row("saturation"), SettingPart::Slider);
}
void AppDelegate::OnChangeGamma()
{
    Change_Setting(app::row("gamma"), SettingPart::Slider);
}
void AppDelegate::OnChangeExposure()
{
    Change_Setting(app::row("exposure"), SettingPart::Slider);
}
void AppDelegate::OnChangeRedBalance()
{
    Change_Setting(app::row("red"), SettingPart::Slider);
}
void AppDelegate::OnChangeGreenBalance()
{
    Change_Setting(app::row("green"), SettingPart::Slider);
}
void AppDelegate::OnChangeBlueBalance()
{
    Change_Setting(app::row("blue"), SettingPart::Slider);
}
void AppDelegate::OnChangeNoise()
{
    Change_Setting(app::row("grain"), SettingPart::Slider);
}
void AppDelegate::OnChangeVignette()
{
    Change_Setting(app::row("vignette"), SettingPart::Slider);
}
void AppDelegate::OnChangeLight()
{
    Change_Setting(app::row("light"), SettingPart::Slider);
}

// ---- Presets and reset ------------------------------------------------------

namespace {

// Every control from the record, group by group, then a redraw.
void syncControls(AppDelegate& c)
{
    app::syncSettings(c, lookfiles::PanelGroup::Effects);
    c.Sync_Projector_Controls();
    c.Sync_Stock_Controls();
    if (c.viewPreview)
        c.viewPreview->update();
}

} // namespace

void AppDelegate::Apply_Preset_User_Choice(std::uint64_t presetNumber)
{
    // Numbers count from 1; 0 (a click at the strip's left edge) names no preset.
    if (!obj_Video || presetNumber < 1 || presetNumber > std::uint64_t(array_Presets.size()))
        return;
    const app::LookState before = app::lookNow(*this);
    const float fps = obj_Video->f_FPS();
    const QString path = obj_Video->sPath();
    const QImage frame = obj_Video->imgVideo();
    const media::VideoFacts facts = obj_Video->videoFacts();

    // The entry itself becomes the open video's record, so later changes stay
    // in the list and choosing it again brings them back.
    obj_Video = array_Presets[qsizetype(presetNumber - 1)];
    obj_Video->setImgVideo(frame);
    obj_Video->setSPath(path);
    obj_Video->setF_FPS(fps);
    obj_Video->setVideoFacts(facts);
    syncControls(*this);
    app::recordLookChange(*this, before, QStringLiteral("Preset %1").arg(presetNumber));
}

void AppDelegate::OnReset()
{
    if (!obj_Video)
        return;
    const app::LookState before = app::lookNow(*this);
    const float fps = obj_Video->f_FPS();
    const QString path = obj_Video->sPath();
    const QImage frame = obj_Video->imgVideo();
    const std::int64_t duration = obj_Video->i_Duration_In_Seconds();
    const media::VideoFacts facts = obj_Video->videoFacts();

    // A fresh record with every default; a preset entry left behind keeps its values.
    obj_Video = std::make_shared<NodeImageInformation>();
    obj_Video->setImgVideo(frame);
    obj_Video->setSPath(path);
    obj_Video->setF_FPS(fps);
    obj_Video->setI_Duration_In_Seconds(duration);
    obj_Video->setVideoFacts(facts);
    Apply_Reset();
    app::recordLookChange(*this, before, QStringLiteral("Reset"));
}

void AppDelegate::Apply_Reset()
{
    if (obj_Video)
        syncControls(*this);
}

void AppDelegate::Enable_Vintage_Controls(bool enabled)
{
    // Labels are not touched.
    QList<QWidget*> controls = app::settingWidgets(*this);
    controls << btnReset << barEras;
    for (QWidget* control : controls)
        if (control)
            control->setEnabled(enabled);
    // The look files' commands read and set the panel's look: they follow it.
    if (window) {
        window->ui.actionExportLook->setEnabled(enabled);
        window->ui.actionImportLook->setEnabled(enabled);
    }
}
