// The about box: the program's icon, name, a notice line, and the file version of the manager program,
// read afresh from the program file whenever the box becomes active or inactive.
#pragma once

#include <QDialog>

class QEvent;

class CAboutDlg : public QDialog {
    Q_OBJECT

  public:
    explicit CAboutDlg(QWidget* parent = nullptr);

  protected:
    bool event(QEvent* event) override;

  private:
    void OnActivate();
};
