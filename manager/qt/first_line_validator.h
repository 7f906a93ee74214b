// A Windows single-line edit box never holds a line break: of text pasted, dropped or set into it, only
// the first line arrives. The settings file cannot hold a line break in a value either, so a box that kept
// one would hold a value that OK could not write.
#pragma once

#include <QValidator>

class QLineEdit;

class FirstLineValidator : public QValidator {
  public:
    using QValidator::QValidator;
    // `cursor` stands behind the text that has just arrived (at the end after a whole new text): of that
    // text only what comes before its first line break stays; the text behind the cursor stays too.
    State validate(QString& text, int& cursor) const override;
};

// Gives an edit box the single-line rule.
void KeepFirstLineOnly(QLineEdit* edit);
