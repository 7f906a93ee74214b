#include "manager/win32/dialog_controls.h"

#include <vector>

std::string DialogControls::Text(int id) const {
    HWND control = GetDlgItem(dialog_, id);
    int length = GetWindowTextLengthA(control);  // may count more than the text needs, never less
    if (length <= 0) return std::string();
    std::vector<char> buffer(static_cast<std::size_t>(length) + 1);
    int got = GetWindowTextA(control, buffer.data(), static_cast<int>(buffer.size()));
    return std::string(buffer.data(), static_cast<std::size_t>(got > 0 ? got : 0));
}

void DialogControls::SetText(int id, const std::string& text) {
    SetDlgItemTextA(dialog_, id, text.c_str());
}

bool DialogControls::IsChecked(int id) const {
    return IsDlgButtonChecked(dialog_, id) == BST_CHECKED;
}

void DialogControls::SetChecked(int id, bool checked) {
    CheckDlgButton(dialog_, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

void DialogControls::SetEnabled(int id, bool enabled) {
    EnableWindow(GetDlgItem(dialog_, id), enabled);
}
