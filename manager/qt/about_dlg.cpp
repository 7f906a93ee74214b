#include "manager/qt/about_dlg.h"

#include <QEvent>
#include <QLabel>
#include <QPushButton>

#include "common/platform/platform.h"
#include "manager/dialog_layout.h"
#include "manager/file_version.h"
#include "manager/qt/app_icon.h"
#include "manager/qt/control_id.h"
#include "manager/qt/dialog_units.h"
#include "manager/qt/manager_template.h"

namespace {

constexpr int kIconPixels = 32;  // the system's large icon size

// Labels without mnemonics: plain text shows "&" as it stands.
QLabel* AddLabel(QDialog* dialog, const QString& text, QRect place) {
    auto* label = new QLabel(text, dialog);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(place);
    return label;
}

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent)
    : QDialog(parent,
              Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setWindowTitle(QStringLiteral("About QuillCollectorManager"));
    setFont(DialogFont());
    const DialogBaseUnits units = BaseUnitsOf(fontMetrics());
    setFixedSize(MapDialogSize(units, QC_ABOUT_BOX_WIDTH, QC_ABOUT_BOX_HEIGHT));

    for (const ControlTemplate& control : AboutBoxTemplate()) {
        const QRect place = MapDialogRect(units, control.x, control.y, control.width, control.height);
        if (control.kind == ControlKind::Icon) {
            // An icon control takes the size of its icon, placed at the template's corner.
            auto* icon = new QLabel(this);
            icon->setPixmap(ApplicationIcon().pixmap(QSize(kIconPixels, kIconPixels), devicePixelRatio()));
            icon->setGeometry(QRect(place.topLeft(), QSize(kIconPixels, kIconPixels)));
        } else if (control.kind == ControlKind::DefaultPushButton) {
            auto* ok = new QPushButton(QString::fromLatin1(control.text), this);
            SetControlId(ok, control.id);
            ok->setDefault(true);
            ok->setGeometry(place);
            connect(ok, &QPushButton::clicked, this, &QDialog::accept);
        } else {
            QLabel* label = AddLabel(this, QString::fromLatin1(control.text), place);
            if (control.id != IDC_STATIC) SetControlId(label, control.id);
        }
    }
}

bool CAboutDlg::event(QEvent* event) {
    bool handled = QDialog::event(event);
    if (event->type() == QEvent::WindowActivate || event->type() == QEvent::WindowDeactivate) OnActivate();
    return handled;
}

void CAboutDlg::OnActivate() {
    std::string text = VersionLabelText(platform::ProgramPath());
    FindControl<QLabel>(this, IDC_VERSION)->setText(QString::fromLocal8Bit(text.c_str()));
}
