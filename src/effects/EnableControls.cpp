#include "app/AppDelegate.h"
#include "views/DoubleSlider.h"

#include <QCheckBox>
#include <QPushButton>

void AppDelegate::Enable_Vintage_Controls(bool enabled)
{
    // In this order; labels are not touched.
    QWidget* const controls[] = {
        checkChrome,     checkInstant,     checkProgress,      checkSepia,
        sliderBrightness, sliderContrast,  checkGamma,         sliderGamma,
        checkExposure,   sliderExposure,   sliderSaturation,   checkNoise,
        sliderNoise,     checkVignette,    sliderVignette,     sliderRedBalance,
        sliderGreenBalance, sliderBlueBalance, checkLight,     sliderLight,
        btnReset,
    };
    for (QWidget* control : controls)
        if (control)
            control->setEnabled(enabled);
}
