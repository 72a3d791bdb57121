// The cut bar's releases: after 0.1 s the position slider moves to the
// released handle and its frame is shown.
#include "app/AppDelegate.h"
#include "views/DoubleSlider.h"

void AppDelegate::Update_Crop_Menor()
{
    scheduleTimer(&AppDelegate::timerDragCropMenor, 0.1, &AppDelegate::TimerDragCropMenorRoutine);
}

void AppDelegate::Update_Crop_Maior()
{
    scheduleTimer(&AppDelegate::timerDragCropMaior, 0.1, &AppDelegate::TimerDragCropMaiorRoutine);
}

// Neither routine runs the transcoder for a preview frame while an export runs.
void AppDelegate::TimerDragCropMenorRoutine()
{
    if (m_b_Saving || !sliderPos)
        return;
    sliderPos->setDoubleValue(double(f_Cut_Percent_Menor));
    OnChangePos();
}

void AppDelegate::TimerDragCropMaiorRoutine()
{
    if (m_b_Saving || !sliderPos)
        return;
    sliderPos->setDoubleValue(double(f_Cut_Percent_Maior));
    OnChangePos();
}
