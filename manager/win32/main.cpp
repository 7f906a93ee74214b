// QuillCollectorManager: edits the collector service's settings and installs or removes the service.
#include "common/platform/win32_windows.h"
#include "manager/win32/manager_app.h"

namespace {

CQuillCollectorManagerApp theApp;  // the one application object

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    theApp.InitInstance();  // false: the program ends when its dialog has closed
    return 0;
}
