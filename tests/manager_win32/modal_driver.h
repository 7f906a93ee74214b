// Drives the modal dialogs that a test runs on its own thread, as a user would: a thread timer runs the
// test's steps one at a time, each on the window in front (the visible, enabled top-level window of the
// thread) as soon as there is one. A step may open a further modal window (a click on About...): the
// next step then runs on that window, inside the nested modal loop. Windows still open after the last step
// are closed after a while and reported, so a test never hangs on a dialog.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "common/platform/win32_windows.h"

namespace win32_testing {

using Step = std::function<void(HWND front)>;

class ModalDriver {
  public:
    explicit ModalDriver(std::vector<Step> steps);
    ~ModalDriver();
    ModalDriver(const ModalDriver&) = delete;
    ModalDriver& operator=(const ModalDriver&) = delete;

    std::size_t StepsRun() const { return next_; }
    bool AllRun() const { return next_ == steps_.size(); }
    // Windows that had to be closed because no step was left for them, by their titles.
    const std::vector<std::string>& LeftOpen() const { return leftOpen_; }

  private:
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD);
    void Tick();

    std::vector<Step> steps_;
    std::size_t next_ = 0;
    UINT_PTR timer_ = 0;
    int idleTicks_ = 0;
    std::vector<std::string> leftOpen_;
};

// The visible, enabled top-level window of this thread (the modal one in front), or nullptr.
HWND FrontWindow();
std::string WindowText(HWND window);
std::string ItemText(HWND dialog, int id);
// A click as the user makes it (BM_CLICK: press and release); returns when the click's work is done.
void Click(HWND dialog, int id);
// A key pressed and released on a control, posted so that the dialog manager sees it as typed.
void PostKey(HWND control, WPARAM key);

}  // namespace win32_testing
