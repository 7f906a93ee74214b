// Control ids stay the identities of the controls: the id is the widget's object name, so tests and
// dialog code find a control by the id of its template.
#pragma once

#include <QString>
#include <QWidget>

inline void SetControlId(QWidget* control, int id) {
    control->setObjectName(QString::number(id));
}

template <typename Control = QWidget>
Control* FindControl(const QWidget* dialog, int id) {
    return dialog->findChild<Control*>(QString::number(id));
}
