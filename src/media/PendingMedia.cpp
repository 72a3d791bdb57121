// PENDING: placeholders until this subsystem is written; delete each one as it is implemented.
#include "app/AppDelegate.h"

bool AppDelegate::Get_Duration(NodeImageInformation&) { return false; }
bool AppDelegate::Get_FPS(NodeImageInformation&) { return false; }
std::int64_t AppDelegate::Return_Seconds_From_Duration_Str(const QString&) { return 0; }
std::int64_t AppDelegate::Return_Seconds_From_VOB_Duration_Str(const QString&) { return 0; }
void AppDelegate::OnOpen() {}
void AppDelegate::TimerSetInitialThumbnail() {}
QImage AppDelegate::Generate_Thumbnail(const QString&) { return QImage(); }
