#include <QApplication>
#include <QDateTime>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

#include "browse_test_support.h"
#include "manager/browse/qt/browse_ctrl.h"

namespace browse_testing {

QFont DialogFont() {
    QFont font(QStringLiteral("DejaVu Sans Condensed"));
    font.setPointSize(8);
    return font;
}

QPalette ClassicPalette() {
    QPalette palette = QApplication::palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Button, QColor::fromRgb(kFace));
        palette.setColor(group, QPalette::Light, QColor::fromRgb(kHighlight));
        palette.setColor(group, QPalette::Midlight, QColor::fromRgb(kLight));
        palette.setColor(group, QPalette::Dark, QColor::fromRgb(kShadow));
        palette.setColor(group, QPalette::Shadow, QColor::fromRgb(kDarkShadow));
        palette.setColor(group, QPalette::ButtonText, QColor::fromRgb(kText));
    }
    return palette;
}

ScriptedChooser::ScriptedChooser() : previous_(SetBrowseChooser(this)) {}
ScriptedChooser::~ScriptedChooser() {
    SetBrowseChooser(previous_);
}

bool ScriptedChooser::ChooseFolder(const FolderChoiceRequest& request, QString& path) {
    folderRequests.push_back(request);
    if (whileOpen) whileOpen();
    if (confirm) path = folder;
    return confirm;
}

bool ScriptedChooser::ChooseFiles(const FileChoiceRequest& request, QStringList& paths) {
    fileRequests.push_back(request);
    if (whileOpen) whileOpen();
    if (confirm) paths = files;
    return confirm;
}

WindowedControl::WindowedControl(QSize size, uint32_t style, unsigned notify) : control(new CBrowseCtrl) {
    host.resize(size.width() + 20, size.height() + 20);
    host.show();
    host.activateWindow();
    QApplication::setActiveWindow(&host);
    control->Create(QRect(QPoint(10, 10), size), &host, 1001, style, notify);
}

WindowedControl::~WindowedControl() {
    delete control;
}

QImage Grab(QWidget& widget) {
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

void SendMouse(QWidget& widget, int type, QPoint pos, bool leftHeld) {
    const auto eventType = static_cast<QEvent::Type>(type);
    const Qt::MouseButton button = eventType == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons held =
        (leftHeld || eventType == QEvent::MouseButtonPress) ? Qt::LeftButton : Qt::NoButton;
    QMouseEvent event(eventType, QPointF(pos), QPointF(widget.mapToGlobal(pos)), button, held,
                      Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

void SendKey(QWidget& widget, int type, int key, bool autoRepeat) {
    QKeyEvent event(static_cast<QEvent::Type>(type), key, Qt::NoModifier, QString(), autoRepeat);
    QApplication::sendEvent(&widget, &event);
}

ModalDriver::ModalDriver(std::vector<Step> steps, int guardMs)
    : steps_(std::move(steps)), timer_(new QTimer), deadline_(QDateTime::currentMSecsSinceEpoch() + guardMs) {
    QObject::connect(timer_, &QTimer::timeout, [this] { Poll(); });
    timer_->start(20);
}

ModalDriver::~ModalDriver() {
    delete timer_;
}

void ModalDriver::Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) {
        lastSeen_ = nullptr;
        return;
    }
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const bool late = now > deadline_;
    if (modal == lastSeen_ && !late) return;
    if (!late && next_ >= static_cast<int>(steps_.size())) {
        // A dialog comes back on top for a moment when its nested box closes just before it closes itself
        // (a slow machine can poll in between): only one that stays on top is unanswered.
        if (modal != unanswered_) {
            unanswered_ = modal;
            unansweredSince_ = now;
            return;
        }
        if (now - unansweredSince_ < kUnansweredAfterMs) return;
    }
    lastSeen_ = modal;
    if (late || next_ >= static_cast<int>(steps_.size())) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        problems_ << QStringLiteral("unanswered %1 \"%2\" %3")
                         .arg(modal->metaObject()->className(), modal->windowTitle(),
                              box ? box->text() : QString());
        Reject(modal);
        return;
    }
    Step step = steps_[next_++];
    QPointer<QWidget> target(modal);
    QTimer::singleShot(0, [step, target] {
        if (target) step(target);
    });
}

void TypeName(QWidget* fileDialog, const QString& text) {
    if (auto* field = fileDialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) field->setText(text);
}

void Accept(QWidget* dialog) {
    QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
}

void Reject(QWidget* dialog) {
    if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
        // A box without a reject role (a lone OK) still closes.
        QMetaObject::invokeMethod(box, "done", Qt::QueuedConnection, Q_ARG(int, QMessageBox::Cancel));
        return;
    }
    QMetaObject::invokeMethod(dialog, "reject", Qt::QueuedConnection);
}

void Answer(QWidget* messageBox, int standardButton) {
    auto* box = qobject_cast<QMessageBox*>(messageBox);
    if (!box) return Reject(messageBox);
    QAbstractButton* button = box->button(static_cast<QMessageBox::StandardButton>(standardButton));
    if (!button) return Reject(messageBox);
    QMetaObject::invokeMethod(button, "click", Qt::QueuedConnection);
}

QString NameField(QWidget* fileDialog) {
    auto* field = fileDialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    return field ? field->text() : QStringLiteral("<no name field>");
}

bool NameFieldVisible(QWidget* fileDialog) {
    auto* field = fileDialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    return field && field->isVisibleTo(fileDialog);
}

}  // namespace browse_testing
