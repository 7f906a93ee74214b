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

#include "manager/control_ids.h"
#include "manager/qt/control_id.h"
#include "manager/qt/first_line_validator.h"

namespace {

using enum ControlKind;

const ControlTemplate kControls[] = {
    {IDC_STATIC, GroupBox, "", 6, 7, 297, 285},
    {IDC_HOT_FOLDER_LABEL, Label, "HotFolder Path:", 16, 20, 61, 8},
    {IDC_HOT_FOLDER_PATH, Edit, "", 104, 18, 171, 12},
    {IDC_BROWSE_HOT_FOLDER, PushButton, "...", 275, 18, 16, 12},
    {IDC_FILE_TYPE_MASK_LABEL, Label, "FileType Mask:", 16, 37, 83, 8},
    {IDC_FILE_TYPE_MASK, Edit, "", 104, 35, 102, 12},
    {IDC_SAMPLING_FREQUENCY_LABEL, Label, "Sampling Frequency (ms):", 16, 54, 83, 8},
    {IDC_SAMPLING_FREQUENCY, Edit, "", 104, 52, 102, 12},
    {IDC_DETAILED_LOG, CheckBox, "Use detailed log to show collector actions:", 16, 71, 150, 10},
    {IDC_INSTALL_SERVICE, PushButton, "Install Service", 13, 267, 68, 16},
    {IDC_UNINSTALL_SERVICE, PushButton, "Uninstall Service", 87, 267, 68, 16},
    {IDC_ABOUT, PushButton, "About...", 6, 298, 50, 16},
    {IDCANCEL, PushButton, "Cancel", 197, 298, 50, 16},
    {IDOK, DefaultPushButton, "OK", 253, 298, 50, 16},
    {IDC_USE_BACKUP_FOLDER, CheckBox, "Move processed files to backup folder instead of deleting them:", 16,
     104, 219, 10},
    {IDC_BACKUP_FOLDER, Edit, "", 104, 119, 171, 12},
    {IDC_LOG_FILE, Edit, "", 104, 87, 171, 12},
    {IDC_LOG_FILE_LABEL, Label, "Log File:", 16, 88, 83, 8},
    {IDC_SEALWRIGHT_LABEL, Label, "Sealwright EXE:", 15, 138, 83, 8},
    {IDC_SEALWRIGHT, Edit, "", 104, 136, 171, 12},
    {IDC_BROWSE_SEALWRIGHT, PushButton, "...", 275, 136, 16, 12},
    {IDC_LOCAL_SIGNATURE, RadioButton, "Use Local Signature", 15, 152, 79, 10},
    {IDC_REMOTE_SIGNATURE, RadioButton, "Use Remote signature with Penmark", 15, 168, 136, 10},
    {IDC_CHANNEL_LABEL, Label, "Channel Name:", 17, 184, 83, 8},
    {IDC_CHANNEL, Edit, "", 104, 183, 102, 12},
    {IDC_IP_ADDRESS_LABEL, Label, "IP Address:", 17, 202, 83, 8},
    {IDC_IP_ADDRESS, Edit, "", 104, 200, 102, 12},
    {IDC_PORT_LABEL, Label, "Port:", 18, 219, 83, 8},
    {IDC_PORT, Edit, "", 104, 216, 102, 12},
    {IDC_CONNECTION_STRING_LABEL, Label, "DB Connection String:", 16, 235, 83, 8},
    {IDC_CONNECTION_STRING, Edit, "", 104, 233, 186, 12},
    {IDC_TABLE_NAME_LABEL, Label, "Table Name:", 16, 252, 83, 8},
    {IDC_TABLE_NAME, Edit, "", 104, 250, 186, 12},
};

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
    }
    return nullptr;
}

bool ShowsText(ControlKind kind) {
    return kind == Label || kind == CheckBox || kind == RadioButton;
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
    return kControls;
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
