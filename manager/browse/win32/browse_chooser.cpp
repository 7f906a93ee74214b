#include "manager/browse/win32/browse_chooser.h"

#include <cstring>
#include <memory>

namespace {

constexpr size_t kFileBufferSize = 65536;
constexpr size_t kDisplayNameSize = 261;
constexpr size_t kFolderPathSize = 262;

// Sets the title and preselects the starting folder once the browser window exists.
int CALLBACK FolderBrowserCallback(HWND window, UINT message, LPARAM, LPARAM data) {
    if (message != BFFM_INITIALIZED) return 0;
    const auto* request = reinterpret_cast<const FolderChoiceRequest*>(data);
    if (!request->title.empty()) SetWindowTextA(window, request->title.c_str());
    if (!request->initialPath.empty())
        SendMessageA(window, BFFM_SETSELECTIONA, TRUE,
                     reinterpret_cast<LPARAM>(request->initialPath.c_str()));
    return 0;
}

// The shell's dialogs want COM on the thread; a thread that has it already keeps it as it is.
class ComForThisCall {
  public:
    ComForThisCall() : initialised_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComForThisCall() {
        if (initialised_) CoUninitialize();
    }
    ComForThisCall(const ComForThisCall&) = delete;
    ComForThisCall& operator=(const ComForThisCall&) = delete;

  private:
    bool initialised_;
};

class DialogBrowseChooser : public CBrowseChooser {
  public:
    bool ChooseFolder(const FolderChoiceRequest& request, std::string& path) override {
        ComForThisCall com;
        char displayName[kDisplayNameSize] = {};
        BROWSEINFOA info{};
        info.hwndOwner = request.owner;
        info.pszDisplayName = displayName;
        info.lpszTitle = request.prompt.c_str();
        info.ulFlags = request.flags;
        info.lpfn = FolderBrowserCallback;
        info.lParam = reinterpret_cast<LPARAM>(&request);
        PIDLIST_ABSOLUTE item = SHBrowseForFolderA(&info);
        if (!item) return false;
        char chosen[kFolderPathSize] = {};
        if (!SHGetPathFromIDListA(item, chosen)) chosen[0] = '\0';  // no file-system path: an empty text
        CoTaskMemFree(item);
        path = chosen;
        return true;
    }

    bool ChooseFiles(const FileChoiceRequest& request, std::vector<std::string>& paths) override {
        auto buffer = std::make_unique<char[]>(kFileBufferSize);  // zeroed
        std::strncpy(buffer.get(), request.initialPath.c_str(), kFileBufferSize - 1);
        const std::string filter = ConvertFileFilter(request.filter);
        OPENFILENAMEA info{};
        info.lStructSize = sizeof info;
        // Without an owner of its own the dialog belongs to the window the user works in.
        info.hwndOwner = request.owner ? request.owner : GetActiveWindow();
        info.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
        info.nFilterIndex = 1;
        info.lpstrFile = buffer.get();
        info.nMaxFile = static_cast<DWORD>(kFileBufferSize - 1);
        info.lpstrTitle = request.title.empty() ? nullptr : request.title.c_str();
        info.lpstrDefExt = request.defaultExtension.empty() ? nullptr : request.defaultExtension.c_str();
        info.Flags = request.flags;
        const BOOL confirmed = request.openDialog ? GetOpenFileNameA(&info) : GetSaveFileNameA(&info);
        if (!confirmed) return false;
        paths = SplitChosenFiles(buffer.get());
        return !paths.empty();
    }
};

DialogBrowseChooser dialogChooser;
CBrowseChooser* replacement = nullptr;

}  // namespace

CBrowseChooser& CurrentBrowseChooser() {
    return replacement ? *replacement : dialogChooser;
}

CBrowseChooser* SetBrowseChooser(CBrowseChooser* chooser) {
    CBrowseChooser* previous = replacement;
    replacement = chooser;
    return previous;
}

std::string ConvertFileFilter(const std::string& barFilter) {
    if (barFilter.empty()) return {};
    std::string filter = barFilter;
    for (char& c : filter)
        if (c == '|') c = '\0';
    // Two zero bytes end the list even when the text lacks its closing "||".
    filter.append(2, '\0');
    return filter;
}

std::vector<std::string> SplitChosenFiles(const char* buffer) {
    std::vector<std::string> names;
    for (const char* name = buffer; *name; name += std::strlen(name) + 1)
        names.emplace_back(name);
    if (names.size() <= 1) return names;  // a single choice comes as one full path
    const std::string folder = names.front();
    const bool endsWithSeparator = folder.back() == '\\' || folder.back() == '/';  // "C:\" for the root
    std::vector<std::string> paths;
    for (size_t i = 1; i < names.size(); ++i)
        paths.push_back(folder + (endsWithSeparator ? "" : "\\") + names[i]);
    return paths;
}
