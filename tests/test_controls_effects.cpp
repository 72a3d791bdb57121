// The effect panel: each control's action on the open video's record and its
// label, presets applied, the reset, and the panel with no video open.
#include "app/widgets/PreviewImageView.h"
#include "effects/EraLooks.h"
#include "effects/PresetTable.h"
#include "effects/VintageChain.h"
#include "lookfiles/LookFile.h"
#include "lookfiles/LookSettings.h"
#include "lookfiles/SettingTable.h"
#include "support/TestApp.h"
#include "support/ViewsSupport.h"
#include "views/DoubleSlider.h"
#include "views/PresetStrip.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QUndoStack>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <vector>

namespace {

using Record = NodeImageInformation;

// Moves a slider as the user does: the slider's own change, not setDoubleValue.
void userMoves(DoubleSlider* slider, double value)
{
    slider->setValue(int(std::lround(value * slider->scale())));
}

// Chooses item `index` of a combo box as the user does: an arrow key from
// the item next to it.
void userChooses(QComboBox* combo, int index)
{
    combo->setCurrentIndex(index == 0 ? 1 : index - 1);
    QTest::keyClick(combo, index == 0 ? Qt::Key_Up : Qt::Key_Down);
}

std::string text(const QLabel* label)
{
    return label->text().toStdString();
}

QStringList allLabels(AppDelegate& c)
{
    return {c.labelBrightness->text(),
            c.labelContrast->text(),
            c.labelSaturation->text(),
            c.labelGamma->text(),
            c.labelExposure->text(),
            c.labelRedBalance->text(),
            c.labelGreenBalance->text(),
            c.labelBlueBalance->text(),
            c.labelNoise->text(),
            c.labelVignette->text(),
            c.labelLight->text(),
            control<QLabel>(c, "labelWeave")->text(),
            control<QLabel>(c, "labelFlicker")->text(),
            control<QLabel>(c, "labelHalation")->text(),
            control<QLabel>(c, "labelHalationRadius")->text()};
}

std::optional<float> gammaPower(const Record& record)
{
    for (const effects::VintageStep& step : effects::vintageGraph(record))
        if (step.op == "CIGammaAdjust")
            for (const auto& [key, value] : step.inputs)
                if (key == "inputPower")
                    return value.number();
    return std::nullopt;
}

struct Opened : ::testing::Test
{
    TestApp app;
    AppDelegate& c = *app.controller;
    viewstest::OpenedVideo video =
        viewstest::openByHand(app, 125, 25.0f, viewstest::quadrantFrame(64, 48));

    void SetUp() override { c.obj_Video->setImgVideo(viewstest::quadrantFrame(64, 48)); }
};

} // namespace

TEST_F(Opened, SliderMovesStoreTheValueAndWriteTheirLabels)
{
    const struct
    {
        DoubleSlider* slider;
        QLabel* label;
        float (Record::*field)() const;
        double value;
        const char* shown;
    } cases[] = {
        {c.sliderBrightness, c.labelBrightness, &Record::f_Brightness, -30, "-30.00"},
        {c.sliderContrast, c.labelContrast, &Record::f_Contrast, 150, "150.00"},
        {c.sliderSaturation, c.labelSaturation, &Record::f_Saturation, 50, "50.00"},
        {c.sliderGamma, c.labelGamma, &Record::f_Gamma, 60, "0.60"},
        // Exposure shows the slider value after a move.
        {c.sliderExposure, c.labelExposure, &Record::f_Exposure, 50, "50.00"},
        {c.sliderExposure, c.labelExposure, &Record::f_Exposure, -120, "-120.00"},
        {c.sliderRedBalance, c.labelRedBalance, &Record::f_Red_Balance, 150, "1.50"},
        {c.sliderGreenBalance, c.labelGreenBalance, &Record::f_Green_Balance, 25, "0.25"},
        {c.sliderBlueBalance, c.labelBlueBalance, &Record::f_Blue_Balance, 199, "1.99"},
        {c.sliderNoise, c.labelNoise, &Record::f_Noise, 50, "0.00010"},
        {c.sliderNoise, c.labelNoise, &Record::f_Noise, 0, "0.00000"},
        // Vignette shows value / 10 after a move.
        {c.sliderVignette, c.labelVignette, &Record::f_Vignetting, 10, "1.00"},
        {c.sliderVignette, c.labelVignette, &Record::f_Vignetting, 25, "2.50"},
        {c.sliderLight, c.labelLight, &Record::f_Light, 80, "0.80"},
        {control<DoubleSlider>(c, "sliderWeave"), control<QLabel>(c, "labelWeave"),
         &Record::f_Weave, 75, "75"},
        {control<DoubleSlider>(c, "sliderFlicker"), control<QLabel>(c, "labelFlicker"),
         &Record::f_Flicker, 0, "0"},
        {control<DoubleSlider>(c, "sliderHalation"), control<QLabel>(c, "labelHalation"),
         &Record::f_Halation, 100, "100"},
        {control<DoubleSlider>(c, "sliderHalationRadius"),
         control<QLabel>(c, "labelHalationRadius"), &Record::f_Halation_Radius, 55, "55"},
        {control<DoubleSlider>(c, "sliderOldSound"), control<QLabel>(c, "labelOldSound"),
         &Record::f_Old_Sound, 70, "70"},
        {control<DoubleSlider>(c, "sliderStock"), control<QLabel>(c, "labelStock"),
         &Record::f_Stock_Strength, 60, "60"},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.slider->objectName().toStdString());
        // From a different position, so that the move is a change.
        entry.slider->setDoubleValue(entry.value == 0 ? 1 : 0);
        userMoves(entry.slider, entry.value);
        EXPECT_EQ(((*c.obj_Video).*entry.field)(), float(entry.value));
        EXPECT_EQ(text(entry.label), entry.shown);
    }
}

TEST_F(Opened, GammaReachesTheChainOnlyWhileItsCheckBoxIsOn)
{
    userMoves(c.sliderGamma, 60);
    EXPECT_EQ(c.obj_Video->f_Gamma(), 60.0f);
    EXPECT_EQ(text(c.labelGamma), "0.60");
    EXPECT_EQ(c.obj_Video->b_Gamma(), 0);
    EXPECT_FALSE(gammaPower(*c.obj_Video).has_value());

    c.checkGamma->click();
    EXPECT_EQ(c.obj_Video->b_Gamma(), 1);
    EXPECT_EQ(gammaPower(*c.obj_Video), 0.6f);
    c.checkGamma->click();
    EXPECT_EQ(c.obj_Video->b_Gamma(), 0);
    EXPECT_FALSE(gammaPower(*c.obj_Video).has_value());
}

TEST_F(Opened, EveryCheckBoxSetsItsOwnFlagAndAMixedStateCountsAsOff)
{
    const struct
    {
        QCheckBox* check;
        std::uint8_t (Record::*flag)() const;
        void (Record::*setFlag)(std::uint8_t);
    } cases[] = {
        {c.checkChrome, &Record::b_Chrome, &Record::setB_Chrome},
        {c.checkInstant, &Record::b_Instant, &Record::setB_Instant},
        {c.checkProgress, &Record::b_Process, &Record::setB_Process},
        {c.checkSepia, &Record::b_Sepia, &Record::setB_Sepia},
        {c.checkGamma, &Record::b_Gamma, &Record::setB_Gamma},
        {c.checkExposure, &Record::b_Exposure, &Record::setB_Exposure},
        {c.checkNoise, &Record::b_Noise, &Record::setB_Noise},
        {c.checkVignette, &Record::b_Vignetting, &Record::setB_Vignetting},
        {c.checkLight, &Record::b_Light, &Record::setB_Light},
        {control<QCheckBox>(c, "checkWeave"), &Record::b_Weave, &Record::setB_Weave},
        {control<QCheckBox>(c, "checkFlicker"), &Record::b_Flicker, &Record::setB_Flicker},
        {control<QCheckBox>(c, "checkHalation"), &Record::b_Halation, &Record::setB_Halation},
        {control<QCheckBox>(c, "checkOldSound"), &Record::b_Old_Sound, &Record::setB_Old_Sound},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.check->objectName().toStdString());
        const Record before = *c.obj_Video;
        entry.check->setChecked((before.*entry.flag)() != 0);
        entry.check->click();
        EXPECT_EQ(((*c.obj_Video).*entry.flag)(), (before.*entry.flag)() ? 0 : 1);
        // No other flag moved.
        int changed = 0;
        for (const auto& other : cases)
            changed += ((*c.obj_Video).*other.flag)() != (before.*other.flag)();
        EXPECT_EQ(changed, 1);

        entry.check->setTristate(true);
        entry.check->setCheckState(Qt::Unchecked);
        ((*c.obj_Video).*entry.setFlag)(1);
        entry.check->click(); // unchecked -> mixed
        ASSERT_EQ(entry.check->checkState(), Qt::PartiallyChecked);
        EXPECT_EQ(((*c.obj_Video).*entry.flag)(), 0);
        entry.check->setTristate(false);
    }
}

TEST_F(Opened, EveryChoiceStoresItsItemsValueAsOneUndoStep)
{
    const struct
    {
        QComboBox* combo;
        int (Record::*field)() const;
        QStringList texts;
        std::vector<int> values;
    } cases[] = {
        {control<QComboBox>(c, "comboCadence"),
         &Record::i_Cadence,
         {"Off", "16 fps", "18 fps", "24 fps"},
         {0, 16, 18, 24}},
        {control<QComboBox>(c, "comboGate"),
         &Record::i_Gate,
         {"Full", "4:3", "1.37", "1.66", "1.85"},
         {0, 1, 2, 3, 4}},
        {control<QComboBox>(c, "comboGrainSize"),
         &Record::i_Grain_Size,
         {"Fine", "2", "3", "4"},
         {1, 2, 3, 4}},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.combo->objectName().toStdString());
        ASSERT_EQ(entry.combo->count(), entry.texts.size());
        // From the last item down, so that every choice changes the record.
        for (int i = entry.combo->count() - 1; i >= 0; --i) {
            EXPECT_EQ(entry.combo->itemText(i), entry.texts[i]);
            const int steps = c.undoLook->index();
            userChooses(entry.combo, i);
            EXPECT_EQ(((*c.obj_Video).*entry.field)(), entry.values[std::size_t(i)]);
            EXPECT_EQ(c.undoLook->index(), steps + 1);
        }
        c.undoLook->undo();
        EXPECT_EQ(((*c.obj_Video).*entry.field)(), entry.values[1]);
        EXPECT_EQ(entry.combo->currentIndex(), 1);
    }
}

// Every row of the settings table: its controls set the record, follow it
// when an undo and a redo put it back, and the value it gave survives a look
// file and --set.
TEST_F(Opened, EverySettingRoundTripsThroughThePanelALookFileAndSet)
{
    for (const lookfiles::Setting& s : lookfiles::settings()) {
        SCOPED_TRACE(s.name);
        // An empty name would find any widget of the class.
        auto* check = s.check ? c.window->findChild<QCheckBox*>(s.check) : nullptr;
        auto* slider = s.slider ? c.window->findChild<DoubleSlider*>(s.slider) : nullptr;
        auto* combo = s.combo ? c.window->findChild<QComboBox*>(s.combo) : nullptr;
        ASSERT_EQ(!check, !s.check);
        ASSERT_EQ(!slider, !s.slider);
        ASSERT_EQ(!combo, !s.combo);
        const effects::Look before = *c.obj_Video;
        const int steps = c.undoLook->index();
        if (check)
            check->click();
        if (slider)
            userMoves(slider, (before.*s.value)() == s.maximum ? s.minimum : s.maximum);
        if (combo)
            userChooses(combo, combo->currentIndex() == 0 ? combo->count() - 1 : 0);
        const effects::Look after = *c.obj_Video;
        EXPECT_EQ(after == before, !check && !slider && !combo);
        const auto panelShows = [&](const effects::Look& look) {
            if (check) {
                EXPECT_EQ(check->isChecked(), (look.*s.gate)() != 0);
            }
            if (slider) {
                EXPECT_EQ(slider->doubleValue(), double((look.*s.value)()));
            }
            if (combo) {
                EXPECT_EQ(combo->currentData().toInt(), s.choice(look));
            }
        };
        while (c.undoLook->index() > steps)
            c.undoLook->undo();
        EXPECT_TRUE(*c.obj_Video == before);
        panelShows(before);
        while (c.undoLook->canRedo())
            c.undoLook->redo();
        panelShows(after);

        QString error;
        EXPECT_EQ(lookfiles::parseLookFile(lookfiles::lookFileText(after), "a", error), after);
        effects::Look set;
        const QString value = lookfiles::settingText(after, s.name);
        EXPECT_EQ(lookfiles::applySetting(set, QString(s.name) + "=" + value), "");
        EXPECT_EQ(lookfiles::settingText(set, s.name), value);
    }
}

TEST_F(Opened, ResetBringsEveryDefaultBackAndKeepsTheVideo)
{
    c.Apply_Preset_User_Choice(36);
    userMoves(c.sliderVignette, 25);
    userMoves(c.sliderExposure, 120);
    c.checkLight->click();
    control<QCheckBox>(c, "checkWeave")->click();
    userMoves(control<DoubleSlider>(c, "sliderHalationRadius"), 80);
    userChooses(control<QComboBox>(c, "comboCadence"), 1);
    userChooses(control<QComboBox>(c, "comboGate"), 3);
    userChooses(control<QComboBox>(c, "comboGrainSize"), 2);
    control<QCheckBox>(c, "checkOldSound")->click();
    userMoves(control<DoubleSlider>(c, "sliderOldSound"), 90);
    const QImage frame = c.obj_Video->imgVideo();
    const VideoRecord preset = c.obj_Video;
    const Record presetBefore = *preset;

    c.btnReset->click();

    EXPECT_EQ(allLabels(c),
              (QStringList{"0.00", "100.00", "100.00", "0.75", "0.50", "1.00", "1.00", "1.00",
                           "0.00010", "10.00", "0.50", "30", "30", "40", "30"}));
    EXPECT_TRUE(c.checkInstant->isChecked());
    EXPECT_TRUE(c.checkSepia->isChecked());
    for (QCheckBox* off :
         {c.checkChrome.data(), c.checkProgress.data(), c.checkGamma.data(), c.checkExposure.data(),
          c.checkNoise.data(), c.checkVignette.data(), c.checkLight.data(),
          control<QCheckBox>(c, "checkWeave"), control<QCheckBox>(c, "checkFlicker"),
          control<QCheckBox>(c, "checkHalation"), control<QCheckBox>(c, "checkOldSound")})
        EXPECT_FALSE(off->isChecked()) << off->objectName().toStdString();
    EXPECT_EQ(control<DoubleSlider>(c, "sliderHalationRadius")->doubleValue(), 30.0);
    EXPECT_EQ(control<QLabel>(c, "labelOldSound")->text(), "50");
    EXPECT_EQ(control<QComboBox>(c, "comboCadence")->currentText(), "Off");
    EXPECT_EQ(control<QComboBox>(c, "comboGate")->currentText(), "Full");
    EXPECT_EQ(control<QComboBox>(c, "comboGrainSize")->currentText(), "Fine");
    EXPECT_EQ(c.sliderExposure->doubleValue(), 50.0);
    EXPECT_EQ(c.sliderVignette->doubleValue(), 10.0);
    EXPECT_EQ(c.sliderNoise->doubleValue(), 50.0);

    // A fresh record with the video's frame, path, rate and duration.
    EXPECT_NE(c.obj_Video, preset);
    EXPECT_FALSE(c.array_Presets.contains(c.obj_Video));
    EXPECT_EQ(c.obj_Video->imgVideo(), frame);
    EXPECT_EQ(c.obj_Video->sPath(), video.videoPath);
    EXPECT_EQ(c.obj_Video->f_FPS(), 25.0f);
    EXPECT_EQ(c.obj_Video->i_Duration_In_Seconds(), 125);
    EXPECT_EQ(c.obj_Video->f_Vignetting(), 10.0f);
    EXPECT_EQ(c.obj_Video->b_Instant(), 1);
    // The preset entry keeps its values as last changed.
    EXPECT_EQ(preset->f_Vignetting(), 25.0f);
    EXPECT_EQ(preset->f_Exposure(), 120.0f);
    EXPECT_EQ(preset->b_Light(), presetBefore.b_Light());
}

TEST_F(Opened, APresetBecomesTheRecordAndMovesTheControls)
{
    c.obj_Video->setF_FPS(29.97f);
    const QImage frame = c.obj_Video->imgVideo();
    Record& preset = *c.array_Presets[0];
    preset.setB_Weave(1);
    preset.setF_Flicker(70.0f);
    preset.setI_Cadence(18);
    preset.setI_Gate(4);
    preset.setB_Halation(1);
    preset.setF_Halation_Radius(65.0f);
    preset.setI_Grain_Size(3);
    c.Apply_Preset_User_Choice(1);
    EXPECT_EQ(c.obj_Video, c.array_Presets[0]);
    EXPECT_EQ(c.obj_Video->imgVideo(), frame);
    EXPECT_EQ(c.obj_Video->sPath(), video.videoPath);
    EXPECT_EQ(c.obj_Video->f_FPS(), 29.97f);
    EXPECT_EQ(c.obj_Video->i_Duration_In_Seconds(), 125);
    EXPECT_TRUE(c.checkChrome->isChecked());
    EXPECT_FALSE(c.checkInstant->isChecked());
    EXPECT_FALSE(c.checkProgress->isChecked());
    EXPECT_FALSE(c.checkSepia->isChecked());
    EXPECT_EQ(text(c.labelSaturation), "100.00");
    EXPECT_FALSE(c.checkGamma->isChecked());
    EXPECT_FALSE(c.checkExposure->isChecked());
    EXPECT_FALSE(c.checkLight->isChecked());
    EXPECT_TRUE(control<QCheckBox>(c, "checkWeave")->isChecked());
    EXPECT_FALSE(control<QCheckBox>(c, "checkFlicker")->isChecked());
    EXPECT_EQ(control<DoubleSlider>(c, "sliderFlicker")->doubleValue(), 70.0);
    EXPECT_EQ(text(control<QLabel>(c, "labelFlicker")), "70");
    EXPECT_EQ(control<QComboBox>(c, "comboCadence")->currentText(), "18 fps");
    EXPECT_EQ(control<QComboBox>(c, "comboGate")->currentText(), "1.85");
    EXPECT_TRUE(control<QCheckBox>(c, "checkHalation")->isChecked());
    EXPECT_EQ(text(control<QLabel>(c, "labelHalationRadius")), "65");
    EXPECT_EQ(control<QComboBox>(c, "comboGrainSize")->currentText(), "3");

    // The synchronised labels: exposure value / 100, vignette the value itself.
    const Record& r = *c.obj_Video;
    EXPECT_EQ(c.labelExposure->text(), QString::asprintf("%.2f", double(r.f_Exposure() / 100.0f)));
    EXPECT_EQ(c.labelVignette->text(), QString::asprintf("%.2f", double(r.f_Vignetting())));
    EXPECT_EQ(c.sliderSaturation->doubleValue(), double(r.f_Saturation()));
    // Moving the controls from code wrote nothing back.
    EXPECT_EQ(c.obj_Video->b_Chrome(), 1);
}

TEST_F(Opened, APresetKeepsTheChangesMadeWhileItWasChosen)
{
    c.Apply_Preset_User_Choice(36);
    userMoves(c.sliderSaturation, 50);
    EXPECT_EQ(c.array_Presets[35]->f_Saturation(), 50.0f);
    c.Apply_Preset_User_Choice(1);
    EXPECT_NE(text(c.labelSaturation), "50.00");
    c.Apply_Preset_User_Choice(36);
    EXPECT_EQ(text(c.labelSaturation), "50.00");
    EXPECT_EQ(c.sliderSaturation->doubleValue(), 50.0);
}

TEST_F(Opened, PresetNumbersOutsideTheListDoNothing)
{
    const VideoRecord before = c.obj_Video;
    userMoves(c.sliderBrightness, 20);
    for (std::uint64_t n : {std::uint64_t(0), std::uint64_t(43), std::uint64_t(1000)}) {
        c.Apply_Preset_User_Choice(n);
        EXPECT_EQ(c.obj_Video, before) << n;
        EXPECT_EQ(text(c.labelBrightness), "20.00") << n;
    }
    c.Apply_Preset_User_Choice(42);
    EXPECT_EQ(c.obj_Video, c.array_Presets[41]);
}

TEST_F(Opened, AControlChangeRedrawsThePreview)
{
    viewstest::PaintCounter counter;
    c.viewPreview->installEventFilter(&counter);
    QCoreApplication::processEvents();
    counter.paints = 0;
    userMoves(c.sliderContrast, 140);
    EXPECT_TRUE(QTest::qWaitFor([&] { return counter.paints > 0; }));
    counter.paints = 0;
    c.checkSepia->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return counter.paints > 0; }));
    c.viewPreview->removeEventFilter(&counter);
}

TEST_F(Opened, UndoAndRedoWalkEveryLookChangeBackAndForthOneStepEach)
{
    app.window->resize(1000, 700);
    app.window->show();
    app.window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(app.window.get()));
    // The look as the record holds it, as the panel shows it, and as the preview draws it.
    struct State
    {
        float brightness;
        float saturation;
        bool sepia;
        std::int64_t preset;
        double brightnessSlider;
        double saturationSlider;
        bool sepiaBox;
        QImage preview;
        bool operator==(const State&) const = default;
    };
    const auto now = [&] {
        return State{.brightness = c.obj_Video->f_Brightness(),
                     .saturation = c.obj_Video->f_Saturation(),
                     .sepia = c.obj_Video->b_Sepia() != 0,
                     .preset = views::appliedPresetIndex(c.obj_Video, c.array_Presets),
                     .brightnessSlider = c.sliderBrightness->doubleValue(),
                     .saturationSlider = c.sliderSaturation->doubleValue(),
                     .sepiaBox = c.checkSepia->isChecked(),
                     .preview = c.viewPreview->grab().toImage()};
    };
    const std::function<void()> changes[] = {
        [&] { // one drag of three moves: one step
            c.sliderBrightness->setSliderDown(true);
            for (double value : {10.0, 20.0, 30.0})
                userMoves(c.sliderBrightness, value);
            c.sliderBrightness->setSliderDown(false);
        },
        [&] { userMoves(c.sliderBrightness, 40); }, // a key press on the same slider
        [&] { c.checkSepia->click(); },
        [&] { c.Apply_Preset_User_Choice(4); },
        [&] { userMoves(c.sliderSaturation, 50); }, // on the preset's own record
        [&] { c.btnReset->click(); },
    };
    std::vector<State> states{now()};
    for (const auto& change : changes) {
        change();
        states.push_back(now());
    }
    ASSERT_EQ(states[4].preset, 3);
    ASSERT_EQ(c.undoLook->count(), int(std::size(changes)));
    c.Apply_Preset_User_Choice(1);
    c.Apply_Preset_User_Choice(1); // the same preset again changes nothing
    c.undoLook->undo();

    const auto key = [&](int modifiers) {
        QTest::keyClick(app.window.get(), Qt::Key_Z, Qt::KeyboardModifiers(modifiers));
    };
    for (std::size_t i = states.size() - 1; i > 0; --i) {
        key(Qt::ControlModifier);
        SCOPED_TRACE(i - 1);
        EXPECT_TRUE(now() == states[i - 1]);
    }
    key(Qt::ControlModifier); // nothing left to undo
    EXPECT_TRUE(now() == states[0]);
    for (std::size_t i = 1; i < states.size(); ++i) {
        key(Qt::ControlModifier | Qt::ShiftModifier);
        SCOPED_TRACE(i);
        EXPECT_TRUE(now() == states[i]);
    }
    // The preset entry got its own changes back along with the record.
    EXPECT_EQ(c.array_Presets[3]->f_Saturation(), 50.0f);
}

TEST_F(Opened, EachEraGivesTheRecordItsWholeLookAsOneUndoStep)
{
    c.Apply_Preset_User_Choice(9);
    c.OnChangePos();
    const auto& eras = effects::eraLooks();
    ASSERT_EQ(c.btnEras.size(), qsizetype(eras.size()));
    for (std::size_t i = 0; i < eras.size(); ++i) {
        SCOPED_TRACE(eras[i].name);
        const effects::Look& era = eras[i].look;
        QToolButton* button = c.btnEras[qsizetype(i)];
        EXPECT_EQ(button->text(), eras[i].name);
        EXPECT_FALSE(button->icon().isNull()); // the frame in the era's look
        const VideoRecord recordBefore = c.obj_Video;
        const effects::Look lookBefore = *c.obj_Video;
        const int steps = c.undoLook->index();

        button->click();
        EXPECT_TRUE(static_cast<const effects::Look&>(*c.obj_Video) == era);
        EXPECT_EQ(c.undoLook->index(), steps + 1);
        EXPECT_EQ(c.sliderSaturation->doubleValue(), double(era.f_Saturation()));
        EXPECT_EQ(control<QCheckBox>(c, "checkFlicker")->isChecked(), era.b_Flicker() != 0);
        EXPECT_EQ(control<QComboBox>(c, "comboCadence")->currentData().toInt(), era.i_Cadence());
        EXPECT_EQ(control<QComboBox>(c, "comboGate")->currentData().toInt(), era.i_Gate());
        EXPECT_EQ(c.obj_Video->sPath(), video.videoPath);
        EXPECT_EQ(c.obj_Video->i_Duration_In_Seconds(), 125);
        button->click(); // the same era again is no change
        EXPECT_EQ(c.undoLook->index(), steps + 1);

        c.undoLook->undo();
        EXPECT_EQ(c.obj_Video, recordBefore);
        EXPECT_TRUE(static_cast<const effects::Look&>(*c.obj_Video) == lookBefore);
        EXPECT_EQ(c.sliderSaturation->doubleValue(), double(lookBefore.f_Saturation()));
        c.undoLook->redo();
    }
    // The preset chosen first keeps its own look.
    EXPECT_TRUE(static_cast<const effects::Look&>(*c.array_Presets[8]) ==
                effects::presetLooks()[8]);
}

TEST_F(Opened, AFilmStockIsChosenShownMixedAndUndoneAndABadFileChangesNothing)
{
    // A table that swaps red and blue; the preview's upper left is red.
    QString table = "TITLE \"swap\"\nLUT_3D_SIZE 2\n";
    for (int i = 0; i < 8; ++i)
        table += QString("%1 %2 %3\n").arg(i >> 2).arg((i >> 1) & 1).arg(i & 1);
    const auto write = [&](const QString& name, const QString& text) {
        QFile file(app.home.path() + "/" + name);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text.toUtf8());
        return file.fileName();
    };
    const QString good = write("swap.cube", table);
    const QString bad = write("bad.cube", "LUT_3D_SIZE 2\n0 0 0\n1 0\n");
    const QImage plain = c.viewPreview->grab().toImage();
    const int steps = c.undoLook->index();

    app.dialogs.filePanelAnswers.enqueue(good);
    c.btnStock->click();
    EXPECT_EQ(app.dialogs.filePanelExtensions.last(), QStringList{"cube"});
    EXPECT_EQ(c.obj_Video->s_Stock(), good.toStdString());
    EXPECT_EQ(c.btnStock->text(), "swap.cube");
    EXPECT_EQ(c.undoLook->index(), steps + 1);
    const QImage stocked = c.viewPreview->grab().toImage();
    EXPECT_NE(stocked, plain);
    userMoves(control<DoubleSlider>(c, "sliderStock"), 0);
    EXPECT_EQ(c.viewPreview->grab().toImage(), plain);
    userMoves(control<DoubleSlider>(c, "sliderStock"), 100);
    EXPECT_EQ(c.viewPreview->grab().toImage(), stocked);

    // A bad file: an alert naming it and the parser's line; nothing changes.
    app.dialogs.filePanelAnswers.enqueue(bad);
    c.btnStock->click();
    ASSERT_EQ(app.dialogs.alerts.size(), 1);
    EXPECT_EQ(app.dialogs.alerts[0].informativeText,
              "The film stock \"bad.cube\" cannot be used: line 3: expected three numbers.");
    EXPECT_EQ(c.obj_Video->s_Stock(), good.toStdString());
    EXPECT_EQ(c.undoLook->index(), steps + 3);

    control<QPushButton>(c, "btnStockNone")->click();
    EXPECT_EQ(c.obj_Video->s_Stock(), "");
    EXPECT_EQ(c.btnStock->text(), "None");
    EXPECT_EQ(c.viewPreview->grab().toImage(), plain);
    c.undoLook->undo();
    EXPECT_EQ(c.btnStock->text(), "swap.cube");
    c.btnReset->click();
    EXPECT_EQ(c.btnStock->text(), "None");
    EXPECT_EQ(text(control<QLabel>(c, "labelStock")), "100");
}

TEST(NoVideo, EveryActionDoesNothing)
{
    TestApp app;
    AppDelegate& c = *app.controller;
    EXPECT_FALSE(c.barEras->isEnabled());
    c.Enable_Vintage_Controls(true); // reachable only to test the guard
    const QStringList labelsBefore = allLabels(c);
    for (DoubleSlider* slider :
         {c.sliderBrightness.data(), c.sliderContrast.data(), c.sliderSaturation.data(),
          c.sliderGamma.data(), c.sliderExposure.data(), c.sliderRedBalance.data(),
          c.sliderGreenBalance.data(), c.sliderBlueBalance.data(), c.sliderNoise.data(),
          c.sliderVignette.data(), c.sliderLight.data(), control<DoubleSlider>(c, "sliderWeave"),
          control<DoubleSlider>(c, "sliderFlicker"), control<DoubleSlider>(c, "sliderHalation"),
          control<DoubleSlider>(c, "sliderHalationRadius"),
          control<DoubleSlider>(c, "sliderStock")})
        userMoves(slider, slider->doubleValue() + 1);
    for (QCheckBox* check :
         {c.checkChrome.data(), c.checkInstant.data(), c.checkProgress.data(), c.checkSepia.data(),
          c.checkGamma.data(), c.checkExposure.data(), c.checkNoise.data(), c.checkVignette.data(),
          c.checkLight.data(), control<QCheckBox>(c, "checkWeave"),
          control<QCheckBox>(c, "checkFlicker"), control<QCheckBox>(c, "checkHalation")})
        check->click();
    for (QComboBox* combo :
         {control<QComboBox>(c, "comboCadence"), control<QComboBox>(c, "comboGate"),
          control<QComboBox>(c, "comboGrainSize")})
        userChooses(combo, 2);
    c.btnStock->click();
    control<QPushButton>(c, "btnStockNone")->click();
    EXPECT_TRUE(app.dialogs.filePanelExtensions.isEmpty());
    c.btnReset->click();
    c.Apply_Preset_User_Choice(1);
    for (QToolButton* era : c.btnEras)
        era->click();
    c.Apply_Reset();
    EXPECT_FALSE(c.obj_Video);
    EXPECT_EQ(allLabels(c), labelsBefore);
    EXPECT_EQ(c.array_Presets[0]->b_Chrome(), 1);
}
