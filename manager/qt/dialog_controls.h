// The settings controls of a dialog as a ControlStore: each control found by its id.
//
// Texts are byte strings. An edit box shows a value as text; when OK comes and the box still shows what was
// loaded into it, the bytes that were loaded go back, so a value that is not valid in the local encoding
// (a Windows-1252 name, or a value cut inside a character) is not changed by being shown.
#pragma once

#include <QString>

#include <map>
#include <string>

#include "manager/settings_form.h"

class QLineEdit;
class QWidget;

class DialogControls : public ControlStore {
  public:
    explicit DialogControls(QWidget* dialog) : dialog_(dialog) {}

    std::string Text(int id) const override;
    void SetText(int id, const std::string& text) override;
    bool IsChecked(int id) const override;
    void SetChecked(int id, bool checked) override;
    void SetEnabled(int id, bool enabled) override;

  private:
    struct Loaded {
        QString shown;
        std::string bytes;
    };
    QWidget* dialog_;
    std::map<int, Loaded> loaded_;
};

// Puts a text into an edit box with its start in view, as a dialog shows a value.
void ShowFieldText(QLineEdit* field, const QString& text);
