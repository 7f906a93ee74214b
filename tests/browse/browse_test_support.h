// Shared by the browse control tests: the dialog look, a stand-in chooser, mouse and key events, and a
// driver that answers the real modal dialogs.
#pragma once

#include <QFont>
#include <QImage>
#include <QPalette>
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <ostream>
#include <vector>

#include "manager/browse/qt/browse_chooser.h"

class QTimer;
class CBrowseCtrl;

// Readable test failures.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace browse_testing {

// DejaVu Sans Condensed 8 pt (base units 6 x 13 at 96 DPI) and a palette with six distinct 3D colours.
QFont DialogFont();
QPalette ClassicPalette();
constexpr QRgb kFace = 0xFFD4D0C8;
constexpr QRgb kHighlight = 0xFFFFFFFF;
constexpr QRgb kLight = 0xFFE0DED8;
constexpr QRgb kShadow = 0xFF808080;
constexpr QRgb kDarkShadow = 0xFF404040;
constexpr QRgb kText = 0xFF000000;

// The chooser seam answered by the test: records every request and gives the scripted answer.
class ScriptedChooser : public CBrowseChooser {
  public:
    ScriptedChooser();
    ~ScriptedChooser() override;
    bool ChooseFolder(const FolderChoiceRequest& request, QString& path) override;
    bool ChooseFiles(const FileChoiceRequest& request, QStringList& paths) override;

    bool confirm = true;
    QString folder;
    QStringList files;
    std::function<void()> whileOpen;  // runs while the "dialog" is open
    std::vector<FolderChoiceRequest> folderRequests;
    std::vector<FileChoiceRequest> fileRequests;

  private:
    CBrowseChooser* previous_;
};

// A control made with Create inside a visible, active host window.
struct WindowedControl {
    explicit WindowedControl(QSize size = QSize(200, 21), uint32_t style = 0x4A, unsigned notify = 0);
    ~WindowedControl();
    QWidget host;
    CBrowseCtrl* control;
};

QImage Grab(QWidget& widget);
void SendMouse(QWidget& widget, int type, QPoint pos, bool leftHeld = false);
void SendKey(QWidget& widget, int type, int key, bool autoRepeat = false);

// Answers the modal dialogs that a call opens: each time another modal widget comes on top, the next step
// runs on it (from a zero timer, so that a step may open a nested dialog of its own). A modal widget that
// stays on top for half a second when the steps are used up, or one on top after the guard time, is
// rejected and recorded as a problem: a test can fail but never hang.
class ModalDriver {
  public:
    using Step = std::function<void(QWidget* modal)>;
    explicit ModalDriver(std::vector<Step> steps, int guardMs = 20000);
    ~ModalDriver();
    int StepsRun() const { return next_; }
    const QStringList& Problems() const { return problems_; }

  private:
    void Poll();
    std::vector<Step> steps_;
    int next_ = 0;
    QPointer<QWidget> lastSeen_;
    static constexpr qint64 kUnansweredAfterMs = 500;
    QPointer<QWidget> unanswered_;  // on top with the steps used up, since unansweredSince_
    qint64 unansweredSince_ = 0;
    QStringList problems_;
    QTimer* timer_;
    qint64 deadline_;
};

// Steps' helpers. Each acts through the dialog's own widgets and queues the closing, so that a dialog that
// it opens in turn is answered by the next step.
void TypeName(QWidget* fileDialog, const QString& text);  // into the dialog's own name field
void Accept(QWidget* dialog);
void Reject(QWidget* dialog);
void Answer(QWidget* messageBox, int standardButton);
QString NameField(QWidget* fileDialog);
bool NameFieldVisible(QWidget* fileDialog);

}  // namespace browse_testing
