// The painted browse button, read back from a memory device context (WM_PRINTCLIENT into a DIB section):
// under Wine's null driver nothing reaches a screen, but GDI draws into memory exactly.
#include <gtest/gtest.h>

#include <map>

#include "manager/browse/browse_pictures.h"
#include "tests/browse_win32/browse_win32_support.h"

using namespace browse_testing;

namespace {

// Six distinct 3D colours (0x00RRGGBB), put in place for the tests and taken back afterwards.
constexpr uint32_t kFace = 0xD4D0C8;
constexpr uint32_t kHighlight = 0xFFFFFF;
constexpr uint32_t kLight = 0xE0DED8;
constexpr uint32_t kShadow = 0x808080;
constexpr uint32_t kDarkShadow = 0x404040;
constexpr uint32_t kText = 0x000000;

COLORREF Ref(uint32_t rgb) {
    return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

class ClassicColours : public testing::Test {
  protected:
    static constexpr int kElements[] = {COLOR_BTNFACE,   COLOR_BTNHIGHLIGHT, COLOR_3DLIGHT,
                                        COLOR_BTNSHADOW, COLOR_3DDKSHADOW,   COLOR_BTNTEXT};
    void SetUp() override {
        const COLORREF colours[] = {Ref(kFace),   Ref(kHighlight),  Ref(kLight),
                                    Ref(kShadow), Ref(kDarkShadow), Ref(kText)};
        for (int i = 0; i < 6; ++i)
            saved_[i] = GetSysColor(kElements[i]);
        ASSERT_TRUE(SetSysColors(6, kElements, colours));
    }
    void TearDown() override { SetSysColors(6, kElements, saved_); }

  private:
    COLORREF saved_[6] = {};
};

struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;  // 0x00RRGGBB
    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y * width + x)]; }
};

// The client area as WM_PRINTCLIENT paints it into a 32-bit DIB section.
Image Print(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    Image image;
    image.width = client.right;
    image.height = client.bottom;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = image.width;
    info.bmiHeader.biHeight = -image.height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, dib);
    SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    GdiFlush();
    const auto* data = static_cast<const uint32_t*>(bits);
    image.pixels.assign(data, data + image.width * image.height);
    for (uint32_t& pixel : image.pixels)
        pixel &= 0xFFFFFF;
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(dib);
    return image;
}

const std::map<char, uint32_t> kEnabled = {{'K', 0x000000}, {'W', 0xFFFFFF}, {'Y', 0xFFFF00},
                                           {'o', 0x808000}, {'g', 0x808080}, {'s', 0xC0C0C0},
                                           {'c', 0x00FFFF}, {'B', 0x0000FF}, {'n', 0x000080}};
std::map<char, uint32_t> DisabledColours(uint32_t olive) {
    return {{'K', 0x808080}, {'W', 0xFFFFFF}, {'Y', 0xC0C0C0}, {'o', olive},   {'g', 0x808080},
            {'s', 0xC0C0C0}, {'c', 0xFFFFFF}, {'B', 0x808080}, {'n', 0x808080}};
}

struct PictureCase {
    uint32_t bit;
    const BrowsePicture* picture;
    uint32_t disabledOlive;
};
const PictureCase kPictures[] = {{BCS_OPENFOLDER, &kOpenFolderPicture, 0x808080},
                                 {BCS_FOLDER, &kFolderPicture, 0x808080},
                                 {BCS_SEARCHFOLDER, &kSearchFolderPicture, 0xC0C0C0}};

void ExpectPicture(const Image& image, BrowsePoint at, const BrowsePicture& picture,
                   const std::map<char, uint32_t>& colours, int columns = 16, int rows = 16) {
    int wrong = 0;
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < columns; ++x) {
            const char letter = picture.rows[y][x];
            const uint32_t expected = letter == '.' ? kFace : colours.at(letter);
            const uint32_t actual = image.At(at.x + x, at.y + y);
            if (actual != expected && ++wrong <= 5)
                ADD_FAILURE() << "pixel (" << x << "," << y << ") '" << letter << "' is " << std::hex
                              << actual << " not " << expected;
        }
    EXPECT_EQ(wrong, 0);
}

// A one-pixel outline: top and left edges `topLeft`, bottom and right edges with the top-right and
// bottom-left corners `bottomRight`.
void ExpectOutline(const Image& image, const BrowseRect& r, uint32_t topLeft, uint32_t bottomRight) {
    const int right = r.right - 1, bottom = r.bottom - 1;
    for (int x = r.left; x <= right; ++x) {
        EXPECT_EQ(image.At(x, r.top), x == right ? bottomRight : topLeft) << "top x=" << x;
        EXPECT_EQ(image.At(x, bottom), bottomRight) << "bottom x=" << x;
    }
    for (int y = r.top; y <= bottom; ++y) {
        EXPECT_EQ(image.At(r.left, y), y == bottom ? bottomRight : topLeft) << "left y=" << y;
        EXPECT_EQ(image.At(right, y), bottomRight) << "right y=" << y;
    }
}

BrowsePoint TopLeft(const BrowseRect& rect) {
    return {rect.left, rect.top};
}

void Press(CBrowseCtrl& control) {
    SendMessageA(control.GetSafeHwnd(), WM_KEYDOWN, VK_SPACE, 0x00390001);
}

void Hover(CBrowseCtrl& control) {
    const BrowseRect b = control.ButtonRect();
    SendMessageA(control.GetSafeHwnd(), WM_MOUSEMOVE, 0,
                 MAKELPARAM((b.left + b.right) / 2, (b.top + b.bottom) / 2));
}

}  // namespace

using BrowseWin32Paint = ClassicColours;

TEST_F(BrowseWin32Paint, EveryPictureInBothColourings) {
    for (const PictureCase& c : kPictures) {
        for (bool disabled : {false, true}) {
            SCOPED_TRACE(testing::Message() << "bit " << c.bit << (disabled ? " disabled" : " enabled"));
            WindowedControl w({200, 24}, BCS_PICTURE | c.bit | BCS_EDITABLE);
            EnableWindow(w.control.GetSafeHwnd(), !disabled);
            const Image image = Print(w.control.GetSafeHwnd());
            ASSERT_EQ(w.control.ContentRect().Width(), 16);
            ASSERT_EQ(w.control.ContentRect().Height(), 16);
            const BrowsePoint at = TopLeft(w.control.ContentRect());
            ExpectPicture(image, at, *c.picture, disabled ? DisabledColours(c.disabledOlive) : kEnabled);
            if (!disabled) continue;
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x)
                    for (uint32_t gone : {0x000000u, 0xFFFF00u, 0x808000u, 0x00FFFFu, 0x0000FFu, 0x000080u})
                        EXPECT_NE(image.At(at.x + x, at.y + y), gone) << x << "," << y;
        }
    }
}

TEST_F(BrowseWin32Paint, ClassicFrameRaisedAndSunkenWithThePictureShifted) {
    WindowedControl w({200, 24});
    const BrowseRect button = w.control.ButtonRect();
    Image image = Print(w.control.GetSafeHwnd());
    ExpectOutline(image, button, kHighlight, kDarkShadow);
    ExpectOutline(image, button.Deflate(1), kLight, kShadow);
    ExpectPicture(image, TopLeft(w.control.ContentRect()), kOpenFolderPicture, kEnabled);

    Press(w.control);
    image = Print(w.control.GetSafeHwnd());
    ExpectOutline(image, button, kDarkShadow, kDarkShadow);
    ExpectOutline(image, button.Deflate(1), kShadow, kShadow);
    ExpectPicture(image, TopLeft(w.control.ContentRect().Offset(1, 1)), kOpenFolderPicture, kEnabled);
}

TEST_F(BrowseWin32Paint, FlatFrameOnlyWhileHoveredOrPressed) {
    WindowedControl w({200, 24}, kDefaultBrowseStyle | BCS_FLAT);
    const BrowseRect button = w.control.ButtonRect();
    Image image = Print(w.control.GetSafeHwnd());
    ExpectOutline(image, button, kFace, kFace);
    ExpectOutline(image, button.Deflate(1), kFace, kFace);

    Hover(w.control);
    ASSERT_TRUE(w.control.IsHovered());
    image = Print(w.control.GetSafeHwnd());
    ExpectOutline(image, button, kHighlight, kShadow);
    ExpectOutline(image, button.Deflate(1), kFace, kFace);

    Press(w.control);
    image = Print(w.control.GetSafeHwnd());
    ExpectOutline(image, button, kDarkShadow, kHighlight);
    ExpectPicture(image, TopLeft(w.control.ContentRect().Offset(1, 1)), kOpenFolderPicture, kEnabled);
}

TEST_F(BrowseWin32Paint, FirstPictureBitWinsAndNoBitDrawsOnlyTheFrame) {
    WindowedControl both({200, 24}, BCS_PICTURE | BCS_FOLDER | BCS_SEARCHFOLDER);
    ExpectPicture(Print(both.control.GetSafeHwnd()), TopLeft(both.control.ContentRect()), kFolderPicture,
                  kEnabled);

    WindowedControl none({200, 24}, BCS_PICTURE);
    const Image image = Print(none.control.GetSafeHwnd());
    const BrowseRect inner = none.control.ButtonRect().Deflate(2);
    for (int y = inner.top; y < inner.bottom; ++y)
        for (int x = inner.left; x < inner.right; ++x)
            EXPECT_EQ(image.At(x, y), kFace) << x << "," << y;
}

TEST_F(BrowseWin32Paint, LowButtonCutsThePictureAtTheBottom) {
    WindowedControl w({200, 12});
    ASSERT_EQ(w.control.ContentRect().Height(), 8);
    ExpectPicture(Print(w.control.GetSafeHwnd()), TopLeft(w.control.ContentRect()), kOpenFolderPicture,
                  kEnabled, 16, 8);
}

TEST_F(BrowseWin32Paint, CaptionPlainOrEngraved) {
    for (bool disabled : {false, true}) {
        SCOPED_TRACE(disabled ? "disabled" : "enabled");
        WindowedControl w({200, 24}, BCS_EDITABLE);
        w.control.SetCaption("Browse");
        EnableWindow(w.control.GetSafeHwnd(), !disabled);
        const Image image = Print(w.control.GetSafeHwnd());
        const BrowseRect area = w.control.ContentRect();
        std::map<uint32_t, int> seen;
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x)
                ++seen[image.At(x, y)];
        if (disabled) {
            EXPECT_GT(seen[kHighlight], 0);
            EXPECT_GT(seen[kShadow], 0);
            EXPECT_EQ(seen.count(kText), 0u);
        } else {
            EXPECT_GT(seen[kText], 0);
            EXPECT_EQ(seen.size(), 2u) << "face and text only";
        }
    }
}
