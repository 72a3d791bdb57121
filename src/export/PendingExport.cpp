// PENDING: placeholders until this subsystem is written; delete each one as it is implemented.
#include "app/AppDelegate.h"

void AppDelegate::OnSave() {}
void AppDelegate::TimerWatermarkVideoRoutineStep1() {}
void AppDelegate::TimerWatermarkVideoRoutineStep2() {}
void AppDelegate::TimerWatermarkVideoRoutineStep3() {}
void AppDelegate::TimerWatermarkVideoRoutineStep4() {}
void AppDelegate::TimerWatermarkVideoRoutineStep5() {}
void AppDelegate::TimerWatermarkVideoRoutineStep6() {}
void AppDelegate::TimerWatermarkVideoRoutineStep7() {}
void AppDelegate::TimerWatermarkVideoRoutineStep8() {}
void AppDelegate::terminatedNotice() {}
void AppDelegate::CancelWatermarking() {}
void AppDelegate::OnCancel() {}
void AppDelegate::errData() {}
void AppDelegate::outData() {}
bool AppDelegate::runTranscoderAndWait(const QStringList&) { return false; }
