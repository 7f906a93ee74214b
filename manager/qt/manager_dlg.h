// The manager's settings dialog: every setting of QuillCollector.ini in a control of its own, the two
// service buttons, the two choosers and the about box. OK writes every control and closes; Cancel, Esc and
// the close box close without writing anything.
#pragma once

#include <QDialog>
#include <QIcon>
#include <QString>

#include <vector>

#include "manager/qt/dialog_controls.h"

class QContextMenuEvent;
class QShowEvent;

class CQuillCollectorManagerDlg : public QDialog {
    Q_OBJECT

  public:
    explicit CQuillCollectorManagerDlg(QWidget* parent = nullptr);

    void LoadSettings();
    // True when every setting was written; otherwise the one message box has said which file and why.
    bool SaveSettings();
    void UpdateControlStates();

  protected:
    void showEvent(QShowEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;

  private:
    struct MenuEntry {
        unsigned command;
        QString text;
    };

    void ConnectControls();
    void OnInitDialog();
    void AddAboutMenuEntry();
    bool OnSysCommand(unsigned command);
    void OnOK();
    void OnAbout();
    void OnInstallService();
    void OnUninstallService();
    void OnBrowseHotFolder();
    void OnBrowseSigner();
    void OnChoiceClicked();

    QIcon m_hIcon;
    DialogControls m_controls;
    // Entries of the window's menu where the window has no system menu: they go in its context menu.
    std::vector<MenuEntry> m_contextMenu;
    bool m_initialized = false;
};
