// CBrowseCtrl: a path field for dialogs, and a plain folder or file chooser.
//
// As a chooser (no window is ever created; this is how the manager uses it; a QApplication must exist):
//
//     CBrowseCtrl chooser;                        // file mode, Open dialog, every file
//     chooser.SetPath(field->text());             // preselected in the dialog
//     chooser.SetBrowseStyle(chooser.GetBrowseStyle() | BCS_FOLDERMODE);  // folders instead of files
//     chooser.SetFolderFlags(BIF_EDITBOX);        // replaces the default BIF_RETURNONLYFSDIRS
//     if (chooser.Browse() != kBrowseCancelled) field->setText(chooser.GetPath());
//
//   For files: SetFileFilter("Exe Files (*.exe)|*.exe|All Files (*.*)|*.*||") and
//   SetFileFlags(OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY) instead of the style and folder flags.
//   Browse returns kBrowseChosen (1) or kBrowseCancelled (2, also when a Browse of the object is running).
//   GetPath gives the chosen path (the first one after a multiple choice); a folder without a file-system
//   path gives an empty text. The folder chooser has no owner window; the file chooser belongs to the
//   active window. Tests put their own CBrowseChooser in place with SetBrowseChooser (browse_chooser.h).
//
// As a window: Create(...) makes it a child of a dialog, or Attach(button) puts it in place of an existing
// push button (taking its parent, place, text as caption, font, enabled state and tab position). The control
// then shows an edit box with a small browse button at one end; the button, Space on the focused control or
// Enter in the edit box opens the chooser, and the parent hears of it through signals:
//   notify(m_nNotifyMsg, result, this)  after each Browse that was not refused as busy, when the notify
//                                       message given to Create is not 0; sent synchronously
//   clicked()                           after a Browse the user started, posted, so it arrives after the
//                                       dialog has closed, whatever the result (like a button click)
//   notify(kBrowseNotifyMessage, 1, this)  when the edit box loses the focus and when the button is pressed
#pragma once

#include <QLineEdit>
#include <QPushButton>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>

#include "manager/browse/browse_layout.h"
#include "manager/browse/browse_style.h"
#include "manager/browse/qt/browse_chooser.h"
#include "manager/browse/qt/browse_geometry.h"

constexpr int kBrowseChosen = 1;
constexpr int kBrowseCancelled = 2;
constexpr unsigned kBrowseNotifyMessage = 0x8065;  // the control's private notification
constexpr int kBrowseEditId = 0x3039;              // the edit box's child identifier (and object name)

class CBrowseCtrl : public QPushButton {
    Q_OBJECT

  public:
    CBrowseCtrl();  // windowless, with every default
    ~CBrowseCtrl() override;
    CBrowseCtrl(const CBrowseCtrl&) = delete;
    CBrowseCtrl& operator=(const CBrowseCtrl&) = delete;

    // Makes the control a visible child of `parent` (none: the active window) at `rect`, with `id` as its
    // identity (object name). Fails when there is no parent or the set-up fails; the object then stays
    // usable as a windowless chooser.
    virtual bool Create(const QRect& rect, QWidget* parent, int id, uint32_t style = kDefaultBrowseStyle,
                        unsigned notifyMessage = 0);
    // Puts the control in place of `button`, which is hidden and stays with its parent; its text becomes
    // the caption unless one was set. Fails when the button has no parent.
    bool Attach(QPushButton* button);

    void SetPath(const QString& path);  // a null text clears the path list
    QString GetPath() const;
    QStringList GetPaths() const;  // every path of the list, in the chooser's order
    uint32_t GetBrowseStyle() const { return m_dwBrowseStyle; }
    void SetBrowseStyle(uint32_t style);
    void SetFolderFlags(uint32_t flags) { m_nFolderFlags = flags; }
    void SetFileFilter(const QString& filter) { m_strFilter = filter; }
    void SetFileFlags(uint32_t flags) { m_dwFileFlags = flags; }
    int Browse();

    // The options the manager leaves alone.
    void SetTitle(const QString& title) { m_strTitle = title; }
    void SetPrompt(const QString& prompt) { m_strPrompt = prompt; }
    void SetDefaultExtension(const QString& extension) { m_strDefExt = extension; }
    void SetOpenDialog(bool open) { m_bOpenDialog = open; }
    void SetToolTipText(const QString& text) { m_strToolTip = text; }
    void SetCaption(const QString& caption);
    void SetNotifyMessage(unsigned message) { m_nNotifyMsg = message; }

    // State, for the parent and for tests.
    bool HasWindow() const { return m_bWindow; }
    int ControlId() const { return m_nID; }
    QLineEdit* EditBox() const { return m_edit; }
    QRect ButtonRect() const { return ToQRect(m_rcButton); }
    QRect ContentRect() const { return ToQRect(m_rcContent); }
    QRect EditRect() const { return ToQRect(m_rcEdit); }
    bool IsPressed() const { return m_bPressed; }
    bool IsHovered() const { return m_bHover; }
    bool IsBusy() const { return m_bBusy; }

  signals:
    void notify(unsigned message, int wParam, CBrowseCtrl* control);

  protected:
    virtual void PreSubclassWindow();
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    bool SetUp();
    bool CreateEditBox();
    void LayOut(bool moveEdit);
    int BrowseFolder();
    int BrowseFiles();
    void ReplacePathList(const QStringList& paths);
    QString FirstPath() const;
    void ShowChosenPath(const QString& path);
    void UserBrowse();
    void SendNotify(unsigned message, int wParam);
    void EndHover();
    bool ShowToolTip(QEvent* event);
    void OnFocusChanged(QWidget* old, QWidget* now);
    void OnFocusSettled();
    void OnEditTextChanged(const QString& text);

    unsigned m_nNotifyMsg = 0;
    BrowseRect m_rcButton;
    BrowseRect m_rcContent;
    BrowseRect m_rcEdit;
    QLineEdit* m_edit = nullptr;  // none until the set-up makes it; owned by this control
    bool m_bEditActive = false;
    bool m_bOwnCreate = false;
    uint32_t m_dwBrowseStyle = kDefaultBrowseStyle;
    bool m_bPressed = false;
    bool m_bHover = false;
    bool m_bToolTip = false;  // the tooltip's tool exists (it follows the button)
    QString m_strToolTip = QStringLiteral("Browse");
    QString m_strCaption;
    bool m_bBusy = false;
    QString m_strTitle;
    QString m_strPrompt = QStringLiteral("Plseas select a folder from the list:");
    bool m_bOpenDialog = true;
    uint32_t m_dwFileFlags =
        OFN_ENABLESIZING | OFN_EXPLORER | OFN_CREATEPROMPT | OFN_ALLOWMULTISELECT | OFN_OVERWRITEPROMPT;
    uint32_t m_nFolderFlags = BIF_RETURNONLYFSDIRS;
    QString m_strDefExt;
    QString m_strFilter = QStringLiteral("All Files (*.*)|*.*||");
    // The path list: each path (8-bit, as the file system has it) ended by a zero byte, and one more zero
    // byte after the last; none before the first SetPath or choice.
    std::unique_ptr<char[]> m_pszPaths;
    bool m_bEdited = false;
    QString m_strText;

    bool m_bWindow = false;    // Create or Attach succeeded
    bool m_bCaptured = false;  // a press on the button holds the mouse
    int m_nID = 0;
};
