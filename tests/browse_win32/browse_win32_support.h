// Shared by the Win32 browse control tests: a stand-in chooser, a host window that records what the
// control tells its parent, and message pumping.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "manager/browse/win32/browse_ctrl.h"

namespace browse_testing {

// The chooser seam answered by the test: records every request and gives the scripted answer.
class ScriptedChooser : public CBrowseChooser {
  public:
    ScriptedChooser();
    ~ScriptedChooser() override;
    bool ChooseFolder(const FolderChoiceRequest& request, std::string& path) override;
    bool ChooseFiles(const FileChoiceRequest& request, std::vector<std::string>& paths) override;

    bool confirm = true;
    std::string folder;
    std::vector<std::string> files;
    std::function<void()> whileOpen;  // runs while the "dialog" is open
    std::vector<FolderChoiceRequest> folderRequests;
    std::vector<FileChoiceRequest> fileRequests;

  private:
    CBrowseChooser* previous_;
};

struct ParentMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// A visible top-level window that records the messages its children send or post to it.
class HostWindow {
  public:
    HostWindow();
    ~HostWindow();
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

    HWND Handle() const { return window_; }
    std::vector<ParentMessage> Received(UINT message) const;
    void Forget() { received_.clear(); }

  private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HWND window_ = nullptr;
    std::vector<ParentMessage> received_;
};

// A control made with Create in a host window; the host's font is the system's GUI font.
struct WindowedControl {
    explicit WindowedControl(SIZE size = {200, 21}, uint32_t style = kDefaultBrowseStyle, UINT notify = 0);
    HostWindow host;
    CBrowseCtrl control;
};

// Dispatches every waiting message of this thread.
void PumpMessages();
// Dispatches messages (timers included) for about `milliseconds`.
void PumpFor(int milliseconds);

// The rectangle of `child` in the client coordinates of `parent`.
RECT ChildRect(HWND child, HWND parent);

}  // namespace browse_testing
