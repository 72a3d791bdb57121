// PENDING: placeholders until this subsystem is written; delete each one as it is implemented.
#include "app/AppDelegate.h"

bool AppDelegate::Get_Duration(NodeImageInformation&) { return false; }
bool AppDelegate::Get_FPS(NodeImageInformation&) { return false; }
void AppDelegate::OnOpen() {}
void AppDelegate::TimerSetInitialThumbnail() {}
QImage AppDelegate::Generate_Thumbnail(const QString&) { return QImage(); }
