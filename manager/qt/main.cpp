// QuillCollectorManager: edits the collector service's settings and installs or removes the service.
#include <QApplication>

#include "manager/qt/manager_app.h"

namespace {

CQuillCollectorManagerApp theApp;  // the one application object

}  // namespace

int main(int argc, char** argv) {
    QApplication framework(argc, argv);
    return theApp.InitInstance() ? QApplication::exec() : 0;
}
