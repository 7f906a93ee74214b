#include "manager/qt/about_dlg.h"

#include <QEvent>
#include <QLabel>
#include <QPushButton>

#include "common/platform/platform.h"
#include "manager/file_version.h"
#include "manager/qt/app_icon.h"
#include "manager/qt/control_id.h"
#include "manager/qt/dialog_units.h"

namespace {

constexpr int kIconPixels = 32;  // the system's large icon size

QLabel* AddLabel(QDialog* dialog, DialogBaseUnits units, const QString& text, QRect dialogRect) {
    auto* label = new QLabel(text, dialog);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(
        MapDialogRect(units, dialogRect.x(), dialogRect.y(), dialogRect.width(), dialogRect.height()));
    return label;
}

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent)
    : QDialog(parent,
              Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setWindowTitle(QStringLiteral("About QuillCollectorManager"));
    setFont(DialogFont());
    const DialogBaseUnits units = BaseUnitsOf(fontMetrics());
    setFixedSize(MapDialogSize(units, 235, 68));

    // An icon control takes the size of its icon, placed at the template's corner.
    auto* icon = new QLabel(this);
    icon->setPixmap(ApplicationIcon().pixmap(QSize(kIconPixels, kIconPixels), devicePixelRatio()));
    icon->setGeometry(QRect(MapDialogRect(units, 11, 17, 21, 20).topLeft(), QSize(kIconPixels, kIconPixels)));

    AddLabel(this, units, QStringLiteral("Quill Collector Manager"), QRect(40, 10, 119, 8));
    AddLabel(this, units, QStringLiteral(QC_MANAGER_NOTICE), QRect(40, 25, 188, 8));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    SetControlId(ok, 1);
    ok->setDefault(true);
    ok->setGeometry(MapDialogRect(units, 178, 7, 50, 16));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    QLabel* version = AddLabel(this, units, QStringLiteral("Version 1.00"), QRect(40, 40, 119, 8));
    SetControlId(version, kVersionId);
}

bool CAboutDlg::event(QEvent* event) {
    bool handled = QDialog::event(event);
    if (event->type() == QEvent::WindowActivate || event->type() == QEvent::WindowDeactivate) OnActivate();
    return handled;
}

void CAboutDlg::OnActivate() {
    std::string text = VersionLabelText(platform::ProgramPath());
    FindControl<QLabel>(this, kVersionId)->setText(QString::fromLocal8Bit(text.c_str()));
}
