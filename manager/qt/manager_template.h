// The dialogs' templates: every control with its id, kind, text and place in dialog units, in creation
// order, which is also the tab order.
#pragma once

#include <span>

#include "manager/qt/dialog_units.h"

class QDialog;

enum class ControlKind {
    GroupBox,
    Label,
    NoPrefixLabel,
    Edit,
    PushButton,
    DefaultPushButton,
    CheckBox,
    RadioButton,
    Icon
};

struct ControlTemplate {
    int id;
    ControlKind kind;
    const char* text;
    int x, y, width, height;
};

// The settings dialog's and the about box's controls, as manager/dialog_layout.h lays them out.
std::span<const ControlTemplate> ManagerDialogTemplate();
std::span<const ControlTemplate> AboutBoxTemplate();

// Creates the controls of `controls` as children of `dialog`, in their order, each named by its id and
// placed by the mapping of its rectangle. A label, check box or radio button whose text needs more room
// than that is widened to the right as far as the room on its row allows; edit boxes and buttons stay.
void CreateTemplateControls(QDialog* dialog, DialogBaseUnits units,
                            std::span<const ControlTemplate> controls);
