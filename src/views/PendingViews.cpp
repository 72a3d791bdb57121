// PENDING: placeholders until this subsystem is written; delete each one as it is implemented.
#include "app/AppDelegate.h"

void AppDelegate::OnChangePos() {}
void AppDelegate::TimerPresetThumbnailsRoutine() {}
void AppDelegate::Update_Crop_Menor() {}
void AppDelegate::Update_Crop_Maior() {}
void AppDelegate::TimerDragCropMenorRoutine() {}
void AppDelegate::TimerDragCropMaiorRoutine() {}
QRectF AppDelegate::return_Best_Fit_Frame(QSizeF, QSizeF) { return QRectF(); }
QImage AppDelegate::Scale_Image(const QImage&, QSizeF) { return QImage(); }
