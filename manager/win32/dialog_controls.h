// The settings controls of a Win32 dialog as a ControlStore, each control found by its id. Texts go
// through the ANSI calls, so a value's bytes come back as they were (in the system's ANSI code page).
#pragma once

#include <string>

#include "common/platform/win32_windows.h"
#include "manager/settings_form.h"

class DialogControls : public ControlStore {
  public:
    explicit DialogControls(HWND dialog) : dialog_(dialog) {}

    std::string Text(int id) const override;
    void SetText(int id, const std::string& text) override;
    bool IsChecked(int id) const override;
    void SetChecked(int id, bool checked) override;
    void SetEnabled(int id, bool enabled) override;

  private:
    HWND dialog_;
};
