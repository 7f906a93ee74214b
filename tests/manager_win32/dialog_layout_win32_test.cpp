// The dialogs' templates as the program file carries them, and the running dialogs' controls against them:
// kinds, texts, styles, places mapped by the dialog's own base units, and the tab order.
#include <gtest/gtest.h>

#include <cctype>
#include <span>
#include <string>
#include <vector>

#include "manager/dialog_layout.h"
#include "manager/win32/about_dlg.h"
#include "tests/manager_win32/dialog_template.h"
#include "tests/manager_win32/manager_dlg_fixture.h"

using namespace win32_testing;

namespace {

enum Kind {
    GroupBox,
    Label,
    NoPrefixLabel,
    Edit,
    PushButton,
    DefaultPushButton,
    CheckBox,
    RadioButton,
    Icon
};

struct Expected {
    Kind kind;
    int id;
    const char* text;
    int x, y, width, height;
};

#define QC_EXPECTED_CONTROL(kind, id, text, x, y, width, height) {kind, id, text, x, y, width, height},
const Expected kSettingsControls[] = {QC_SETTINGS_DIALOG_CONTROLS(QC_EXPECTED_CONTROL)};
const Expected kAboutControls[] = {QC_ABOUT_BOX_CONTROLS(QC_EXPECTED_CONTROL)};
#undef QC_EXPECTED_CONTROL

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
            return {"Static", child | SS_LEFT, WS_TABSTOP | SS_TYPEMASK | SS_NOPREFIX};
        case NoPrefixLabel:
            return {"Static", child | SS_LEFT | SS_NOPREFIX, WS_TABSTOP | SS_TYPEMASK};
        case Icon:
            return {"Static", child | SS_ICON, WS_TABSTOP | (SS_TYPEMASK & ~SS_ICON)};
        case Edit:
            return {"Edit", child | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL,
                    ES_MULTILINE | ES_NUMBER | ES_READONLY | ES_CENTER | ES_RIGHT};
        case PushButton:
            return {"Button", child | WS_TABSTOP | BS_PUSHBUTTON, BS_TYPEMASK};
        case DefaultPushButton:
            return {"Button", child | WS_TABSTOP | BS_DEFPUSHBUTTON, BS_TYPEMASK & ~BS_DEFPUSHBUTTON};
        case CheckBox:
            return {"Button", child | WS_TABSTOP | BS_AUTOCHECKBOX, BS_TYPEMASK & ~BS_AUTOCHECKBOX};
        case RadioButton:
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

// The template holds the table's controls in its order: ids, texts (an icon control names its icon
// resource), the class and style of each kind and the rectangles.
void ExpectControls(const DialogTemplate& dialog, std::span<const Expected> controls) {
    ASSERT_EQ(dialog.items.size(), controls.size());
    for (std::size_t i = 0; i < dialog.items.size(); ++i) {
        const TemplateItem& item = dialog.items[i];
        const Expected& expected = controls[i];
        const KindStyle kind = StyleOf(expected.kind);
        SCOPED_TRACE("control " + std::to_string(i) + ", id " + std::to_string(expected.id));
        EXPECT_EQ(item.id, expected.id);
        EXPECT_EQ(Upper(item.windowClass), Upper(kind.windowClass));
        EXPECT_EQ(item.text, expected.kind == Icon ? "#" + std::to_string(IDR_MAINFRAME) : expected.text);
        EXPECT_EQ(item.style & kind.required, kind.required);
        EXPECT_EQ(item.style & kind.forbidden, 0u);
        ExpectSameRect(
            item.rect,
            RECT{expected.x, expected.y, expected.x + expected.width, expected.y + expected.height},
            expected.id);
    }
}

}  // namespace

TEST(SettingsDialogTemplate, HoldsEveryControlWithItsKindTextPlaceAndStyle) {
    DialogTemplate dialog = ReadDialogTemplate(IDD_QUILLCOLLECTORMANAGER_DIALOG);
    ExpectDialogFrame(dialog, "QuillCollectorManager", QC_SETTINGS_DIALOG_WIDTH, QC_SETTINGS_DIALOG_HEIGHT);
    EXPECT_EQ(dialog.exStyle, static_cast<DWORD>(WS_EX_APPWINDOW));
    ExpectControls(dialog, kSettingsControls);
}

TEST(AboutBoxTemplate, HoldsTheIconTheNamesAndTheVersionLine) {
    DialogTemplate dialog = ReadDialogTemplate(IDD_ABOUTBOX);
    ExpectDialogFrame(dialog, "About QuillCollectorManager", QC_ABOUT_BOX_WIDTH, QC_ABOUT_BOX_HEIGHT);
    EXPECT_EQ(dialog.exStyle, 0u);
    ExpectControls(dialog, kAboutControls);
    EXPECT_EQ(dialog.items[3].id, IDOK);
    EXPECT_TRUE(dialog.items[3].style & WS_GROUP);  // the OK button opens a group of its own
    EXPECT_EQ(dialog.items[4].id, IDC_VERSION);
}

TEST_F(ManagerDialogTest, ControlsLieWhereTheTemplateMapsThemInTabOrder) {
    const DialogTemplate dialogTemplate = ReadDialogTemplate(IDD_QUILLCOLLECTORMANAGER_DIALOG);
    Run({[&](HWND dialog) {
        RECT client;
        GetClientRect(dialog, &client);
        ExpectSameRect(client,
                       Mapped(dialog, RECT{0, 0, QC_SETTINGS_DIALOG_WIDTH, QC_SETTINGS_DIALOG_HEIGHT}), 0);
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
