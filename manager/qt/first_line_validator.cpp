#include "manager/qt/first_line_validator.h"

#include <QLineEdit>
#include <QRegularExpression>

#include <algorithm>

QValidator::State FirstLineValidator::validate(QString& text, int& cursor) const {
    static const QRegularExpression lineBreak(QStringLiteral("[\r\n]"));
    const qsizetype first = text.indexOf(lineBreak);
    if (first < 0) return Acceptable;
    // The box held no line break before, so every one lies in the text that has just arrived.
    const qsizetype rest = std::max<qsizetype>(cursor, text.lastIndexOf(lineBreak) + 1);
    text = text.left(first) + text.mid(rest);
    cursor = static_cast<int>(first);
    return Acceptable;
}

void KeepFirstLineOnly(QLineEdit* edit) {
    edit->setValidator(new FirstLineValidator(edit));
}
