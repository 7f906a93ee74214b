// A dialog template as the program file carries it (the extended form the resource compiler writes), read
// back so that tests compare the running dialog with its template.
#pragma once

#include <string>
#include <vector>

#include "common/platform/win32_windows.h"

namespace win32_testing {

struct TemplateItem {
    int id;
    std::string windowClass;  // "Button", "Edit", "Static", ... (predefined classes by their names)
    std::string text;         // "#128" for a resource ordinal
    DWORD style, exStyle;
    RECT rect;  // dialog units: left, top, right, bottom
};

struct DialogTemplate {
    DWORD style = 0, exStyle = 0;
    int width = 0, height = 0;
    std::string caption, font;
    int pointSize = 0;
    std::vector<TemplateItem> items;
};

// Reads template `id` from this program's resources; fails the calling test when it is not there.
DialogTemplate ReadDialogTemplate(int id);

}  // namespace win32_testing
