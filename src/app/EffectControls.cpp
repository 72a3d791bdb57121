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
#include "views/DoubleSlider.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

namespace {
using Record = NodeImageInformation;
} // namespace

using app::kHundredths;
using app::kNoise;
using app::kPlain;
using app::kTenths;
using app::setCheck;
using app::setSlider;
using app::takeCheck;
using app::takeSlider;

// ---- Check boxes ------------------------------------------------------------

void AppDelegate::OnChangeChrome()
{
    takeCheck(*this, checkChrome, &Record::setB_Chrome, "Chrome");
}
void AppDelegate::OnChangeInstant()
{
    takeCheck(*this, checkInstant, &Record::setB_Instant, "Instant");
}
void AppDelegate::OnChangeProcess()
{
    takeCheck(*this, checkProgress, &Record::setB_Process, "Process");
}
void AppDelegate::OnChangeSepia()
{
    takeCheck(*this, checkSepia, &Record::setB_Sepia, "Sepia");
}
void AppDelegate::OnChangeCheckGamma()
{
    takeCheck(*this, checkGamma, &Record::setB_Gamma, "Gamma on/off");
}
void AppDelegate::OnChangeCheckExposure()
{
    takeCheck(*this, checkExposure, &Record::setB_Exposure, "Exposure on/off");
}
void AppDelegate::OnchangeCheckNoise()
{
    takeCheck(*this, checkNoise, &Record::setB_Noise, "Grain on/off");
}
void AppDelegate::OnChangeCheckVignette()
{
    takeCheck(*this, checkVignette, &Record::setB_Vignetting, "Vignette on/off");
}
void AppDelegate::OnChangeCheckLight()
{
    takeCheck(*this, checkLight, &Record::setB_Light, "Light on/off");
}

// ---- Sliders ----------------------------------------------------------------

void AppDelegate::OnChangeBrightness()
{
    takeSlider(*this, sliderBrightness, labelBrightness, &Record::setF_Brightness,
               &Record::f_Brightness, kPlain, 1, "Brightness");
}

void AppDelegate::OnChangeContrast()
{
    takeSlider(*this, sliderContrast, labelContrast, &Record::setF_Contrast, &Record::f_Contrast,
               kPlain, 2, "Contrast");
}

void AppDelegate::OnChangeSaturation()
{
    takeSlider(*this, sliderSaturation, labelSaturation, &Record::setF_Saturation,
               &Record::f_Saturation, kPlain, 3, "Saturation");
}

void AppDelegate::OnChangeGamma()
{
    takeSlider(*this, sliderGamma, labelGamma, &Record::setF_Gamma, &Record::f_Gamma, kHundredths,
               4, "Gamma");
}

// After a move the exposure label shows the slider value itself; after a
// preset or reset it shows value / 100 (see syncControls).
void AppDelegate::OnChangeExposure()
{
    takeSlider(*this, sliderExposure, labelExposure, &Record::setF_Exposure, &Record::f_Exposure,
               kPlain, 5, "Exposure");
}

void AppDelegate::OnChangeRedBalance()
{
    takeSlider(*this, sliderRedBalance, labelRedBalance, &Record::setF_Red_Balance,
               &Record::f_Red_Balance, kHundredths, 6, "Red balance");
}

void AppDelegate::OnChangeGreenBalance()
{
    takeSlider(*this, sliderGreenBalance, labelGreenBalance, &Record::setF_Green_Balance,
               &Record::f_Green_Balance, kHundredths, 7, "Green balance");
}

void AppDelegate::OnChangeBlueBalance()
{
    takeSlider(*this, sliderBlueBalance, labelBlueBalance, &Record::setF_Blue_Balance,
               &Record::f_Blue_Balance, kHundredths, 8, "Blue balance");
}

void AppDelegate::OnChangeNoise()
{
    takeSlider(*this, sliderNoise, labelNoise, &Record::setF_Noise, &Record::f_Noise, kNoise, 9,
               "Grain");
}

// The vignette label is the reverse of exposure: value / 10 after a move, the
// value itself after a preset or reset.
void AppDelegate::OnChangeVignette()
{
    takeSlider(*this, sliderVignette, labelVignette, &Record::setF_Vignetting,
               &Record::f_Vignetting, kTenths, 10, "Vignette");
}

void AppDelegate::OnChangeLight()
{
    takeSlider(*this, sliderLight, labelLight, &Record::setF_Light, &Record::f_Light, kHundredths,
               11, "Light");
}

// ---- Presets and reset ------------------------------------------------------

namespace {

// Every control from the record, in the panel's order, then a redraw.
void syncControls(AppDelegate& c)
{
    const Record& r = *c.obj_Video;
    setCheck(c.checkChrome, r.b_Chrome());
    setCheck(c.checkInstant, r.b_Instant());
    setCheck(c.checkProgress, r.b_Process());
    setCheck(c.checkSepia, r.b_Sepia());
    setSlider(c.sliderBrightness, c.labelBrightness, r.f_Brightness(), kPlain);
    setSlider(c.sliderContrast, c.labelContrast, r.f_Contrast(), kPlain);
    setSlider(c.sliderSaturation, c.labelSaturation, r.f_Saturation(), kPlain);
    setCheck(c.checkGamma, r.b_Gamma());
    setSlider(c.sliderGamma, c.labelGamma, r.f_Gamma(), kHundredths);
    setCheck(c.checkExposure, r.b_Exposure());
    setSlider(c.sliderExposure, c.labelExposure, r.f_Exposure(), kHundredths);
    setSlider(c.sliderRedBalance, c.labelRedBalance, r.f_Red_Balance(), kHundredths);
    setSlider(c.sliderGreenBalance, c.labelGreenBalance, r.f_Green_Balance(), kHundredths);
    setSlider(c.sliderBlueBalance, c.labelBlueBalance, r.f_Blue_Balance(), kHundredths);
    setCheck(c.checkNoise, r.b_Noise());
    setSlider(c.sliderNoise, c.labelNoise, r.f_Noise(), kNoise);
    setCheck(c.checkVignette, r.b_Vignetting());
    setSlider(c.sliderVignette, c.labelVignette, r.f_Vignetting(), kPlain);
    setCheck(c.checkLight, r.b_Light());
    setSlider(c.sliderLight, c.labelLight, r.f_Light(), kHundredths);
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
    // In the panel's order; labels are not touched.
    QWidget* const controls[] = {
        checkChrome,
        checkInstant,
        checkProgress,
        checkSepia,
        sliderBrightness,
        sliderContrast,
        checkGamma,
        sliderGamma,
        checkExposure,
        sliderExposure,
        sliderSaturation,
        checkNoise,
        sliderNoise,
        checkVignette,
        sliderVignette,
        sliderRedBalance,
        sliderGreenBalance,
        sliderBlueBalance,
        checkLight,
        sliderLight,
        checkWeave,
        sliderWeave,
        checkFlicker,
        sliderFlicker,
        comboCadence,
        comboGate,
        checkHalation,
        sliderHalation,
        sliderHalationRadius,
        comboGrainSize,
        checkOldSound,
        sliderOldSound,
        btnStock,
        btnStockNone,
        sliderStock,
        btnReset,
        barEras,
    };
    for (QWidget* control : controls)
        if (control)
            control->setEnabled(enabled);
    // The look files' commands read and set the panel's look: they follow it.
    if (window) {
        window->ui.actionExportLook->setEnabled(enabled);
        window->ui.actionImportLook->setEnabled(enabled);
    }
}
