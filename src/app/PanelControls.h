#pragma once

#include "lookfiles/SettingTable.h"

#include <QList>
#include <QPointer>
#include <string>

class AppDelegate;
class DoubleSlider;
class NodeImageInformation;
class QCheckBox;
class QComboBox;
class QLabel;
class QWidget;

// The effect panel's controls, one row of lookfiles::settings() each, found
// in the window by their object names. A user's change goes into the open
// video's record, the preview redraws and the look's undo history gets one
// step; synchronising sets a control from the record and sends no action.
namespace app {

// A row's controls in the window; null where the row has none.
struct RowControls
{
    QPointer<QCheckBox> check;
    QPointer<DoubleSlider> slider;
    QPointer<QLabel> label;
    QPointer<QComboBox> combo;
};

// The row named `name`, which must be one.
const lookfiles::Setting& row(const char* name);

// The row's controls as wireSettings found them (searched by name before).
RowControls controlsOf(const AppDelegate& c, const lookfiles::Setting& setting);

// Every row's controls into the controller's fields that name them, each
// list filled with its row's values, and every user's change connected to
// AppDelegate::Change_Setting. A slider's press begins a gesture, so that
// one drag is one undo step.
void wireSettings(AppDelegate& c);

// The controls of the rows of `group` from the open record.
void syncSettings(AppDelegate& c, lookfiles::PanelGroup group);

// Every row's controls and buttons, in the panel's (and the tab key's) order.
QList<QWidget*> settingWidgets(const AppDelegate& c);

// A text the user chose (a file's path) into its field.
using TextSetter = void (NodeImageInformation::*)(const std::string&);
void takeText(AppDelegate& c, const std::string& text, TextSetter setter, const char* name);

} // namespace app
