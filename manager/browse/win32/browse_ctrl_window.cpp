// CBrowseCtrl with a window: the button procedure in front of the BUTTON class's own, the edit box, the
// tooltip, layout, focus, mouse and keyboard handling and the notifications.
#include "manager/browse/win32/browse_ctrl.h"

#include <commctrl.h>

#include "manager/browse/win32/browse_paint.h"

namespace {

constexpr char kControlProperty[] = "QuillCollector.CBrowseCtrl";
constexpr UINT kTimerPeriod = 1;  // ms
constexpr int kEditMargin = 1;

BrowsePoint PointFrom(LPARAM lParam) {
    return {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

RECT ToRect(const BrowseRect& rect) {
    return {rect.left, rect.top, rect.right, rect.bottom};
}

std::string WindowText(HWND window) {
    std::string text(static_cast<size_t>(GetWindowTextLengthA(window)) + 1, '\0');
    text.resize(static_cast<size_t>(GetWindowTextA(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

CBrowseCtrl* ControlOf(HWND window) {
    return static_cast<CBrowseCtrl*>(GetPropA(window, kControlProperty));
}

bool IsEnterKeyDown(const MSG* message) {
    return message && message->message == WM_KEYDOWN && message->wParam == VK_RETURN;
}

}  // namespace

bool CBrowseCtrl::Create(const RECT& rect, HWND parent, int id, uint32_t style, UINT notifyMessage) {
    m_nNotifyMsg = notifyMessage;
    if (!parent) parent = GetActiveWindow();
    if (!parent || m_hWnd) return false;
    HWND window = CreateWindowExA(0, "BUTTON", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW,
                                  rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, parent,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                  GetModuleHandleA(nullptr), nullptr);
    if (!window) return false;
    m_bOwnCreate = true;
    Attach(window);
    PreSubclassWindow();
    m_dwBrowseStyle = style;
    if (SetUp()) return true;
    DestroyWindow(window);  // hands the object back windowless
    return false;
}

bool CBrowseCtrl::SubclassWindow(HWND button) {
    if (!button || m_hWnd || !IsWindow(button) || ControlOf(button)) return false;
    m_bOwnCreate = false;
    Attach(button);
    PreSubclassWindow();
    if (m_edit) return true;
    Detach();
    return false;
}

void CBrowseCtrl::PreSubclassWindow() {
    if (!m_bOwnCreate) SetUp();
}

// The control paints the whole button itself: as an owner-drawn button the BUTTON class never paints a
// face of its own over it (it does so for state changes outside WM_PAINT).
void CBrowseCtrl::Attach(HWND window) {
    m_hWnd = window;
    m_nID = GetDlgCtrlID(window);
    SetPropA(window, kControlProperty, this);
    const LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
    m_buttonType = style & BS_TYPEMASK;
    SetWindowLongPtrA(window, GWL_STYLE, (style & ~static_cast<LONG_PTR>(BS_TYPEMASK)) | BS_OWNERDRAW);
    m_buttonProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CBrowseCtrl::ControlProc)));
}

// Hands the button back as it was; the window lives on (or is being destroyed by its owner).
void CBrowseCtrl::Detach() {
    if (!m_hWnd) return;
    OnDestroy();
    SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_buttonProc));
    const LONG_PTR style = GetWindowLongPtrA(m_hWnd, GWL_STYLE);
    SetWindowLongPtrA(m_hWnd, GWL_STYLE, (style & ~static_cast<LONG_PTR>(BS_TYPEMASK)) | m_buttonType);
    RemovePropA(m_hWnd, kControlProperty);
    m_hWnd = nullptr;
    m_bOwnCreate = m_bPressed = m_bHover = m_bEditActive = false;
}

bool CBrowseCtrl::SetUp() {
    if (!m_hWnd) return false;
    // The caption comes before the layout, so that a caption taken from the button's text is measured.
    if (m_strCaption.empty()) m_strCaption = WindowText(m_hWnd);
    SetWindowTextA(m_hWnd, "");
    LayOut(false);
    if (!CreateEditBox() || !CreateToolTip()) return false;
    SetTimer(m_hWnd, kBrowseFocusTimer, kTimerPeriod, nullptr);
    Redraw(nullptr);
    return true;
}

bool CBrowseCtrl::CreateEditBox() {
    std::string kept;
    bool hadFocus = false;
    if (m_edit) {
        kept = WindowText(m_edit);
        hadFocus = GetFocus() == m_edit;
        DestroyWindow(m_edit);
        m_edit = nullptr;
    }
    DWORD style = WS_CHILD | WS_VISIBLE | ES_NOHIDESEL | ES_AUTOHSCROLL;
    if (!(m_dwBrowseStyle & BCS_EDITABLE)) style |= ES_READONLY;
    if (!IsWindowEnabled(m_hWnd)) style |= WS_DISABLED;
    HWND edit = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", style, m_rcEdit.left, m_rcEdit.top,
                                m_rcEdit.Width(), m_rcEdit.Height(), m_hWnd,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(kBrowseEditId)),
                                GetModuleHandleA(nullptr), nullptr);
    if (!edit) return false;
    SetPropA(edit, kControlProperty, this);
    m_editProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CBrowseCtrl::EditProc)));
    m_edit = edit;
    SendMessageA(edit, WM_SETFONT, SendMessageA(m_hWnd, WM_GETFONT, 0, 0), FALSE);
    SendMessageA(edit, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(kEditMargin, kEditMargin));
    SetWindowTextA(edit, kept.c_str());
    ShowWindow(edit, SW_SHOW);
    if (hadFocus) SetFocus(edit);
    return true;
}

bool CBrowseCtrl::CreateToolTip() {
    INITCOMMONCONTROLSEX classes{static_cast<DWORD>(sizeof(INITCOMMONCONTROLSEX)), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&classes);
    m_toolTip = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, 0, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, m_hWnd, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!m_toolTip) return false;
    TOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;  // understood by every version of the common controls
    tool.hwnd = m_hWnd;
    tool.uId = kBrowseToolId;
    tool.rect = ToRect(m_rcButton);
    tool.lpszText = m_strToolTip.data();
    return SendMessageA(m_toolTip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool)) != FALSE;
}

void CBrowseCtrl::SetToolTipText(const std::string& text) {
    m_strToolTip = text;
    if (!m_toolTip) return;
    TOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.hwnd = m_hWnd;
    tool.uId = kBrowseToolId;
    tool.lpszText = m_strToolTip.data();
    SendMessageA(m_toolTip, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
}

BrowseSize CBrowseCtrl::ContentSize() const {
    if (m_dwBrowseStyle & BCS_PICTURE) return {kBrowsePictureSize, kBrowsePictureSize};
    SIZE extent{};
    if (HDC dc = GetDC(m_hWnd)) {
        const auto font = reinterpret_cast<HFONT>(SendMessageA(m_hWnd, WM_GETFONT, 0, 0));
        const HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
        GetTextExtentPoint32A(dc, m_strCaption.data(), static_cast<int>(m_strCaption.size()), &extent);
        if (old) SelectObject(dc, old);
        ReleaseDC(m_hWnd, dc);
    }
    return {static_cast<int>(extent.cx), static_cast<int>(extent.cy)};
}

// The tooltip's tool follows the button, so that it keeps naming the button after a move or resize.
void CBrowseCtrl::LayOut(bool moveEdit) {
    RECT client{};
    GetClientRect(m_hWnd, &client);
    const BrowseLayout layout = LayOutBrowseCtrl({client.left, client.top, client.right, client.bottom},
                                                 m_dwBrowseStyle, ContentSize());
    m_rcButton = layout.button;
    m_rcContent = layout.content;
    m_rcEdit = layout.edit;
    if (moveEdit && m_edit)
        MoveWindow(m_edit, m_rcEdit.left, m_rcEdit.top, m_rcEdit.Width(), m_rcEdit.Height(), TRUE);
    if (m_toolTip) {
        TOOLINFOA tool{};
        tool.cbSize = TTTOOLINFOA_V2_SIZE;
        tool.hwnd = m_hWnd;
        tool.uId = kBrowseToolId;
        tool.rect = ToRect(m_rcButton);
        SendMessageA(m_toolTip, TTM_NEWTOOLRECTA, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

void CBrowseCtrl::SetBrowseStyle(uint32_t style) {
    const bool changed = style != m_dwBrowseStyle;
    m_dwBrowseStyle = style;
    if (!changed || !m_hWnd) return;
    LayOut(false);
    CreateEditBox();
    Redraw(nullptr);
}

void CBrowseCtrl::SetCaption(const std::string& caption) {
    m_strCaption = caption;
    if (!m_hWnd) return;
    LayOut(true);
    Redraw(nullptr);
}

// Enter pressed on the control or in its edit box browses and goes no further.
bool CBrowseCtrl::PreTranslateMessage(MSG* message) {
    if (!m_hWnd || !IsEnterKeyDown(message) || (message->hwnd != m_hWnd && message->hwnd != m_edit))
        return false;
    UserBrowse();
    return true;
}

void CBrowseCtrl::UserBrowse() {
    Browse();
    HWND parent = m_hWnd ? GetParent(m_hWnd) : nullptr;
    if (parent) PostMessageA(parent, WM_COMMAND, MAKEWPARAM(m_nID, BN_CLICKED), 0);
}

void CBrowseCtrl::Redraw(const BrowseRect* area) const {
    if (!m_hWnd) return;
    const RECT rect = area ? ToRect(*area) : RECT{};
    RedrawWindow(m_hWnd, area ? &rect : nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void CBrowseCtrl::SelectAllInEdit() const {
    SendMessageA(m_edit, EM_SETSEL, 0, -1);
    SendMessageA(m_edit, EM_SCROLLCARET, 0, 0);
}

LRESULT CALLBACK CBrowseCtrl::ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CBrowseCtrl* control = ControlOf(window);
    if (!control) return DefWindowProcA(window, message, wParam, lParam);
    if (message != WM_NCDESTROY) return control->WindowProc(message, wParam, lParam);
    const WNDPROC buttonProc = control->m_buttonProc;
    control->Detach();
    return CallWindowProcA(buttonProc, window, message, wParam, lParam);
}

LRESULT CBrowseCtrl::Default(UINT message, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcA(m_buttonProc, m_hWnd, message, wParam, lParam);
}

// The button's own handling of the mouse, the keys and the focus is left out: it would press, click and
// draw a button of its own. What the control takes from it is the focus on a click.
LRESULT CBrowseCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (m_toolTip && message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) {
        MSG relayed{m_hWnd, message, wParam, lParam, static_cast<DWORD>(GetMessageTime()), {}};
        SendMessageA(m_toolTip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
    }
    switch (message) {
        case WM_PAINT:
            OnPaint();
            return 0;
        case WM_PRINTCLIENT:
            PaintButton(reinterpret_cast<HDC>(wParam));
            return 0;
        case WM_ERASEBKGND:
            return 1;  // the paint covers the button, the edit box the rest
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            OnLButtonDown(PointFrom(lParam));
            return 0;
        case WM_LBUTTONUP:
            OnLButtonUp(PointFrom(lParam));
            return 0;
        case WM_MOUSEMOVE:
            OnMouseMove(PointFrom(lParam));
            return 0;
        case WM_TIMER:
            OnTimer(wParam);
            return Default(message, wParam, lParam);
        case WM_DESTROY:
            OnDestroy();
            return Default(message, wParam, lParam);
        case WM_SETFOCUS:
            OnSetFocus(reinterpret_cast<HWND>(wParam));
            return 0;
        case WM_KILLFOCUS:
            return DefWindowProcA(m_hWnd, message, wParam, lParam);
        case WM_MOVE:
        case WM_SIZE:
            Default(message, wParam, lParam);
            LayOut(true);
            return 0;
        case WM_ENABLE:
            Default(message, wParam, lParam);
            OnEnable(wParam != FALSE);
            return 0;
        case WM_SETFONT:
            Default(message, wParam, lParam);
            if (m_edit) SendMessageA(m_edit, WM_SETFONT, wParam, lParam);
            LayOut(true);
            Redraw(nullptr);
            return 0;
        case WM_GETDLGCODE: {
            // Never a push button to the dialog manager, which would make it the default button (and so
            // no longer owner-drawn) when it gets the focus.
            LRESULT code = Default(message, wParam, lParam) & ~(DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON);
            if (IsEnterKeyDown(reinterpret_cast<const MSG*>(lParam))) code |= DLGC_WANTALLKEYS;
            return code;
        }
        case BM_SETSTYLE:
            return Default(message, (wParam & ~static_cast<WPARAM>(BS_TYPEMASK)) | BS_OWNERDRAW, lParam);
        case WM_KEYDOWN:
            if (wParam == VK_RETURN) {
                UserBrowse();
            } else if (wParam == VK_SPACE) {
                m_bPressed = true;
                Redraw(nullptr);
            } else {
                return DefWindowProcA(m_hWnd, message, wParam, lParam);
            }
            return 0;
        case WM_KEYUP:
            if (wParam != VK_SPACE) return DefWindowProcA(m_hWnd, message, wParam, lParam);
            m_bPressed = false;
            Redraw(nullptr);
            UserBrowse();
            return 0;
        case WM_CHAR:
            return DefWindowProcA(m_hWnd, message, wParam, lParam);
        case WM_COMMAND:
            if (LOWORD(wParam) == kBrowseEditId && HIWORD(wParam) == EN_CHANGE) {
                OnEditChange();
                return 0;
            }
            return Default(message, wParam, lParam);
        default:
            return Default(message, wParam, lParam);
    }
}

void CBrowseCtrl::OnPaint() {
    PAINTSTRUCT paint;
    if (HDC dc = BeginPaint(m_hWnd, &paint)) {
        PaintButton(dc);
        EndPaint(m_hWnd, &paint);
    }
}

void CBrowseCtrl::PaintButton(HDC dc) const {
    BrowseButtonLook look;
    look.button = m_rcButton;
    look.content = m_rcContent;
    look.style = m_dwBrowseStyle;
    look.pressed = m_bPressed;
    look.hover = m_bHover;
    look.disabled = m_hWnd && !IsWindowEnabled(m_hWnd);
    look.caption = m_strCaption;
    look.font = m_hWnd ? reinterpret_cast<HFONT>(SendMessageA(m_hWnd, WM_GETFONT, 0, 0)) : nullptr;
    PaintBrowseButton(dc, look);
}

void CBrowseCtrl::OnLButtonDown(BrowsePoint point) {
    if (GetFocus() != m_hWnd) SetFocus(m_hWnd);  // as a button takes the focus when clicked
    if (m_rcButton.Contains(point)) {
        if (m_edit) SendMessageA(m_edit, EM_SETSEL, static_cast<WPARAM>(-1), -1);
        SendNotify(kBrowseNotifyMessage, 1);
        SetCapture(m_hWnd);
        m_bPressed = true;
    }
    Redraw(nullptr);
}

void CBrowseCtrl::OnMouseMove(BrowsePoint point) {
    if (m_bHover || !m_rcButton.Contains(point)) return;
    m_bHover = true;
    if (GetCapture() == m_hWnd) m_bPressed = true;
    SetTimer(m_hWnd, kBrowseHoverTimer, kTimerPeriod, nullptr);
    Redraw(&m_rcButton);
}

void CBrowseCtrl::OnLButtonUp(BrowsePoint point) {
    if (GetCapture() != m_hWnd) return;
    ReleaseCapture();
    m_bPressed = false;
    Redraw(&m_rcButton);
    if (m_rcButton.Contains(point)) UserBrowse();
}

void CBrowseCtrl::OnTimer(UINT_PTR id) {
    if (id == kBrowseHoverTimer)
        OnHoverTimer();
    else if (id == kBrowseFocusTimer)
        OnFocusTimer();
}

void CBrowseCtrl::OnHoverTimer() {
    if (!m_bHover) {
        KillTimer(m_hWnd, kBrowseHoverTimer);
        return;
    }
    POINT cursor{};
    GetCursorPos(&cursor);
    ScreenToClient(m_hWnd, &cursor);
    if (m_rcButton.Contains({static_cast<int>(cursor.x), static_cast<int>(cursor.y)})) return;
    KillTimer(m_hWnd, kBrowseHoverTimer);
    m_bHover = false;
    m_bPressed = false;
    Redraw(nullptr);
}

void CBrowseCtrl::OnFocusTimer() {
    if (!m_edit) return;
    const bool editFocused = GetFocus() == m_edit;
    if (editFocused && !m_bEditActive) {
        m_bEditActive = true;
        SelectAllInEdit();
    } else if (!editFocused && m_bEditActive) {
        m_bEditActive = false;
        SendMessageA(m_edit, EM_SETSEL, static_cast<WPARAM>(-1), -1);
        SendMessageA(m_edit, EM_SCROLLCARET, 0, 0);
        SendNotify(kBrowseNotifyMessage, 1);
    }
}

// Focus that comes to the control from elsewhere goes on to the edit box, with all of its text selected.
void CBrowseCtrl::OnSetFocus(HWND previous) {
    KillTimer(m_hWnd, kBrowseFocusTimer);
    if (!m_bEditActive && previous != m_edit && m_edit) {
        SetFocus(m_edit);
        SelectAllInEdit();
        m_bEditActive = true;
    }
    SetTimer(m_hWnd, kBrowseFocusTimer, kTimerPeriod, nullptr);
}

void CBrowseCtrl::OnDestroy() {
    KillTimer(m_hWnd, kBrowseHoverTimer);
    KillTimer(m_hWnd, kBrowseFocusTimer);
    if (m_edit) DestroyWindow(m_edit);
    if (m_toolTip) DestroyWindow(m_toolTip);
    m_edit = nullptr;
    m_toolTip = nullptr;
}

void CBrowseCtrl::OnEnable(bool enabled) {
    if (m_edit) EnableWindow(m_edit, enabled);
    Redraw(nullptr);
}

void CBrowseCtrl::OnEditChange() {
    if (m_bBusy || !(m_dwBrowseStyle & BCS_EDITABLE)) return;
    m_strText = WindowText(m_edit);
    m_bEdited = true;
}

// Enter in the edit box: a modal dialog's manager hands the key on only when asked for it.
LRESULT CALLBACK CBrowseCtrl::EditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CBrowseCtrl* control = ControlOf(window);
    if (!control) return DefWindowProcA(window, message, wParam, lParam);
    return control->OnEditMessage(window, message, wParam, lParam);
}

LRESULT CBrowseCtrl::OnEditMessage(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
    const WNDPROC editProc = m_editProc;
    switch (message) {
        case WM_GETDLGCODE: {
            LRESULT code = CallWindowProcA(editProc, edit, message, wParam, lParam);
            if (IsEnterKeyDown(reinterpret_cast<const MSG*>(lParam))) code |= DLGC_WANTALLKEYS;
            return code;
        }
        case WM_KEYDOWN:
            if (wParam != VK_RETURN) break;
            UserBrowse();
            return 0;
        case WM_CHAR:
            if (wParam == '\r') return 0;  // the Enter that browsed: no beep of the single-line edit box
            break;
        case WM_NCDESTROY:
            SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(editProc));
            RemovePropA(edit, kControlProperty);
            if (m_edit == edit) m_edit = nullptr;
            break;
        default:
            break;
    }
    return CallWindowProcA(editProc, edit, message, wParam, lParam);
}
