#include "manager/qt/manager_template.h"

#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <climits>

#include "manager/dialog_layout.h"
#include "manager/qt/control_id.h"
#include "manager/qt/first_line_validator.h"

namespace {

using enum ControlKind;

#define QC_QT_CONTROL(kind, id, text, x, y, width, height) {id, kind, text, x, y, width, height},
const ControlTemplate kSettingsControls[] = {QC_SETTINGS_DIALOG_CONTROLS(QC_QT_CONTROL)};
const ControlTemplate kAboutControls[] = {QC_ABOUT_BOX_CONTROLS(QC_QT_CONTROL)};
#undef QC_QT_CONTROL

QLabel* CreateLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

// Single line, framed, scrolling sideways, no length limit and no filter of what may be typed; a line
// break never arrives.
QLineEdit* CreateEdit(QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setMaxLength(INT_MAX);
    KeepFirstLineOnly(edit);
    return edit;
}

QPushButton* CreatePushButton(const QString& text, bool isDefault, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setAutoDefault(true);  // a focused button takes Enter; otherwise OK does
    button->setDefault(isDefault);
    return button;
}

// The two choices exclude each other and are left out of the tab order.
QRadioButton* CreateRadioButton(const QString& text, QWidget* parent) {
    auto* button = new QRadioButton(text, parent);
    button->setAutoExclusive(true);
    button->setFocusPolicy(Qt::ClickFocus);
    return button;
}

QWidget* CreateControl(const ControlTemplate& control, QWidget* parent) {
    const QString text = QString::fromLatin1(control.text);
    switch (control.kind) {
        case GroupBox:
            return new QGroupBox(parent);
        case Label:
        case NoPrefixLabel:  // a plain-text label shows "&" as it stands
            return CreateLabel(text, parent);
        case Edit:
            return CreateEdit(parent);
        case PushButton:
            return CreatePushButton(text, false, parent);
        case DefaultPushButton:
            return CreatePushButton(text, true, parent);
        case CheckBox:
            return new QCheckBox(text, parent);
        case RadioButton:
            return CreateRadioButton(text, parent);
        case Icon:
            return new QLabel(parent);  // the about box puts the application icon into it
    }
    return nullptr;
}

bool ShowsText(ControlKind kind) {
    return kind == Label || kind == NoPrefixLabel || kind == CheckBox || kind == RadioButton;
}

// The right edge that a control may reach: the next control to its right on its row, or the inside of a
// group box around it, or the dialog's edge.
int RightLimit(const QWidget* control, const QDialog* dialog) {
    const QRect place = control->geometry();
    int limit = dialog->width();
    for (const QWidget* other : dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        const QRect otherPlace = other->geometry();
        if (const auto* group = qobject_cast<const QGroupBox*>(other)) {
            if (otherPlace.contains(place))
                limit = std::min(limit, otherPlace.left() + group->contentsRect().right());
        } else if (other != control && otherPlace.left() > place.left() &&
                   otherPlace.top() <= place.bottom() && otherPlace.bottom() >= place.top()) {
            limit = std::min(limit, otherPlace.left());
        }
    }
    return limit;
}

// The stand-in font and the toolkit's check marks take a little more room than the originals did: a text
// that does not fit its control widens the control to the right, as far as the room on its row allows.
void WidenToText(QWidget* control, const QDialog* dialog) {
    const int needed = control->sizeHint().width();
    if (needed <= control->width()) return;
    control->resize(std::min(needed, RightLimit(control, dialog) - control->x()), control->height());
}

}  // namespace

std::span<const ControlTemplate> ManagerDialogTemplate() {
    return kSettingsControls;
}

std::span<const ControlTemplate> AboutBoxTemplate() {
    return kAboutControls;
}

void CreateTemplateControls(QDialog* dialog, DialogBaseUnits units,
                            std::span<const ControlTemplate> controls) {
    for (const ControlTemplate& control : controls) {
        QWidget* widget = CreateControl(control, dialog);
        SetControlId(widget, control.id);
        widget->setGeometry(MapDialogRect(units, control.x, control.y, control.width, control.height));
    }
    for (const ControlTemplate& control : controls)
        if (ShowsText(control.kind)) WidenToText(FindControl<QWidget>(dialog, control.id), dialog);
}
