// QuillCollectorManager. For now the program shows its about box; the settings dialog takes over the
// program's start-up when it arrives.
#include <QApplication>

#include "manager/about_dlg.h"
#include "manager/app_icon.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setWindowIcon(ApplicationIcon());
    CAboutDlg about;
    about.exec();
    return 0;
}
