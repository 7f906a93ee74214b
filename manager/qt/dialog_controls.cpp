#include "manager/qt/dialog_controls.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QStringDecoder>

#include "manager/qt/control_id.h"

namespace {

// An initial byte-order mark stays a character of the value (QString::fromUtf8 would drop it).
QString DecodeUtf8(const std::string& bytes, bool& failed) {
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    QString text = decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    failed = decoder.hasError();
    return text;
}

}  // namespace

// Decoded and encoded again: only bytes that come back unchanged count as UTF-8.
TextForm FormOf(const std::string& bytes) {
    bool failed = false;
    const QString text = DecodeUtf8(bytes, failed);
    return !failed && text.toUtf8().toStdString() == bytes ? TextForm::Utf8 : TextForm::Latin1;
}

QString ShownText(const std::string& bytes, TextForm form) {
    bool failed = false;
    if (form == TextForm::Utf8) return DecodeUtf8(bytes, failed);
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

QString ShownText(const std::string& bytes) {
    return ShownText(bytes, FormOf(bytes));
}

std::string StoredText(const QString& text, TextForm form) {
    if (form == TextForm::Utf8) return text.toUtf8().toStdString();
    std::string bytes;
    for (char32_t c : text.toUcs4()) {
        if (c <= 0xFF)
            bytes += static_cast<char>(c);
        else
            bytes += QString::fromUcs4(&c, 1).toUtf8().toStdString();
    }
    return bytes;
}

namespace {

// With its start in view, as a dialog shows a value.
void ShowFieldText(QLineEdit* field, const QString& text) {
    field->setText(text);
    field->setCursorPosition(0);
}

}  // namespace

TextForm DialogControls::FormOfField(int id) const {
    auto form = forms_.find(id);
    return form == forms_.end() ? TextForm::Utf8 : form->second;
}

std::string DialogControls::Text(int id) const {
    return StoredText(FindControl<QLineEdit>(dialog_, id)->text(), FormOfField(id));
}

void DialogControls::SetText(int id, const std::string& text) {
    const TextForm form = FormOf(text);
    forms_[id] = form;
    ShowFieldText(FindControl<QLineEdit>(dialog_, id), ShownText(text, form));
}

void DialogControls::SetChosenPath(int id, const QString& path) {
    forms_[id] = TextForm::Utf8;
    ShowFieldText(FindControl<QLineEdit>(dialog_, id), path);
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
