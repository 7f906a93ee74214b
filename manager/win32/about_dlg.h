// The about box, from template 100: the icon, the program's name, the notice line and the version of the
// running program, read from its own version resource each time the box becomes active or inactive.
#pragma once

#include "manager/win32/dialog.h"

class CAboutDlg : public CDialog {
  public:
    explicit CAboutDlg(HWND parent);

  protected:
    void OnActivate(UINT state, HWND other, BOOL minimized) override;
};
