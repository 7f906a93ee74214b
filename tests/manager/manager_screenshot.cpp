// Renders the settings dialog as it opens on a new installation (no settings file) into a PNG file.
//   ManagerScreenshot FILE.png
#include <QApplication>
#include <QImage>
#include <QStyleFactory>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

#include "common/settings.h"
#include "manager/qt/manager_dlg.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: ManagerScreenshot FILE.png\n");
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QTemporaryDir programDir;  // empty: the dialog shows its defaults
    SetProgramDirectoryForTesting(programDir.path().toStdString());

    CQuillCollectorManagerDlg dialog;
    dialog.show();
    QApplication::processEvents();
    if (!dialog.grab().toImage().save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "ManagerScreenshot: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
