// A windowed CBrowseCtrl under Wine: its layout, the edit box, typing, focus, and browsing with Enter,
// Space and the mouse through real window messages.
#include <gtest/gtest.h>

#include "manager/browse/browse_layout.h"
#include "tests/browse_win32/browse_win32_support.h"

#include <commctrl.h>  // after <windows.h>

using namespace browse_testing;

namespace {

RECT ToRect(const BrowseRect& rect) {
    return {rect.left, rect.top, rect.right, rect.bottom};
}

bool SameRect(const RECT& a, const RECT& b) {
    return EqualRect(&a, &b) != FALSE;
}

LPARAM At(int x, int y) {
    return MAKELPARAM(x, y);
}

LPARAM ButtonCentre(const CBrowseCtrl& control) {
    const BrowseRect button = control.ButtonRect();
    return At((button.left + button.right) / 2, (button.top + button.bottom) / 2);
}

std::string TextOf(HWND window) {
    char text[512] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// The tooltip's one tool: its text and area.
bool ToolOf(const CBrowseCtrl& control, std::string& text, RECT& area) {
    char buffer[80] = "";
    TOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.hwnd = control.GetSafeHwnd();
    tool.uId = kBrowseToolId;
    tool.lpszText = buffer;
    if (!SendMessageA(control.GetToolTip(), TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&tool)))
        return false;
    text = buffer;
    area = tool.rect;
    return true;
}

size_t ClicksPosted(const HostWindow& host) {
    size_t clicks = 0;
    for (const ParentMessage& message : host.Received(WM_COMMAND))
        if (message.wParam == MAKEWPARAM(1001, BN_CLICKED) && message.lParam == 0) ++clicks;
    return clicks;
}

}  // namespace

TEST(BrowseWin32Window, LayoutFollowsTheSharedRules) {
    WindowedControl w({200, 21});
    ASSERT_NE(w.control.GetSafeHwnd(), nullptr);
    const BrowseLayout expected = LayOutBrowseCtrl({0, 0, 200, 21}, kDefaultBrowseStyle, {16, 16});
    EXPECT_EQ(w.control.ButtonRect(), (BrowseRect{173, 0, 200, 21}));
    EXPECT_EQ(w.control.ContentRect(), expected.content);
    EXPECT_EQ(w.control.EditRect(), (BrowseRect{0, 0, 173, 21}));
    EXPECT_TRUE(
        SameRect(ChildRect(w.control.GetEdit(), w.control.GetSafeHwnd()), ToRect(w.control.EditRect())));
    EXPECT_EQ(GetDlgCtrlID(w.control.GetEdit()), kBrowseEditId);
    EXPECT_TRUE(GetWindowLongA(w.control.GetEdit(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);

    std::string tip;
    RECT toolArea{};
    ASSERT_TRUE(ToolOf(w.control, tip, toolArea));
    EXPECT_EQ(tip, "Browse");
    EXPECT_TRUE(SameRect(toolArea, ToRect(w.control.ButtonRect())));

    MoveWindow(w.control.GetSafeHwnd(), 5, 5, 120, 30, TRUE);  // the edit box and the tool follow a resize
    EXPECT_EQ(w.control.ButtonRect(), (BrowseRect{93, 0, 120, 30}));
    EXPECT_TRUE(SameRect(ChildRect(w.control.GetEdit(), w.control.GetSafeHwnd()), RECT{0, 0, 93, 30}));
    ASSERT_TRUE(ToolOf(w.control, tip, toolArea));
    EXPECT_TRUE(SameRect(toolArea, RECT{93, 0, 120, 30}));

    w.control.SetBrowseStyle(kDefaultBrowseStyle | BCS_BUTTONLEFT);
    EXPECT_EQ(w.control.ButtonRect(), (BrowseRect{0, 0, 27, 30}));
    EXPECT_TRUE(SameRect(ChildRect(w.control.GetEdit(), w.control.GetSafeHwnd()), RECT{27, 0, 120, 30}));

    WindowedControl narrow({27, 21});
    EXPECT_EQ(narrow.control.ButtonRect(), (BrowseRect{0, 0, 27, 21})) << "no room: all of it is button";
    EXPECT_TRUE(narrow.control.EditRect().IsEmpty());
}

TEST(BrowseWin32Window, TemplateButtonTextBecomesTheMeasuredCaption) {
    HostWindow host;
    HWND button =
        CreateWindowExA(0, "BUTTON", "...", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 10, 10, 180, 24,
                        host.Handle(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(1001)), nullptr, nullptr);
    SendMessageA(button, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    {
        CBrowseCtrl control;
        control.SetBrowseStyle(0);  // a caption, and a read-only edit box
        ASSERT_TRUE(control.SubclassWindow(button));
        EXPECT_EQ(TextOf(button), "") << "the control draws the caption itself";
        HDC dc = GetDC(button);
        SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
        SIZE extent{};
        GetTextExtentPoint32A(dc, "...", 3, &extent);
        ReleaseDC(button, dc);
        const BrowseLayout expected =
            LayOutBrowseCtrl({0, 0, 180, 24}, 0, {static_cast<int>(extent.cx), static_cast<int>(extent.cy)});
        EXPECT_EQ(control.ButtonRect(), expected.button);
        EXPECT_EQ(control.ButtonRect().Width(), 27) << "a narrow caption still gets a 27-pixel button";
        EXPECT_EQ(control.ContentRect(), expected.content);
        EXPECT_TRUE(GetWindowLongA(control.GetEdit(), GWL_STYLE) & ES_READONLY);
        EXPECT_FALSE(control.SubclassWindow(button)) << "one window per control";
        // The dialog manager must not turn it into its default push button: it stays owner-drawn.
        EXPECT_FALSE(SendMessageA(button, WM_GETDLGCODE, 0, 0) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON));
        SendMessageA(button, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
        EXPECT_EQ(GetWindowLongA(button, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
    }
    EXPECT_FALSE(IsWindow(button)) << "the window goes with the object";
}

TEST(BrowseWin32Window, CreateWithoutAnyParentFails) {
    CBrowseCtrl control;
    SetActiveWindow(nullptr);
    if (GetActiveWindow()) GTEST_SKIP() << "a window of this thread is still active";
    EXPECT_FALSE(control.Create({0, 0, 100, 20}, nullptr, 7));
    EXPECT_EQ(control.GetSafeHwnd(), nullptr);
}

TEST(BrowseWin32Window, PathTypingAndChoiceMeetInTheEditBox) {
    ScriptedChooser chooser;
    chooser.files = {"C:\\Data\\First.txt", "C:\\Data\\Second.txt"};
    WindowedControl w;
    w.control.SetPath("C:\\start.txt");
    EXPECT_EQ(TextOf(w.control.GetEdit()), "C:\\start.txt");
    SetWindowTextA(w.control.GetEdit(), "C:\\typed.txt");
    EXPECT_EQ(w.control.GetPath(), "C:\\typed.txt");

    EXPECT_EQ(w.control.Browse(), kBrowseChosen);
    EXPECT_EQ(TextOf(w.control.GetEdit()), "C:\\Data\\First.txt") << "the list shows its first path";
    DWORD start = 1, end = 0;
    SendMessageA(w.control.GetEdit(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, std::string("C:\\Data\\First.txt").size()) << "all of it selected";
    EXPECT_EQ(chooser.fileRequests[0].owner, w.host.Handle());

    SetWindowTextA(w.control.GetEdit(), "c:\\data\\FIRST.TXT");
    EXPECT_EQ(w.control.GetPath(), "C:\\Data\\First.txt")
        << "only the letter case differs: the choice stands";
}

TEST(BrowseWin32Window, NotifiesItsParentAfterEachBrowse) {
    ScriptedChooser chooser;
    chooser.confirm = false;
    WindowedControl w({200, 21}, kDefaultBrowseStyle, WM_APP + 7);
    w.host.Forget();
    EXPECT_EQ(w.control.Browse(), kBrowseCancelled);
    const auto sent = w.host.Received(WM_APP + 7);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].wParam, static_cast<WPARAM>(kBrowseCancelled));
    EXPECT_EQ(sent[0].lParam, reinterpret_cast<LPARAM>(&w.control));
    PumpMessages();
    EXPECT_EQ(ClicksPosted(w.host), 0u) << "a Browse the program started is no click";
}

TEST(BrowseWin32Window, EnterInTheEditBoxBrowsesAndGoesNoFurther) {
    ScriptedChooser chooser;
    chooser.files = {"C:\\chosen.exe"};
    WindowedControl w;
    w.host.Forget();
    MSG enter{w.control.GetEdit(), WM_KEYDOWN, VK_RETURN, 0x001C0001, 0, {}};
    EXPECT_TRUE(w.control.PreTranslateMessage(&enter));
    EXPECT_EQ(chooser.fileRequests.size(), 1u);
    MSG other{w.control.GetEdit(), WM_KEYDOWN, 'A', 0, 0, {}};
    EXPECT_FALSE(w.control.PreTranslateMessage(&other));
    PumpMessages();
    EXPECT_EQ(ClicksPosted(w.host), 1u) << "posted, so it arrives after the dialog has closed";
}

// In a modal dialog there is no message hook: the dialog manager must hand Enter to the edit box instead
// of pressing the default button.
TEST(BrowseWin32Window, EnterInADialogDoesNotPressTheDefaultButton) {
    ScriptedChooser chooser;
    chooser.confirm = false;
    HostWindow dialog;  // stands for the dialog: IsDialogMessage works on any window
    HWND ok = CreateWindowExA(0, "BUTTON", "OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 250,
                              10, 60, 24, dialog.Handle(),
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDOK)), nullptr, nullptr);
    ASSERT_NE(ok, nullptr);
    CBrowseCtrl control;
    ASSERT_TRUE(control.Create({10, 10, 210, 31}, dialog.Handle(), 1001));
    SetFocus(control.GetSafeHwnd());
    ASSERT_EQ(GetFocus(), control.GetEdit()) << "the focus goes on to the edit box";
    dialog.Forget();
    MSG enter{control.GetEdit(), WM_KEYDOWN, VK_RETURN, 0x001C0001, GetTickCount(), {}};
    EXPECT_TRUE(IsDialogMessageA(dialog.Handle(), &enter));
    EXPECT_EQ(chooser.fileRequests.size(), 1u);
    PumpMessages();
    for (const ParentMessage& command : dialog.Received(WM_COMMAND))
        EXPECT_NE(LOWORD(command.wParam), IDOK) << "the default button was pressed";
    EXPECT_EQ(ClicksPosted(dialog), 1u);
}

TEST(BrowseWin32Window, SpaceBrowsesOnRelease) {
    ScriptedChooser chooser;
    chooser.confirm = false;
    WindowedControl w;
    w.host.Forget();
    SendMessageA(w.control.GetSafeHwnd(), WM_KEYDOWN, VK_SPACE, 0x00390001);
    EXPECT_TRUE(w.control.IsPressed());
    EXPECT_TRUE(chooser.fileRequests.empty());
    SendMessageA(w.control.GetSafeHwnd(), WM_KEYUP, VK_SPACE, static_cast<LPARAM>(0xC0390001));
    EXPECT_FALSE(w.control.IsPressed());
    EXPECT_EQ(chooser.fileRequests.size(), 1u);
    PumpMessages();
    EXPECT_EQ(ClicksPosted(w.host), 1u);
}

TEST(BrowseWin32Window, MousePressCapturesAndReleaseOverTheButtonBrowses) {
    ScriptedChooser chooser;
    chooser.confirm = false;
    WindowedControl w;
    HWND window = w.control.GetSafeHwnd();
    w.host.Forget();
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, ButtonCentre(w.control));
    EXPECT_TRUE(w.control.IsPressed());
    EXPECT_EQ(GetCapture(), window);
    const auto pressed = w.host.Received(kBrowseNotifyMessage);
    ASSERT_FALSE(pressed.empty());
    EXPECT_EQ(pressed.back().wParam, 1u);
    EXPECT_EQ(pressed.back().lParam, reinterpret_cast<LPARAM>(&w.control));
    SendMessageA(window, WM_LBUTTONUP, 0, ButtonCentre(w.control));
    EXPECT_FALSE(w.control.IsPressed());
    EXPECT_NE(GetCapture(), window);
    EXPECT_EQ(chooser.fileRequests.size(), 1u);
    PumpMessages();
    EXPECT_EQ(ClicksPosted(w.host), 1u);

    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, ButtonCentre(w.control));
    SendMessageA(window, WM_LBUTTONUP, 0, At(20, 10));  // released over the edit box
    EXPECT_EQ(chooser.fileRequests.size(), 1u) << "no browse";
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, At(20, 10));
    EXPECT_FALSE(w.control.IsPressed()) << "a press outside the button is no press";
    EXPECT_NE(GetCapture(), window);
}

TEST(BrowseWin32Window, HoverEndsWhenTheCursorLeavesTheButton) {
    WindowedControl w({200, 21}, kDefaultBrowseStyle | BCS_FLAT);
    HWND window = w.control.GetSafeHwnd();
    const BrowseRect button = w.control.ButtonRect();
    POINT inside{(button.left + button.right) / 2, (button.top + button.bottom) / 2};
    ClientToScreen(window, &inside);
    SetCursorPos(inside.x, inside.y);
    SendMessageA(window, WM_MOUSEMOVE, 0, ButtonCentre(w.control));
    EXPECT_TRUE(w.control.IsHovered());
    PumpFor(50);
    POINT cursor{};
    GetCursorPos(&cursor);
    if (cursor.x != inside.x || cursor.y != inside.y) GTEST_SKIP() << "this display cannot place the cursor";
    EXPECT_TRUE(w.control.IsHovered()) << "still over the button";
    POINT outside{5, 5};
    ClientToScreen(window, &outside);
    SetCursorPos(outside.x, outside.y);
    PumpFor(100);
    EXPECT_FALSE(w.control.IsHovered());
}

TEST(BrowseWin32Window, FocusGoesToTheEditBoxAndItsLossIsReported) {
    WindowedControl w;
    HWND other = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE, 0, 50, 100, 20, w.host.Handle(),
                                 nullptr, nullptr, nullptr);
    SetWindowTextA(w.control.GetEdit(), "C:\\abc");
    SetFocus(w.control.GetSafeHwnd());
    EXPECT_EQ(GetFocus(), w.control.GetEdit());
    DWORD start = 1, end = 0;
    SendMessageA(w.control.GetEdit(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(end - start, 6u) << "all of the text selected";
    w.host.Forget();
    SetFocus(other);
    PumpFor(100);  // the focus timer notices
    const auto lost = w.host.Received(kBrowseNotifyMessage);
    ASSERT_EQ(lost.size(), 1u);
    EXPECT_EQ(lost[0].lParam, reinterpret_cast<LPARAM>(&w.control));
}

TEST(BrowseWin32Window, DisablingTheControlDisablesTheEditBox) {
    WindowedControl w;
    EnableWindow(w.control.GetSafeHwnd(), FALSE);
    EXPECT_FALSE(IsWindowEnabled(w.control.GetEdit()));
    w.control.SetBrowseStyle(BCS_PICTURE | BCS_FOLDER);  // a new edit box keeps the state and the text
    EXPECT_FALSE(IsWindowEnabled(w.control.GetEdit()));
    EnableWindow(w.control.GetSafeHwnd(), TRUE);
    EXPECT_TRUE(IsWindowEnabled(w.control.GetEdit()));
}

TEST(BrowseWin32Window, DestroyingTheWindowLeavesAWindowlessChooser) {
    ScriptedChooser chooser;
    chooser.folder = "C:\\after";
    WindowedControl w;
    DestroyWindow(w.control.GetSafeHwnd());
    EXPECT_EQ(w.control.GetSafeHwnd(), nullptr);
    EXPECT_EQ(w.control.GetEdit(), nullptr);
    w.control.SetBrowseStyle(BCS_FOLDERMODE);
    EXPECT_EQ(w.control.Browse(), kBrowseChosen);
    EXPECT_EQ(w.control.GetPath(), "C:\\after");
    EXPECT_EQ(chooser.folderRequests[0].owner, nullptr);
}
