// CBrowseCtrl as the manager uses it (windowless) and as a window: Browse, the path list, GetPath's rule,
// typing, keys, mouse, focus, tooltip and the notifications.
#include <gtest/gtest.h>
#include <QApplication>
#include <QDialog>
#include <QHelpEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>

#include "browse_test_support.h"
#include "manager/browse/qt/browse_ctrl.h"

using namespace browse_testing;

namespace {

// The notifications a parent hears, in order: "n<message>:<wParam>" and "clicked".
struct Listener {
    explicit Listener(CBrowseCtrl& control) {
        QObject::connect(&control, &CBrowseCtrl::notify,
                         [this, &control](unsigned message, int w, CBrowseCtrl* c) {
                             heard << QStringLiteral("n%1:%2").arg(message, 0, 16).arg(w);
                             EXPECT_EQ(c, &control);
                         });
        QObject::connect(&control, &QPushButton::clicked, [this] { heard << QStringLiteral("clicked"); });
    }
    QStringList heard;
};

void Settle() {
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();
}

}  // namespace

TEST(BrowseCtrl, WindowlessChooserAsTheManagerUsesIt) {
    ScriptedChooser chooser;
    CBrowseCtrl control;
    EXPECT_EQ(control.GetBrowseStyle(), 0x4Au);
    EXPECT_EQ(control.GetPath(), QString());
    control.SetPath(QStringLiteral("/srv/hot"));
    control.SetBrowseStyle(control.GetBrowseStyle() | BCS_FOLDERMODE);
    control.SetFolderFlags(BIF_EDITBOX);
    chooser.folder = QStringLiteral("/srv/Other");
    control.SetNotifyMessage(0x8100);
    Listener listener(control);
    EXPECT_EQ(control.Browse(), kBrowseChosen);
    Settle();
    EXPECT_TRUE(listener.heard.isEmpty()) << "without a window nobody is told";
    EXPECT_EQ(control.GetPath(), QStringLiteral("/srv/Other"));

    ASSERT_EQ(chooser.folderRequests.size(), 1u);
    const FolderChoiceRequest& request = chooser.folderRequests[0];
    EXPECT_EQ(request.flags, BIF_EDITBOX) << "the default BIF_RETURNONLYFSDIRS is replaced, not kept";
    EXPECT_EQ(request.initialPath, QStringLiteral("/srv/hot"));
    EXPECT_EQ(request.prompt, QStringLiteral("Plseas select a folder from the list:"));
    EXPECT_EQ(request.owner, nullptr);
    EXPECT_TRUE(request.title.isEmpty());

    // No window, no edit box, no notification ever came into being.
    EXPECT_FALSE(control.HasWindow());
    EXPECT_FALSE(control.testAttribute(Qt::WA_WState_Created));
    EXPECT_EQ(control.windowHandle(), nullptr);
    EXPECT_EQ(control.EditBox(), nullptr);
    EXPECT_TRUE(control.findChildren<QWidget*>().isEmpty());
}

TEST(BrowseCtrl, WindowlessFileChooserDefaultsAndManagerOptions) {
    ScriptedChooser chooser;
    CBrowseCtrl control;
    chooser.files = {QStringLiteral("/opt/sign/Sealwright")};
    EXPECT_EQ(control.Browse(), kBrowseChosen);
    ASSERT_EQ(chooser.fileRequests.size(), 1u);
    EXPECT_EQ(chooser.fileRequests[0].flags, 0x882202u);
    EXPECT_EQ(chooser.fileRequests[0].filter, QStringLiteral("All Files (*.*)|*.*||"));
    EXPECT_TRUE(chooser.fileRequests[0].openDialog);

    control.SetPath(QStringLiteral("/opt/sign/old"));
    control.SetFileFilter(QStringLiteral("Exe Files (*.exe)|*.exe|All Files (*.*)|*.*||"));
    control.SetFileFlags(OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY);
    chooser.confirm = false;
    EXPECT_EQ(control.Browse(), kBrowseCancelled);
    EXPECT_EQ(chooser.fileRequests[1].flags, 0x81004u);
    EXPECT_EQ(chooser.fileRequests[1].initialPath, QStringLiteral("/opt/sign/old"));
    EXPECT_EQ(control.GetPath(), QStringLiteral("/opt/sign/old")) << "a cancelled choice changes nothing";
}

TEST(BrowseCtrl, MultipleChoiceKeepsEveryPathInTheChoosersOrder) {
    ScriptedChooser chooser;
    WindowedControl w;
    chooser.files = {QStringLiteral("/d/c.txt"), QStringLiteral("/d/a.txt"), QStringLiteral("/d/b.txt")};
    EXPECT_EQ(w.control->Browse(), kBrowseChosen);
    EXPECT_EQ(w.control->GetPaths(), chooser.files);
    EXPECT_EQ(w.control->GetPath(), QStringLiteral("/d/c.txt"));
    EXPECT_EQ(w.control->EditBox()->text(), QStringLiteral("/d/c.txt"));
    EXPECT_EQ(w.control->EditBox()->selectedText(), QStringLiteral("/d/c.txt"));
    EXPECT_EQ(chooser.fileRequests[0].owner, &w.host);
}

TEST(BrowseCtrl, FolderWithoutFileSystemPathCountsAsChosen) {
    ScriptedChooser chooser;
    CBrowseCtrl control;
    control.SetBrowseStyle(BCS_FOLDERMODE);
    control.SetPath(QStringLiteral("/var"));
    chooser.folder = QString();
    EXPECT_EQ(control.Browse(), kBrowseChosen);
    EXPECT_EQ(control.GetPath(), QString());
}

TEST(BrowseCtrl, BusyControlRefusesAtOnceAndNotifiesOnce) {
    ScriptedChooser chooser;
    WindowedControl w(QSize(200, 21), kDefaultBrowseStyle, 0x8123);
    Listener listener(*w.control);
    int inner = 0;
    chooser.files = {QStringLiteral("/x")};
    chooser.whileOpen = [&] {
        EXPECT_TRUE(w.control->IsBusy());
        inner = w.control->Browse();
    };
    EXPECT_EQ(w.control->Browse(), kBrowseChosen);
    EXPECT_EQ(inner, kBrowseCancelled);
    EXPECT_EQ(chooser.fileRequests.size(), 1u) << "the refused Browse opened no dialog";
    EXPECT_FALSE(w.control->IsBusy());
    Settle();
    EXPECT_EQ(listener.heard, QStringList{QStringLiteral("n8123:1")})
        << "no clicked() for a programmatic Browse";
    chooser.whileOpen = nullptr;
    chooser.confirm = false;
    EXPECT_EQ(w.control->Browse(), kBrowseCancelled);
    EXPECT_EQ(listener.heard.last(), QStringLiteral("n8123:2"));
}

TEST(BrowseCtrl, GetPathFollowsTypingButNotALetterCaseChange) {
    ScriptedChooser chooser;
    WindowedControl w;
    QLineEdit* edit = w.control->EditBox();
    chooser.files = {QStringLiteral("/tmp/Data/File.TXT")};
    ASSERT_EQ(w.control->Browse(), kBrowseChosen);
    edit->clear();
    QTest::keyClicks(edit, QStringLiteral("/TMP/data/file.txt"));
    EXPECT_EQ(w.control->GetPath(), QStringLiteral("/tmp/Data/File.TXT"));
    QTest::keyClicks(edit, QStringLiteral(".bak"));
    EXPECT_EQ(w.control->GetPath(), QStringLiteral("/TMP/data/file.txt.bak"));
    // Choosing again forgets the typing.
    ASSERT_EQ(w.control->Browse(), kBrowseChosen);
    EXPECT_EQ(w.control->GetPath(), QStringLiteral("/tmp/Data/File.TXT"));
}

TEST(BrowseCtrl, ReadOnlyEditBoxIgnoresTypingAndStyleChangesRebuildIt) {
    WindowedControl w(QSize(200, 21), BCS_PICTURE | BCS_OPENFOLDER);
    w.control->SetPath(QStringLiteral("/a/b"));
    EXPECT_TRUE(w.control->EditBox()->isReadOnly());
    EXPECT_EQ(w.control->EditBox()->text(), QStringLiteral("/a/b"));
    w.control->SetBrowseStyle(kDefaultBrowseStyle);
    QLineEdit* edit = w.control->EditBox();
    EXPECT_FALSE(edit->isReadOnly());
    EXPECT_EQ(edit->text(), QStringLiteral("/a/b")) << "the new edit box keeps the text";
    QTest::keyClicks(edit, QStringLiteral("/c"));
    EXPECT_EQ(w.control->GetPath(), QStringLiteral("/a/b/c"));
    w.control->SetBrowseStyle(BCS_PICTURE | BCS_OPENFOLDER);
    QTest::keyClicks(w.control->EditBox(), QStringLiteral("zz"));
    EXPECT_EQ(w.control->EditBox()->text(), QStringLiteral("/a/b/c"));
}

TEST(BrowseCtrl, SetPathOnWindowedAndWindowlessControls) {
    WindowedControl w;
    w.control->SetPath(QStringLiteral("/one"));
    EXPECT_EQ(w.control->EditBox()->text(), QStringLiteral("/one"));
    EXPECT_EQ(w.control->GetPath(), QStringLiteral("/one"));
    CBrowseCtrl windowless;
    windowless.SetPath(QStringLiteral("/two"));
    EXPECT_EQ(windowless.GetPath(), QStringLiteral("/two"));
    EXPECT_EQ(windowless.GetPaths(), QStringList{QStringLiteral("/two")});
    windowless.SetPath(QString());
    EXPECT_EQ(windowless.GetPath(), QString());
    EXPECT_TRUE(windowless.GetPaths().isEmpty());
    EXPECT_TRUE(windowless.findChildren<QWidget*>().isEmpty());
}

TEST(BrowseCtrl, DisabledControlDisablesItsEditBox) {
    WindowedControl w;
    w.control->setEnabled(false);
    EXPECT_FALSE(w.control->EditBox()->isEnabled());
    w.control->setEnabled(true);
    EXPECT_TRUE(w.control->EditBox()->isEnabled());
    w.control->setEnabled(false);
    w.control->SetBrowseStyle(BCS_EDITABLE);
    EXPECT_FALSE(w.control->EditBox()->isEnabled()) << "a rebuilt edit box is born disabled";
}

TEST(BrowseCtrl, EnterInTheEditBoxBrowsesAndNeverReachesTheDefaultButton) {
    ScriptedChooser chooser;
    chooser.files = {QStringLiteral("/chosen")};
    QDialog dialog;
    auto* other = new QLineEdit(&dialog);
    auto* ok = new QPushButton(QStringLiteral("OK"), &dialog);
    ok->setDefault(true);
    int okClicks = 0;
    QObject::connect(ok, &QPushButton::clicked, [&] { ++okClicks; });
    ok->setGeometry(150, 40, 50, 20);
    other->setGeometry(0, 40, 100, 20);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    CBrowseCtrl control;
    ASSERT_TRUE(control.Create(QRect(0, 0, 200, 21), &dialog, 1001));
    Listener listener(control);

    control.EditBox()->setFocus();
    QTest::keyClick(control.EditBox(), Qt::Key_Return);
    EXPECT_EQ(chooser.fileRequests.size(), 1u);
    EXPECT_EQ(control.GetPath(), QStringLiteral("/chosen"));
    EXPECT_EQ(listener.heard.count(QStringLiteral("clicked")), 0) << "posted, so not yet";
    Settle();
    EXPECT_EQ(listener.heard.count(QStringLiteral("clicked")), 1);
    QTest::keyClick(control.EditBox(), Qt::Key_Enter);
    EXPECT_EQ(chooser.fileRequests.size(), 2u);
    EXPECT_EQ(okClicks, 0);
    EXPECT_TRUE(dialog.isVisible());

    // The same key in an ordinary edit box does reach the default button, so the check above means something.
    other->setFocus();
    QTest::keyClick(other, Qt::Key_Return);
    EXPECT_EQ(okClicks, 1);
}

TEST(BrowseCtrl, SpaceBrowsesOnRelease) {
    ScriptedChooser chooser;
    chooser.confirm = false;
    WindowedControl w;
    Listener listener(*w.control);
    SendKey(*w.control, QEvent::KeyPress, Qt::Key_Space);
    EXPECT_TRUE(w.control->IsPressed());
    SendKey(*w.control, QEvent::KeyRelease, Qt::Key_Space, true);
    SendKey(*w.control, QEvent::KeyPress, Qt::Key_Space, true);
    EXPECT_TRUE(chooser.fileRequests.empty()) << "a repeated key browses only once, at the end";
    SendKey(*w.control, QEvent::KeyRelease, Qt::Key_Space);
    EXPECT_FALSE(w.control->IsPressed());
    EXPECT_EQ(chooser.fileRequests.size(), 1u);
    Settle();
    EXPECT_EQ(listener.heard.count(QStringLiteral("clicked")), 1) << "whatever the result";
}

TEST(BrowseCtrl, MousePressLeaveReturnAndRelease) {
    ScriptedChooser chooser;
    chooser.confirm = false;
    WindowedControl w;
    Listener listener(*w.control);
    const QPoint inside = w.control->ButtonRect().center();
    const QPoint outside(20, 10);
    w.control->SetPath(QStringLiteral("/selected"));
    w.control->EditBox()->selectAll();

    SendMouse(*w.control, QEvent::MouseMove, inside);
    EXPECT_TRUE(w.control->IsHovered());
    SendMouse(*w.control, QEvent::MouseButtonPress, inside);
    EXPECT_TRUE(w.control->IsPressed());
    EXPECT_FALSE(w.control->EditBox()->hasSelectedText());
    EXPECT_EQ(listener.heard, QStringList{QStringLiteral("n8065:1")});
    SendMouse(*w.control, QEvent::MouseMove, outside, true);
    EXPECT_FALSE(w.control->IsPressed());
    EXPECT_FALSE(w.control->IsHovered());
    SendMouse(*w.control, QEvent::MouseMove, inside, true);
    EXPECT_TRUE(w.control->IsPressed()) << "pressed again while the press lasts";
    SendMouse(*w.control, QEvent::MouseMove, outside, true);
    SendMouse(*w.control, QEvent::MouseButtonRelease, outside);
    EXPECT_TRUE(chooser.fileRequests.empty()) << "released away from the button";

    SendMouse(*w.control, QEvent::MouseButtonPress, inside);
    SendMouse(*w.control, QEvent::MouseButtonRelease, inside);
    EXPECT_FALSE(w.control->IsPressed());
    EXPECT_EQ(chooser.fileRequests.size(), 1u);
    Settle();
    EXPECT_EQ(listener.heard.count(QStringLiteral("clicked")), 1);
}

TEST(BrowseCtrl, HoverEndsWhenTheCursorLeavesOrEntersTheEditBox) {
    WindowedControl w(QSize(200, 21), kDefaultBrowseStyle | BCS_FLAT);
    const QPoint inside = w.control->ButtonRect().center();
    SendMouse(*w.control, QEvent::MouseMove, inside);
    ASSERT_TRUE(w.control->IsHovered());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(w.control, &leave);
    EXPECT_FALSE(w.control->IsHovered());
    SendMouse(*w.control, QEvent::MouseMove, inside);
    ASSERT_TRUE(w.control->IsHovered());
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(w.control->EditBox()->mapToGlobal(QPoint(5, 5))));
    QApplication::sendEvent(w.control->EditBox(), &enter);
    EXPECT_FALSE(w.control->IsHovered());
}

TEST(BrowseCtrl, FocusGoesToTheEditBoxAndItsLossIsNotified) {
    QDialog dialog;
    auto* before = new QLineEdit(&dialog);
    before->setGeometry(0, 40, 100, 20);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    CBrowseCtrl control;
    ASSERT_TRUE(control.Create(QRect(0, 0, 200, 21), &dialog, 1001));
    QWidget::setTabOrder(before, &control);
    control.SetPath(QStringLiteral("/some/path"));
    Listener listener(control);

    before->setFocus();
    Settle();
    QTest::keyClick(before, Qt::Key_Tab);
    Settle();
    EXPECT_EQ(QApplication::focusWidget(), control.EditBox());
    EXPECT_EQ(control.EditBox()->selectedText(), QStringLiteral("/some/path"));
    EXPECT_TRUE(listener.heard.isEmpty());

    before->setFocus();
    Settle();
    EXPECT_FALSE(control.EditBox()->hasSelectedText());
    EXPECT_EQ(listener.heard, QStringList{QStringLiteral("n8065:1")});

    // Focus that comes back from the edit box stays on the control (so Shift+Tab can leave it).
    control.EditBox()->setFocus();
    Settle();
    control.setFocus(Qt::BacktabFocusReason);
    Settle();
    EXPECT_EQ(QApplication::focusWidget(), &control);
    EXPECT_EQ(listener.heard.size(), 2);
}

TEST(BrowseCtrl, ToolTipOverTheButtonOnly) {
    WindowedControl w;
    QHelpEvent away(QEvent::ToolTip, QPoint(2, 2), w.control->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(w.control, &away);
    EXPECT_TRUE(QToolTip::text().isEmpty());
    QHelpEvent over(QEvent::ToolTip, w.control->ButtonRect().center(),
                    w.control->mapToGlobal(w.control->ButtonRect().center()));
    QApplication::sendEvent(w.control, &over);
    EXPECT_EQ(QToolTip::text(), QStringLiteral("Browse"));
    QToolTip::hideText();
}

TEST(BrowseCtrl, CreateNeedsAParent) {
    QApplication::setActiveWindow(nullptr);
    CBrowseCtrl control;
    EXPECT_FALSE(control.Create(QRect(0, 0, 100, 20), nullptr, 7));
    EXPECT_FALSE(control.HasWindow());
    ScriptedChooser chooser;
    chooser.files = {QStringLiteral("/still/works")};
    EXPECT_EQ(control.Browse(), kBrowseChosen);
    EXPECT_EQ(control.GetPath(), QStringLiteral("/still/works"));

    QWidget active;
    active.show();
    QApplication::setActiveWindow(&active);
    CBrowseCtrl child;
    ASSERT_TRUE(child.Create(QRect(0, 0, 100, 20), nullptr, 7));
    EXPECT_EQ(child.parentWidget(), &active);
    EXPECT_EQ(child.objectName(), QStringLiteral("7"));
    EXPECT_EQ(child.EditBox()->objectName(), QStringLiteral("12345"));
    EXPECT_FALSE(child.Create(QRect(0, 0, 100, 20), &active, 8)) << "one window per control";
}
