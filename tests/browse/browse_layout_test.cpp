// Where the button, its content and the edit box go, on real controls.
#include <gtest/gtest.h>
#include <QApplication>
#include <QDialog>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPushButton>

#include "browse_test_support.h"
#include "manager/browse/qt/browse_ctrl.h"
#include "manager/browse/qt/browse_paint.h"

using namespace browse_testing;

namespace {

int CaptionWidth(const QString& caption) {
    return QFontMetrics(BrowseCaptionFont(DialogFont())).horizontalAdvance(caption);
}
int CaptionHeight() {
    return QFontMetrics(BrowseCaptionFont(DialogFont())).height();
}

}  // namespace

TEST(BrowseLayout, PictureButtonAtTheRightEnd) {
    WindowedControl w(QSize(200, 21));
    EXPECT_EQ(w.control->ButtonRect(), QRect(173, 0, 27, 21));
    EXPECT_EQ(w.control->ContentRect(), QRect(178, 2, 16, 16));  // inner 23 x 17: 3 right, 0 down
    EXPECT_EQ(w.control->EditRect(), QRect(0, 0, 173, 21));
    EXPECT_EQ(w.control->EditBox()->geometry(), QRect(0, 0, 173, 21));
}

TEST(BrowseLayout, ButtonLeftAndResizing) {
    WindowedControl w(QSize(200, 24), kDefaultBrowseStyle | BCS_BUTTONLEFT);
    EXPECT_EQ(w.control->ButtonRect(), QRect(0, 0, 27, 24));
    EXPECT_EQ(w.control->ContentRect(), QRect(5, 4, 16, 16));
    EXPECT_EQ(w.control->EditBox()->geometry(), QRect(27, 0, 173, 24));
    w.control->resize(120, 30);
    EXPECT_EQ(w.control->ButtonRect(), QRect(0, 0, 27, 30));
    EXPECT_EQ(w.control->EditBox()->geometry(), QRect(27, 0, 93, 30));
}

TEST(BrowseLayout, ClientNotWiderThanTheButtonGoesToTheButton) {
    for (int width : {27, 20}) {
        WindowedControl w(QSize(width, 21));
        EXPECT_EQ(w.control->ButtonRect(), QRect(0, 0, width, 21));
        EXPECT_TRUE(w.control->EditRect().isEmpty());
        EXPECT_EQ(w.control->EditBox()->width(), 0);
    }
    WindowedControl w(QSize(28, 21));
    EXPECT_EQ(w.control->ButtonRect(), QRect(1, 0, 27, 21));
    EXPECT_EQ(w.control->EditRect(), QRect(0, 0, 1, 21));
}

TEST(BrowseLayout, NarrowCaptionGetsTheMinimumButtonAndIsCentred) {
    WindowedControl w(QSize(200, 21), BCS_EDITABLE);
    w.control->SetCaption(QStringLiteral("."));
    const int width = CaptionWidth(QStringLiteral("."));
    ASSERT_LT(width, 16);
    EXPECT_EQ(w.control->ButtonRect(), QRect(173, 0, 27, 21));
    const int inner = 23, innerHeight = 17;
    EXPECT_EQ(
        w.control->ContentRect(),
        QRect(175 + (inner - width) / 2, 2 + (innerHeight - CaptionHeight()) / 2, width, CaptionHeight()));
}

TEST(BrowseLayout, WideCaptionWidensTheButton) {
    WindowedControl w(QSize(200, 12), BCS_EDITABLE);  // shorter than the caption: it takes the inner height
    w.control->SetCaption(QStringLiteral("Browse..."));
    const int width = CaptionWidth(QStringLiteral("Browse..."));
    ASSERT_GT(width, 16);
    EXPECT_EQ(w.control->ButtonRect(), QRect(200 - width - 11, 0, width + 11, 12));
    EXPECT_EQ(w.control->ContentRect(), QRect(200 - width - 11 + 2 + 3, 2, width, 8));
}

TEST(BrowseLayout, AttachedButtonLendsItsPlaceAndCaption) {
    QDialog dialog;
    auto* field = new QLineEdit(&dialog);
    auto* button = new QPushButton(QStringLiteral("..."), &dialog);
    button->setObjectName(QStringLiteral("1016"));
    button->setGeometry(50, 40, 120, 21);
    field->setGeometry(0, 0, 40, 20);
    dialog.show();
    CBrowseCtrl control;
    control.SetBrowseStyle(BCS_EDITABLE);  // the caption, not a picture
    ASSERT_TRUE(control.Attach(button));
    EXPECT_TRUE(control.HasWindow());
    EXPECT_EQ(control.parentWidget(), &dialog);
    EXPECT_EQ(control.geometry(), QRect(50, 40, 120, 21));
    EXPECT_EQ(control.ControlId(), 1016);
    EXPECT_TRUE(control.text().isEmpty());
    EXPECT_TRUE(button->isHidden());
    EXPECT_TRUE(control.isVisible());
    // The caption taken from the button is measured, so it shows at once.
    const int width = CaptionWidth(QStringLiteral("..."));
    EXPECT_EQ(control.ButtonRect(), QRect(120 - 27, 0, 27, 21));
    EXPECT_EQ(control.ContentRect().width(), width);
    QPushButton lone;
    CBrowseCtrl other;
    EXPECT_FALSE(other.Attach(&lone)) << "a button without a parent has no place to lend";
    EXPECT_FALSE(other.HasWindow());
}
