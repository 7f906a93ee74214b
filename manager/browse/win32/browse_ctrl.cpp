// CBrowseCtrl: the path list, the options and Browse, which work with or without a window.
#include "manager/browse/win32/browse_ctrl.h"

#include <cstring>
#include <utility>

namespace {

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()),
                          b.data(), static_cast<int>(b.size())) == CSTR_EQUAL;
}

}  // namespace

CBrowseCtrl::CBrowseCtrl() = default;

// The window goes with the object, as a framework window does (its edit box and tooltip with it).
CBrowseCtrl::~CBrowseCtrl() {
    if (m_hWnd) DestroyWindow(m_hWnd);
}

void CBrowseCtrl::SetPath(const std::string& path) {
    if (m_edit) SetWindowTextA(m_edit, path.c_str());
    ReplacePathList({path});
}

std::string CBrowseCtrl::GetPath() const {
    const std::string first = FirstPath();
    if (m_bEdited && !EqualIgnoringCase(m_strText, first)) return m_strText;
    return first;
}

std::vector<std::string> CBrowseCtrl::GetPaths() const {
    std::vector<std::string> paths;
    for (const char* path = m_pszPaths.get(); path && *path; path += std::strlen(path) + 1)
        paths.emplace_back(path);
    return paths;
}

std::string CBrowseCtrl::FirstPath() const {
    return m_pszPaths ? std::string(m_pszPaths.get()) : std::string();
}

void CBrowseCtrl::ReplacePathList(const std::vector<std::string>& paths) {
    size_t size = 1;  // the zero byte that ends the list
    for (const std::string& path : paths)
        size += path.size() + 1;
    auto block = std::make_unique<char[]>(size);  // zeroed
    char* next = block.get();
    for (const std::string& path : paths) {
        std::memcpy(next, path.data(), path.size());
        next += path.size() + 1;
    }
    m_pszPaths = std::move(block);
}

int CBrowseCtrl::Browse() {
    if (m_bBusy) return kBrowseCancelled;
    m_bBusy = true;
    const int result = (m_dwBrowseStyle & BCS_FOLDERMODE) ? BrowseFolder() : BrowseFiles();
    if (m_nNotifyMsg != 0) SendNotify(m_nNotifyMsg, static_cast<WPARAM>(result));
    m_bBusy = false;
    return result;
}

int CBrowseCtrl::BrowseFolder() {
    FolderChoiceRequest request;
    request.owner = m_hWnd ? GetParent(m_hWnd) : nullptr;
    request.title = m_strTitle;
    request.prompt = m_strPrompt;
    request.initialPath = GetPath();
    request.flags = m_nFolderFlags;
    std::string path;
    if (!CurrentBrowseChooser().ChooseFolder(request, path)) return kBrowseCancelled;
    ReplacePathList({path});
    ShowChosenPath(path);
    return kBrowseChosen;
}

int CBrowseCtrl::BrowseFiles() {
    FileChoiceRequest request;
    request.owner = m_hWnd ? GetParent(m_hWnd) : nullptr;  // none: the chooser takes the active window
    request.openDialog = m_bOpenDialog;
    request.title = m_strTitle;
    request.defaultExtension = m_strDefExt;
    request.initialPath = GetPath();
    request.flags = m_dwFileFlags;
    request.filter = m_strFilter;
    std::vector<std::string> paths;
    if (!CurrentBrowseChooser().ChooseFiles(request, paths) || paths.empty()) return kBrowseCancelled;
    ReplacePathList(paths);
    ShowChosenPath(paths.front());
    return kBrowseChosen;
}

void CBrowseCtrl::ShowChosenPath(const std::string& path) {
    if (m_edit) {
        SetWindowTextA(m_edit, path.c_str());
        SelectAllInEdit();
    }
    m_bEdited = false;
    m_strText = path;
}

void CBrowseCtrl::SendNotify(UINT message, WPARAM wParam) {
    HWND parent = m_hWnd ? GetParent(m_hWnd) : nullptr;
    if (parent) SendMessageA(parent, message, wParam, reinterpret_cast<LPARAM>(this));
}
