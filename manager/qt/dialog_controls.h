// The settings controls of a dialog as a ControlStore: each control found by its id.
//
// Texts are byte strings and never converted. A value that is valid UTF-8 is shown as such; any other
// value (a Windows-1252 name, or a value cut inside a character) is shown as Latin-1, one character per
// byte, so that the bytes a user does not touch go back exactly as they came, also after editing.
#pragma once

#include <QString>

#include <map>
#include <string>

#include "manager/settings_form.h"

class QWidget;

// How the bytes of a value map to the characters of an edit box.
enum class TextForm { Utf8, Latin1 };

// Utf8 when the bytes are valid UTF-8 (and so come back unchanged), Latin1 otherwise.
TextForm FormOf(const std::string& bytes);
QString ShownText(const std::string& bytes, TextForm form);
// Back to bytes. In Latin1, a character beyond Latin-1 (typed by the user) becomes its UTF-8 bytes, so
// nothing typed is lost and every other byte stays.
std::string StoredText(const QString& text, TextForm form);
// Shows bytes from outside (a file name, a system text) by the same rule.
QString ShownText(const std::string& bytes);

class DialogControls : public ControlStore {
  public:
    explicit DialogControls(QWidget* dialog) : dialog_(dialog) {}

    std::string Text(int id) const override;
    void SetText(int id, const std::string& text) override;
    bool IsChecked(int id) const override;
    void SetChecked(int id, bool checked) override;
    void SetEnabled(int id, bool enabled) override;
    // A path chosen in a chooser: a name of the file system, kept as UTF-8 whatever the box held before.
    void SetChosenPath(int id, const QString& path);

  private:
    TextForm FormOfField(int id) const;

    QWidget* dialog_;
    std::map<int, TextForm> forms_;  // of the values put into each edit box; UTF-8 where none was
};
