#include "manager/qt/about_dlg.h"

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "manager/dialog_layout.h"
#include "manager/qt/app_icon.h"
#include "manager/qt/control_id.h"
#include "manager/qt/dialog_units.h"
#include "tests/support/test_support.h"

using testing_support::ProjectVersion;

namespace {

QString VersionText(const CAboutDlg& box) {
    return FindControl<QLabel>(&box, IDC_VERSION)->text();
}

}  // namespace

TEST(DialogUnits, DialogFontGivesTheBaseUnitsOfTheTemplatesAndEdgesMapOneByOne) {
    QWidget probe;
    probe.setFont(DialogFont());
    DialogBaseUnits units = BaseUnitsOf(probe.fontMetrics());
    EXPECT_EQ(units.x, 6);
    EXPECT_EQ(units.y, 13);
    // Each edge is rounded on its own: x 1 maps to 1.5 -> 2, x + width 2 maps to 3, so the width is 1.
    EXPECT_EQ(MapDialogRect(units, 1, 1, 1, 1), QRect(QPoint(2, 2), QPoint(2, 2)));
    EXPECT_EQ(MapDialogRect(units, 178, 7, 50, 16), QRect(267, 11, 75, 26));
    EXPECT_EQ(MapDialogSize(units, 235, 68), QSize(353, 111));
}

TEST(AboutBox, ShowsTheTemplate) {
    CAboutDlg box;
    EXPECT_EQ(box.windowTitle(), "About QuillCollectorManager");
    EXPECT_EQ(box.size(), QSize(353, 111));
    EXPECT_FALSE(box.windowFlags() & Qt::WindowContextHelpButtonHint);
    QStringList texts;
    for (QLabel* label : box.findChildren<QLabel*>())
        texts << label->text();
    EXPECT_TRUE(texts.contains("Quill Collector Manager"));
    EXPECT_TRUE(texts.contains("Version 1.00"));  // until the box becomes active
    auto* ok = FindControl<QPushButton>(&box, 1);
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), "OK");
    EXPECT_TRUE(ok->isDefault());
    EXPECT_EQ(ok->geometry(), QRect(267, 11, 75, 26));

    int iconLabels = 0;
    for (QLabel* label : box.findChildren<QLabel*>())
        if (!label->pixmap().isNull()) {
            ++iconLabels;
            EXPECT_EQ(label->geometry(), QRect(17, 28, 32, 32));
        }
    EXPECT_EQ(iconLabels, 1);
    EXPECT_FALSE(ApplicationIcon().isNull());
    EXPECT_TRUE(ApplicationIcon().availableSizes().contains(QSize(32, 32)));
}

TEST(AboutBox, VersionIsSetAtEveryActivationAndDeactivation) {
    CAboutDlg box;
    box.show();
    box.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&box));
    EXPECT_EQ(VersionText(box), QString::fromStdString("Version: " + ProjectVersion()));

    FindControl<QLabel>(&box, IDC_VERSION)->setText("stale");
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    EXPECT_EQ(VersionText(box), QString::fromStdString("Version: " + ProjectVersion()))
        << "not re-set when the box became inactive";

    FindControl<QLabel>(&box, IDC_VERSION)->setText("stale");
    box.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&box));
    EXPECT_EQ(VersionText(box), QString::fromStdString("Version: " + ProjectVersion()))
        << "not re-set when the box became active again";
}

TEST(AboutBox, EnterAcceptsAndEscapeRejects) {
    for (auto [key, result] :
         {std::pair{Qt::Key_Return, QDialog::Accepted}, {Qt::Key_Escape, QDialog::Rejected}}) {
        CAboutDlg box;
        box.show();
        box.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&box));
        QSignalSpy finished(&box, &QDialog::finished);
        QTest::keyClick(&box, key);
        ASSERT_EQ(finished.count(), 1);
        EXPECT_EQ(finished.at(0).at(0).toInt(), result);
        EXPECT_FALSE(box.isVisible());
    }
}
