// The dialogs' templates as the program file carries them, and the running dialogs' controls against them:
// kinds, texts, styles, places mapped by the dialog's own base units, and the tab order.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "manager/win32/about_dlg.h"
#include "manager/win32/resource.h"
#include "tests/manager_win32/dialog_template.h"
#include "tests/manager_win32/manager_dlg_fixture.h"

using namespace win32_testing;

namespace {

enum Kind { GroupBox, Label, Edit, Push, DefaultPush, CheckBox, Radio };

struct Expected {
    int id;
    Kind kind;
    const char* text;
    int x, y, width, height;
};

const Expected kSettingsControls[] = {
    {-1, GroupBox, "", 6, 7, 297, 285},
    {1002, Label, "HotFolder Path:", 16, 20, 61, 8},
    {1000, Edit, "", 104, 18, 171, 12},
    {1001, Push, "...", 275, 18, 16, 12},
    {1008, Label, "FileType Mask:", 16, 37, 83, 8},
    {1007, Edit, "", 104, 35, 102, 12},
    {1004, Label, "Sampling Frequency (ms):", 16, 54, 83, 8},
    {1003, Edit, "", 104, 52, 102, 12},
    {1021, CheckBox, "Use detailed log to show collector actions:", 16, 71, 150, 10},
    {1009, Push, "Install Service", 13, 267, 68, 16},
    {1010, Push, "Uninstall Service", 87, 267, 68, 16},
    {3, Push, "About...", 6, 298, 50, 16},
    {2, Push, "Cancel", 197, 298, 50, 16},
    {1, DefaultPush, "OK", 253, 298, 50, 16},
    {1014, CheckBox, "Move processed files to backup folder instead of deleting them:", 16, 104, 219, 10},
    {1015, Edit, "", 104, 119, 171, 12},
    {1012, Edit, "", 104, 87, 171, 12},
    {1013, Label, "Log File:", 16, 88, 83, 8},
    {1005, Label, "Sealwright EXE:", 15, 138, 83, 8},
    {1006, Edit, "", 104, 136, 171, 12},
    {1016, Push, "...", 275, 136, 16, 12},
    {1017, Radio, "Use Local Signature", 15, 152, 79, 10},
    {1018, Radio, "Use Remote signature with Penmark", 15, 168, 136, 10},
    {1019, Label, "Channel Name:", 17, 184, 83, 8},
    {1020, Edit, "", 104, 183, 102, 12},
    {1025, Label, "IP Address:", 17, 202, 83, 8},
    {1026, Edit, "", 104, 200, 102, 12},
    {1027, Label, "Port:", 18, 219, 83, 8},
    {1028, Edit, "", 104, 216, 102, 12},
    {1022, Label, "DB Connection String:", 16, 235, 83, 8},
    {1023, Edit, "", 104, 233, 186, 12},
    {1024, Label, "Table Name:", 16, 252, 83, 8},
    {1029, Edit, "", 104, 250, 186, 12},
};

// What each kind must be: its class, the style bits it must have and those it must not have.
struct KindStyle {
    const char* windowClass;
    DWORD required, forbidden;
};

KindStyle StyleOf(Kind kind) {
    const DWORD child = WS_CHILD | WS_VISIBLE;
    switch (kind) {
        case GroupBox:
            return {"Button", child | BS_GROUPBOX, WS_TABSTOP};
        case Label:
            return {"Static", child | SS_LEFT, WS_TABSTOP | SS_TYPEMASK};
        case Edit:
            return {"Edit", child | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL,
                    ES_MULTILINE | ES_NUMBER | ES_READONLY | ES_CENTER | ES_RIGHT};
        case Push:
            return {"Button", child | WS_TABSTOP | BS_PUSHBUTTON, BS_TYPEMASK};
        case DefaultPush:
            return {"Button", child | WS_TABSTOP | BS_DEFPUSHBUTTON, BS_TYPEMASK & ~BS_DEFPUSHBUTTON};
        case CheckBox:
            return {"Button", child | WS_TABSTOP | BS_AUTOCHECKBOX, BS_TYPEMASK & ~BS_AUTOCHECKBOX};
        case Radio:
            return {"Button", child | BS_AUTORADIOBUTTON, WS_TABSTOP | (BS_TYPEMASK & ~BS_AUTORADIOBUTTON)};
    }
    return {};
}

std::string Upper(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// Class names are compared without regard to case, as the system compares them.
std::string ClassOf(HWND window) {
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    return Upper(name);
}

// The control's rectangle in the dialog's client coordinates.
RECT PlaceOf(HWND dialog, HWND control) {
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// Where the dialog manager puts a template rectangle: its corner and its size each mapped by the dialog's
// base units (so the far edge may differ by one pixel from the mapped far edge).
RECT Mapped(HWND dialog, RECT dialogUnits) {
    RECT corner{dialogUnits.left, dialogUnits.top, dialogUnits.right - dialogUnits.left,
                dialogUnits.bottom - dialogUnits.top};
    MapDialogRect(dialog, &corner);
    return RECT{corner.left, corner.top, corner.left + corner.right, corner.top + corner.bottom};
}

void ExpectSameRect(const RECT& actual, const RECT& expected, int id) {
    EXPECT_EQ(actual.left, expected.left) << "control " << id;
    EXPECT_EQ(actual.top, expected.top) << "control " << id;
    EXPECT_EQ(actual.right, expected.right) << "control " << id;
    EXPECT_EQ(actual.bottom, expected.bottom) << "control " << id;
}

std::vector<HWND> ChildrenInOrder(HWND dialog) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

// Caption, size in dialog units, font and a frame without minimise and maximise box.
void ExpectDialogFrame(const DialogTemplate& dialog, const std::string& caption, int width, int height) {
    EXPECT_EQ(dialog.caption, caption);
    EXPECT_EQ(dialog.width, width);
    EXPECT_EQ(dialog.height, height);
    EXPECT_EQ(dialog.font, "MS Shell Dlg");
    EXPECT_EQ(dialog.pointSize, 8);
    const DWORD frame = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    EXPECT_EQ(dialog.style & frame, frame);
    EXPECT_EQ(dialog.style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME), 0u);
}

}  // namespace

TEST(SettingsDialogTemplate, HoldsEveryControlWithItsKindTextPlaceAndStyle) {
    DialogTemplate dialog = ReadDialogTemplate(IDD_QUILLCOLLECTORMANAGER_DIALOG);
    ExpectDialogFrame(dialog, "QuillCollectorManager", 310, 321);
    EXPECT_EQ(dialog.exStyle, static_cast<DWORD>(WS_EX_APPWINDOW));
    ASSERT_EQ(dialog.items.size(), std::size(kSettingsControls));
    for (std::size_t i = 0; i < dialog.items.size(); ++i) {
        const TemplateItem& item = dialog.items[i];
        const Expected& expected = kSettingsControls[i];
        const KindStyle kind = StyleOf(expected.kind);
        SCOPED_TRACE("control " + std::to_string(expected.id));
        EXPECT_EQ(item.id, expected.id);
        EXPECT_EQ(Upper(item.windowClass), Upper(kind.windowClass));
        EXPECT_EQ(item.text, expected.text);
        EXPECT_EQ(item.style & kind.required, kind.required);
        EXPECT_EQ(item.style & kind.forbidden, 0u);
        ExpectSameRect(
            item.rect,
            RECT{expected.x, expected.y, expected.x + expected.width, expected.y + expected.height},
            expected.id);
    }
}

TEST(AboutBoxTemplate, HoldsTheIconTheNamesAndTheVersionLine) {
    DialogTemplate dialog = ReadDialogTemplate(IDD_ABOUTBOX);
    ExpectDialogFrame(dialog, "About QuillCollectorManager", 235, 68);
    EXPECT_EQ(dialog.exStyle, 0u);
    ASSERT_EQ(dialog.items.size(), 5u);
    const struct {
        int id;
        const char* windowClass;
        std::string text;
        RECT rect;
        DWORD required;
    } expected[] = {
        {-1, "Static", "#128", {11, 17, 32, 37}, SS_ICON},
        {-1, "Static", "Quill Collector Manager", {40, 10, 159, 18}, SS_NOPREFIX},
        {-1, "Static", QC_MANAGER_NOTICE, {40, 25, 228, 33}, SS_LEFT},
        {IDOK, "Button", "OK", {178, 7, 228, 23}, BS_DEFPUSHBUTTON | WS_TABSTOP},
        {IDC_VERSION, "Static", "Version 1.00", {40, 40, 159, 48}, SS_LEFT},
    };
    for (std::size_t i = 0; i < 5; ++i) {
        SCOPED_TRACE("item " + std::to_string(i));
        EXPECT_EQ(dialog.items[i].id, expected[i].id);
        EXPECT_EQ(Upper(dialog.items[i].windowClass), Upper(expected[i].windowClass));
        EXPECT_EQ(dialog.items[i].text, expected[i].text);
        EXPECT_EQ(dialog.items[i].style & expected[i].required, expected[i].required);
        ExpectSameRect(dialog.items[i].rect, expected[i].rect, expected[i].id);
    }
}

TEST_F(ManagerDialogTest, ControlsLieWhereTheTemplateMapsThemInTabOrder) {
    const DialogTemplate dialogTemplate = ReadDialogTemplate(IDD_QUILLCOLLECTORMANAGER_DIALOG);
    Run({[&](HWND dialog) {
        RECT client;
        GetClientRect(dialog, &client);
        ExpectSameRect(client, Mapped(dialog, RECT{0, 0, 310, 321}), 0);
        EXPECT_EQ(GetWindowLongA(dialog, GWL_STYLE) & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
        EXPECT_TRUE(GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_APPWINDOW);

        std::vector<HWND> children = ChildrenInOrder(dialog);
        ASSERT_EQ(children.size(), dialogTemplate.items.size());
        std::vector<HWND> tabStops;
        for (std::size_t i = 0; i < children.size(); ++i) {
            const TemplateItem& item = dialogTemplate.items[i];
            EXPECT_EQ(static_cast<short>(GetDlgCtrlID(children[i])), item.id) << "position " << i;
            EXPECT_EQ(ClassOf(children[i]), Upper(item.windowClass)) << "control " << item.id;
            ExpectSameRect(PlaceOf(dialog, children[i]), Mapped(dialog, item.rect), item.id);
            // A checked radio button takes the tab stop of its group, as the system sets it.
            if ((GetWindowLongA(children[i], GWL_STYLE) & WS_TABSTOP) && IsWindowEnabled(children[i]))
                tabStops.push_back(children[i]);
        }
        // The dialog manager's Tab walks the enabled tab stops in template order, from the first control on.
        HWND at = GetDlgItem(dialog, IDC_HOT_FOLDER_PATH);
        ASSERT_EQ(tabStops.front(), at);
        for (std::size_t i = 1; i < tabStops.size(); ++i) {
            at = GetNextDlgTabItem(dialog, at, FALSE);
            EXPECT_EQ(GetDlgCtrlID(at), GetDlgCtrlID(tabStops[i])) << "tab stop " << i;
        }
        EXPECT_EQ(GetNextDlgTabItem(dialog, at, FALSE), tabStops.front());
        Click(dialog, IDCANCEL);
    }});
}

TEST(AboutBox, ControlsLieWhereTheTemplateMapsThem) {
    const DialogTemplate dialogTemplate = ReadDialogTemplate(IDD_ABOUTBOX);
    ModalDriver driver({[&](HWND about) {
        std::vector<HWND> children = ChildrenInOrder(about);
        ASSERT_EQ(children.size(), dialogTemplate.items.size());
        for (std::size_t i = 1; i < children.size(); ++i)  // an icon control takes its icon's size
            ExpectSameRect(PlaceOf(about, children[i]), Mapped(about, dialogTemplate.items[i].rect),
                           dialogTemplate.items[i].id);
        RECT icon = PlaceOf(about, children[0]);
        RECT iconTemplate = Mapped(about, dialogTemplate.items[0].rect);
        EXPECT_EQ(icon.left, iconTemplate.left);
        EXPECT_EQ(icon.top, iconTemplate.top);
        EXPECT_EQ(icon.right - icon.left, GetSystemMetrics(SM_CXICON));
        EXPECT_NE(SendMessageA(children[0], STM_GETICON, 0, 0), 0);
        Click(about, IDOK);
    }});
    CAboutDlg about(nullptr);
    EXPECT_EQ(about.DoModal(), IDOK);
    EXPECT_TRUE(driver.AllRun());
}
