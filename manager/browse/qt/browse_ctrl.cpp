#include "manager/browse/qt/browse_ctrl.h"

#include <QApplication>
#include <QFile>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLayout>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include <cstring>
#include <utility>

#include "manager/browse/qt/browse_paint.h"

namespace {

constexpr int kEditMargin = 1;

bool IsEnterKey(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

}  // namespace

CBrowseCtrl::CBrowseCtrl() {
    setAutoDefault(false);
}

CBrowseCtrl::~CBrowseCtrl() {
    // The children and the focus notifications must not reach this object once it is half destroyed.
    if (qApp) disconnect(qApp, nullptr, this, nullptr);
    delete std::exchange(m_edit, nullptr);
}

bool CBrowseCtrl::Create(const QRect& rect, QWidget* parent, int id, uint32_t style, unsigned notifyMessage) {
    m_nNotifyMsg = notifyMessage;
    if (!parent) parent = QApplication::activeWindow();
    if (!parent || m_bWindow) return false;
    m_bOwnCreate = true;
    setParent(parent);
    setGeometry(rect);
    m_nID = id;
    setObjectName(QString::number(id));
    setText(QString());
    setFocusPolicy(Qt::StrongFocus);
    m_bWindow = true;
    show();
    PreSubclassWindow();
    m_dwBrowseStyle = style;
    return SetUp();
}

bool CBrowseCtrl::Attach(QPushButton* button) {
    QWidget* parent = button ? button->parentWidget() : nullptr;
    if (!parent || m_bWindow) return false;
    setParent(parent);
    setGeometry(button->geometry());
    if (button->testAttribute(Qt::WA_SetFont)) setFont(button->font());
    setEnabled(button->isEnabled());
    setText(button->text());
    setObjectName(button->objectName());
    m_nID = button->objectName().toInt();
    setFocusPolicy(button->focusPolicy());
    if (QLayout* layout = parent->layout()) delete layout->replaceWidget(button, this);
    QWidget::setTabOrder(button, this);
    setVisible(!button->isHidden());
    button->hide();
    m_bWindow = true;
    PreSubclassWindow();
    return m_edit != nullptr;
}

void CBrowseCtrl::PreSubclassWindow() {
    if (!m_bOwnCreate) SetUp();
}

bool CBrowseCtrl::SetUp() {
    if (!m_bWindow) return false;
    setAutoDefault(false);
    setMouseTracking(true);
    // The caption comes before the layout, so that a caption taken from the button's text is measured.
    if (m_strCaption.isEmpty()) m_strCaption = text();
    setText(QString());
    LayOut(false);
    if (!CreateEditBox()) return false;
    m_bToolTip = true;
    connect(qApp, &QApplication::focusChanged, this, &CBrowseCtrl::OnFocusChanged, Qt::UniqueConnection);
    return true;
}

bool CBrowseCtrl::CreateEditBox() {
    QString kept;
    bool hadFocus = false;
    if (m_edit) {
        kept = m_edit->text();
        hadFocus = m_edit->hasFocus();
        m_edit->removeEventFilter(this);
        m_edit->disconnect(this);
        m_edit->setObjectName(QString());
        m_edit->hide();
        m_edit->deleteLater();  // it may be the sender of the signal that led here
    }
    auto* edit = new QLineEdit(this);
    edit->setObjectName(QString::number(kBrowseEditId));
    edit->setReadOnly(!(m_dwBrowseStyle & BCS_EDITABLE));
    edit->setEnabled(isEnabled());
    edit->setTextMargins(kEditMargin, 0, kEditMargin, 0);
    edit->setFocusPolicy(Qt::ClickFocus);  // Tab reaches the control, which hands the focus on
    edit->setGeometry(ToQRect(m_rcEdit));
    connect(edit, &QLineEdit::textChanged, this, &CBrowseCtrl::OnEditTextChanged);
    edit->installEventFilter(this);
    m_edit = edit;
    edit->setText(kept);
    edit->show();
    if (hadFocus) edit->setFocus(Qt::OtherFocusReason);
    return true;
}

void CBrowseCtrl::LayOut(bool moveEdit) {
    QSize content(kBrowsePictureSize, kBrowsePictureSize);
    if (!(m_dwBrowseStyle & BCS_PICTURE)) {
        const QFontMetrics metrics(BrowseCaptionFont(font()));
        content = QSize(metrics.horizontalAdvance(m_strCaption), metrics.height());
    }
    const BrowseLayout layout = LayOutBrowseCtrl(FromQRect(rect()), m_dwBrowseStyle, FromQSize(content));
    m_rcButton = layout.button;
    m_rcContent = layout.content;
    m_rcEdit = layout.edit;
    if (moveEdit && m_edit) {
        m_edit->setGeometry(ToQRect(m_rcEdit));
        m_edit->update();
    }
}

void CBrowseCtrl::SetPath(const QString& path) {
    if (m_edit) {
        m_edit->setText(path);
        m_edit->setCursorPosition(0);  // a new text shows from its start
    }
    if (path.isNull())
        m_pszPaths.reset();
    else
        ReplacePathList({path});
}

QString CBrowseCtrl::GetPath() const {
    const QString first = FirstPath();
    if (m_bEdited && m_strText.compare(first, Qt::CaseInsensitive) != 0) return m_strText;
    return first;
}

QStringList CBrowseCtrl::GetPaths() const {
    QStringList paths;
    for (const char* path = m_pszPaths.get(); path && *path; path += std::strlen(path) + 1)
        paths << QFile::decodeName(path);
    return paths;
}

QString CBrowseCtrl::FirstPath() const {
    return m_pszPaths ? QFile::decodeName(m_pszPaths.get()) : QString();
}

void CBrowseCtrl::ReplacePathList(const QStringList& paths) {
    QList<QByteArray> encoded;
    size_t size = 1;  // the zero byte that ends the list
    for (const QString& path : paths) {
        encoded << QFile::encodeName(path);
        size += encoded.last().size() + 1;
    }
    auto block = std::make_unique<char[]>(size);  // zeroed
    char* next = block.get();
    for (const QByteArray& path : encoded) {
        std::memcpy(next, path.constData(), path.size());
        next += path.size() + 1;
    }
    m_pszPaths = std::move(block);
}

void CBrowseCtrl::SetBrowseStyle(uint32_t style) {
    const bool changed = style != m_dwBrowseStyle;
    m_dwBrowseStyle = style;
    if (!changed || !m_bWindow) return;
    LayOut(false);
    CreateEditBox();
    update();
}

void CBrowseCtrl::SetCaption(const QString& caption) {
    m_strCaption = caption;
    if (!m_bWindow) return;
    LayOut(true);
    update();
}

int CBrowseCtrl::Browse() {
    if (m_bBusy) return kBrowseCancelled;
    m_bBusy = true;
    const int result = (m_dwBrowseStyle & BCS_FOLDERMODE) ? BrowseFolder() : BrowseFiles();
    if (m_nNotifyMsg != 0) SendNotify(m_nNotifyMsg, result);
    m_bBusy = false;
    return result;
}

int CBrowseCtrl::BrowseFolder() {
    FolderChoiceRequest request;
    request.owner = m_bWindow ? parentWidget() : nullptr;
    request.title = m_strTitle;
    request.prompt = m_strPrompt;
    request.initialPath = GetPath();
    request.flags = m_nFolderFlags;
    QString path;
    if (!CurrentBrowseChooser().ChooseFolder(request, path)) return kBrowseCancelled;
    ReplacePathList({path});
    ShowChosenPath(path);
    return kBrowseChosen;
}

int CBrowseCtrl::BrowseFiles() {
    FileChoiceRequest request;
    // Without a window of its own the dialog belongs to the window the user works in.
    request.owner = m_bWindow ? parentWidget() : QApplication::activeWindow();
    request.openDialog = m_bOpenDialog;
    request.title = m_strTitle;
    request.defaultExtension = m_strDefExt;
    request.initialPath = GetPath();
    request.flags = m_dwFileFlags;
    request.filter = m_strFilter;
    QStringList paths;
    if (!CurrentBrowseChooser().ChooseFiles(request, paths) || paths.isEmpty()) return kBrowseCancelled;
    ReplacePathList(paths);
    ShowChosenPath(paths.first());
    return kBrowseChosen;
}

void CBrowseCtrl::ShowChosenPath(const QString& path) {
    if (m_edit) {
        m_edit->setText(path);
        m_edit->selectAll();
    }
    m_bEdited = false;
    m_strText = path;
}

void CBrowseCtrl::UserBrowse() {
    Browse();
    if (m_bWindow && parentWidget())
        QMetaObject::invokeMethod(
            this, [this] { emit clicked(false); }, Qt::QueuedConnection);
}

void CBrowseCtrl::SendNotify(unsigned message, int wParam) {
    if (m_bWindow) emit notify(message, wParam, this);
}

void CBrowseCtrl::OnEditTextChanged(const QString& text) {
    if (m_bBusy || !(m_dwBrowseStyle & BCS_EDITABLE)) return;
    m_strText = text;
    m_bEdited = true;
}

// Focus that comes to the control from elsewhere goes on to the edit box, with all of its text selected.
void CBrowseCtrl::OnFocusChanged(QWidget* old, QWidget* now) {
    if (now == this && !m_bEditActive && old != m_edit && m_edit) {
        m_edit->setFocus(Qt::OtherFocusReason);
        m_edit->selectAll();
        m_bEditActive = true;
    }
    // Settled after the event that moved the focus, so that a click into the edit box, which places the
    // caret, does not undo the selection made here.
    QMetaObject::invokeMethod(this, &CBrowseCtrl::OnFocusSettled, Qt::QueuedConnection);
}

void CBrowseCtrl::OnFocusSettled() {
    if (!m_edit) return;
    const bool editFocused = QApplication::focusWidget() == m_edit;
    if (editFocused && !m_bEditActive) {
        m_bEditActive = true;
        m_edit->selectAll();
    } else if (!editFocused && m_bEditActive) {
        m_bEditActive = false;
        m_edit->deselect();
        SendNotify(kBrowseNotifyMessage, 1);
    }
}

bool CBrowseCtrl::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip && m_bToolTip) return ShowToolTip(event);
    return QPushButton::event(event);
}

bool CBrowseCtrl::ShowToolTip(QEvent* event) {
    const auto* help = static_cast<QHelpEvent*>(event);
    if (m_rcButton.Contains(FromQPoint(help->pos()))) {
        QToolTip::showText(help->globalPos(), m_strToolTip, this, ToQRect(m_rcButton));
    } else {
        QToolTip::hideText();
        event->ignore();
    }
    return true;
}

bool CBrowseCtrl::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_edit) return QPushButton::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress && IsEnterKey(static_cast<QKeyEvent*>(event)->key())) {
        UserBrowse();
        return true;  // never reaches the dialog's default button
    }
    if (event->type() == QEvent::Enter && m_bHover) EndHover();
    return false;
}

void CBrowseCtrl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    BrowseButtonLook look;
    look.button = m_rcButton;
    look.content = m_rcContent;
    look.style = m_dwBrowseStyle;
    look.pressed = m_bPressed;
    look.hover = m_bHover;
    look.disabled = !isEnabled();
    look.caption = m_strCaption;
    look.font = font();
    PaintBrowseButton(painter, palette(), look);
}

void CBrowseCtrl::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    if (m_rcButton.Contains(FromQPoint(event->position().toPoint()))) {
        if (m_edit) m_edit->deselect();
        SendNotify(kBrowseNotifyMessage, 1);
        m_bCaptured = true;
        m_bPressed = true;
    }
    update();
}

void CBrowseCtrl::mouseMoveEvent(QMouseEvent* event) {
    const bool inside = m_rcButton.Contains(FromQPoint(event->position().toPoint()));
    if (!m_bHover && inside) {
        m_bHover = true;
        if (m_bCaptured) m_bPressed = true;
        update(ToQRect(m_rcButton));
    } else if (m_bHover && !inside) {
        EndHover();
    }
}

void CBrowseCtrl::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_bCaptured) return QWidget::mouseReleaseEvent(event);
    m_bCaptured = false;
    m_bPressed = false;
    update(ToQRect(m_rcButton));
    if (m_rcButton.Contains(FromQPoint(event->position().toPoint()))) UserBrowse();
}

void CBrowseCtrl::leaveEvent(QEvent* event) {
    if (m_bHover) EndHover();
    QPushButton::leaveEvent(event);
}

void CBrowseCtrl::EndHover() {
    m_bHover = false;
    m_bPressed = false;
    update();
}

void CBrowseCtrl::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space) {
        m_bPressed = true;
        update();
    } else if (IsEnterKey(event->key())) {
        UserBrowse();
    } else {
        QWidget::keyPressEvent(event);  // not the button's own keys: no click of its own
    }
}

void CBrowseCtrl::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_Space) return QWidget::keyReleaseEvent(event);
    if (event->isAutoRepeat()) return;  // Qt repeats the release with the press; one browse per press
    m_bPressed = false;
    update();
    UserBrowse();
}

void CBrowseCtrl::resizeEvent(QResizeEvent* event) {
    QPushButton::resizeEvent(event);
    if (m_bWindow) LayOut(true);
}

void CBrowseCtrl::moveEvent(QMoveEvent* event) {
    QPushButton::moveEvent(event);
    if (m_bWindow) LayOut(true);
}

void CBrowseCtrl::changeEvent(QEvent* event) {
    QPushButton::changeEvent(event);
    if (!m_bWindow) return;
    if (event->type() == QEvent::EnabledChange) {
        if (m_edit) m_edit->setEnabled(isEnabled());
        update();
    } else if (event->type() == QEvent::FontChange) {
        LayOut(true);
        update();
    }
}
