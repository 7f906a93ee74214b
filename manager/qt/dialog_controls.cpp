#include "manager/qt/dialog_controls.h"

#include <QAbstractButton>
#include <QLineEdit>

#include "manager/qt/control_id.h"

void ShowFieldText(QLineEdit* field, const QString& text) {
    field->setText(text);
    field->setCursorPosition(0);
}

std::string DialogControls::Text(int id) const {
    const QString text = FindControl<QLineEdit>(dialog_, id)->text();
    auto loaded = loaded_.find(id);
    if (loaded != loaded_.end() && loaded->second.shown == text) return loaded->second.bytes;
    return text.toLocal8Bit().toStdString();
}

void DialogControls::SetText(int id, const std::string& text) {
    auto* field = FindControl<QLineEdit>(dialog_, id);
    ShowFieldText(field, QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size())));
    loaded_[id] = {field->text(), text};
}

bool DialogControls::IsChecked(int id) const {
    return FindControl<QAbstractButton>(dialog_, id)->isChecked();
}

// A checked radio button of an exclusive pair refuses to be unchecked: the pair's exclusion is lifted for
// that moment, so that neither choice can be shown.
void DialogControls::SetChecked(int id, bool checked) {
    auto* button = FindControl<QAbstractButton>(dialog_, id);
    if (checked || !button->autoExclusive()) {
        button->setChecked(checked);
        return;
    }
    button->setAutoExclusive(false);
    button->setChecked(false);
    button->setAutoExclusive(true);
}

void DialogControls::SetEnabled(int id, bool enabled) {
    FindControl<QWidget>(dialog_, id)->setEnabled(enabled);
}
