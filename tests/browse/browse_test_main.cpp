// Runs the browse tests inside one QApplication on the offscreen platform, with the dialog font and a
// palette whose 3D colours all differ.
#include <gtest/gtest.h>
#include <QApplication>

#include "browse_test_support.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setFont(browse_testing::DialogFont());
    QApplication::setPalette(browse_testing::ClassicPalette());
    return RUN_ALL_TESTS();
}
