// PENDING: placeholders until this subsystem is written; delete each one as it is implemented.
#include "app/AppDelegate.h"

void AppDelegate::OnChangeChrome() {}
void AppDelegate::OnChangeInstant() {}
void AppDelegate::OnChangeProcess() {}
void AppDelegate::OnChangeSepia() {}
void AppDelegate::OnChangeCheckGamma() {}
void AppDelegate::OnChangeCheckExposure() {}
void AppDelegate::OnchangeCheckNoise() {}
void AppDelegate::OnChangeCheckVignette() {}
void AppDelegate::OnChangeCheckLight() {}
void AppDelegate::OnChangeBrightness() {}
void AppDelegate::OnChangeContrast() {}
void AppDelegate::OnChangeSaturation() {}
void AppDelegate::OnChangeGamma() {}
void AppDelegate::OnChangeExposure() {}
void AppDelegate::OnChangeRedBalance() {}
void AppDelegate::OnChangeGreenBalance() {}
void AppDelegate::OnChangeBlueBalance() {}
void AppDelegate::OnChangeNoise() {}
void AppDelegate::OnChangeVignette() {}
void AppDelegate::OnChangeLight() {}
void AppDelegate::OnReset() {}
void AppDelegate::Apply_Reset() {}
void AppDelegate::Apply_Preset_User_Choice(std::uint64_t) {}
