// The browse button as it appears on screen: frames, pictures and caption, read back pixel by pixel.
#include <gtest/gtest.h>
#include <QApplication>
#include <QFontMetrics>

#include <map>
#include <set>

#include "browse_test_support.h"
#include "manager/browse/qt/browse_ctrl.h"
#include "manager/browse/qt/browse_paint.h"

using namespace browse_testing;

namespace {

// The three pictures as the user must see them, written out independently of the product's tables.
const char* const kOpenFolder[16] = {
    "................", "..........KKK...", ".........K...K.K", "..............KK",
    "..KKK........KKK", ".KWYWKKKKKKK....", ".KYWYWYWYWYK....", ".KWYWYWYWYWK....",
    ".KYWYWKKKKKKKKKK", ".KWYWKoooooooooK", ".KYWKoooooooooK.", ".KWKoooooooooK..",
    ".KKoooooooooK...", ".KKKKKKKKKKK....", "................", "................"};
const char* const kFolder[16] = {
    "................", "...ggggg........", "..gWWWWWg.......", ".gWsYsYsWgggggg.",
    ".gWYsYsYsWWWWWgK", ".gWsYsYsYsYsYsgK", "gggggggggggggYgK", "gWWWWWWWWWWgKsgK",
    "gWsYsYsYsYsYKggK", ".gWsYsYsYsYsgKgK", ".gWYsYsYsYsYsKgK", "..gWYsYsYsYsYgKK",
    "..ggggggggggggKK", "...KKKKKKKKKKKKK", "................", "................"};
const char* const kSearchFolder[16] = {
    "..ggggg.........", ".gsYsYsg........", "gsYsYsYsgggggg..", "gWWWWWWWWWWWWoK.",
    "gWY.ggKgYsY.YoK.", "gW.gWcWKgYsYsoK.", "gWgWcWc.KgYsYoK.", "gWgcWc.cso.YsoK.",
    "gWgWc.csKoYsYoK.", "gW.g.csKsooYsoK.", "gWYsgsKs.BBoYoK.", "g.ooooooncBBooK.",
    ".KKKKKKKKncBBK..", "..........ncBBK.", "...........ncBK.", "............KK.."};

const std::map<char, QRgb> kEnabled = {{'K', 0xFF000000}, {'W', 0xFFFFFFFF}, {'Y', 0xFFFFFF00},
                                       {'o', 0xFF808000}, {'g', 0xFF808080}, {'s', 0xFFC0C0C0},
                                       {'c', 0xFF00FFFF}, {'B', 0xFF0000FF}, {'n', 0xFF000080}};
std::map<char, QRgb> DisabledColours(QRgb olive) {
    return {{'K', 0xFF808080}, {'W', 0xFFFFFFFF}, {'Y', 0xFFC0C0C0}, {'o', olive},     {'g', 0xFF808080},
            {'s', 0xFFC0C0C0}, {'c', 0xFFFFFFFF}, {'B', 0xFF808080}, {'n', 0xFF808080}};
}

struct PictureCase {
    uint32_t bit;
    const char* const* map;
    QRgb disabledOlive;
};
const PictureCase kPictures[] = {{BCS_OPENFOLDER, kOpenFolder, 0xFF808080},
                                 {BCS_FOLDER, kFolder, 0xFF808080},
                                 {BCS_SEARCHFOLDER, kSearchFolder, 0xFFC0C0C0}};

// Offsets the control's own coordinates into the grabbed host image.
QPoint Origin(const WindowedControl& w) {
    return w.control->pos();
}

// Compares the picture at `at` (host coordinates) with `map`, `rows` x `columns` of it.
void ExpectPicture(const QImage& image, QPoint at, const char* const* map,
                   const std::map<char, QRgb>& colours, int columns = 16, int rows = 16) {
    int wrong = 0;
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < columns; ++x) {
            const char letter = map[y][x];
            const QRgb expected = letter == '.' ? kFace : colours.at(letter);
            const QRgb actual = image.pixel(at + QPoint(x, y));
            if (actual != expected && ++wrong <= 5)
                ADD_FAILURE() << "pixel (" << x << "," << y << ") '" << letter << "' is " << std::hex
                              << actual << " not " << expected;
        }
    EXPECT_EQ(wrong, 0);
}

// A one-pixel outline: top and left edges `topLeft`, bottom and right edges with the top-right and
// bottom-left corners `bottomRight`.
void ExpectOutline(const QImage& image, QRect r, QRgb topLeft, QRgb bottomRight) {
    for (int x = r.left(); x <= r.right(); ++x) {
        EXPECT_EQ(image.pixel(x, r.top()), x == r.right() ? bottomRight : topLeft) << "top x=" << x;
        EXPECT_EQ(image.pixel(x, r.bottom()), bottomRight) << "bottom x=" << x;
    }
    for (int y = r.top(); y <= r.bottom(); ++y) {
        EXPECT_EQ(image.pixel(r.left(), y), y == r.bottom() ? bottomRight : topLeft) << "left y=" << y;
        EXPECT_EQ(image.pixel(r.right(), y), bottomRight) << "right y=" << y;
    }
}

QRect ButtonInHost(const WindowedControl& w) {
    return w.control->ButtonRect().translated(Origin(w));
}
QPoint ButtonCentre(const WindowedControl& w) {
    return w.control->ButtonRect().center();
}

}  // namespace

TEST(BrowsePaint, EveryPictureInBothColourings) {
    for (const PictureCase& picture : kPictures) {
        for (bool disabled : {false, true}) {
            SCOPED_TRACE(testing::Message()
                         << "bit " << picture.bit << (disabled ? " disabled" : " enabled"));
            WindowedControl w(QSize(200, 24), BCS_PICTURE | picture.bit | BCS_EDITABLE);
            w.control->setEnabled(!disabled);
            const QImage image = Grab(w.host);
            ASSERT_EQ(w.control->ContentRect().size(), QSize(16, 16));
            const QPoint at = w.control->ContentRect().topLeft() + Origin(w);
            ExpectPicture(image, at, picture.map,
                          disabled ? DisabledColours(picture.disabledOlive) : kEnabled);
            if (!disabled) continue;
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x) {
                    const QRgb colour = image.pixel(at + QPoint(x, y));
                    for (QRgb gone :
                         {0xFF000000u, 0xFFFFFF00u, 0xFF808000u, 0xFF00FFFFu, 0xFF0000FFu, 0xFF000080u})
                        ASSERT_NE(colour, gone) << "at " << x << "," << y;
                }
        }
    }
}

TEST(BrowsePaint, FramesOfEveryStyleAndState) {
    {
        SCOPED_TRACE("classic, raised");
        WindowedControl w;
        const QRect button = ButtonInHost(w);
        const QImage image = Grab(w.host);
        ExpectOutline(image, button, kHighlight, kDarkShadow);
        ExpectOutline(image, button.adjusted(1, 1, -1, -1), kLight, kShadow);
        EXPECT_EQ(image.pixel(button.left() + 2, button.top() + 2), kFace);
    }
    {
        SCOPED_TRACE("classic, pressed");
        WindowedControl w;
        SendMouse(*w.control, QEvent::MouseButtonPress, ButtonCentre(w));
        const QRect button = ButtonInHost(w);
        const QImage image = Grab(w.host);
        ExpectOutline(image, button, kDarkShadow, kDarkShadow);
        ExpectOutline(image, button.adjusted(1, 1, -1, -1), kShadow, kShadow);
    }
    const uint32_t flat = kDefaultBrowseStyle | BCS_FLAT;
    {
        SCOPED_TRACE("flat, idle");
        WindowedControl w(QSize(200, 21), flat);
        const QRect button = ButtonInHost(w);
        const QImage image = Grab(w.host);
        ExpectOutline(image, button, kFace, kFace);
        ExpectOutline(image, button.adjusted(1, 1, -1, -1), kFace, kFace);
    }
    {
        SCOPED_TRACE("flat, hovered");
        WindowedControl w(QSize(200, 21), flat);
        SendMouse(*w.control, QEvent::MouseMove, ButtonCentre(w));
        ASSERT_TRUE(w.control->IsHovered());
        const QRect button = ButtonInHost(w);
        const QImage image = Grab(w.host);
        ExpectOutline(image, button, kHighlight, kShadow);
        ExpectOutline(image, button.adjusted(1, 1, -1, -1), kFace, kFace);
    }
    {
        SCOPED_TRACE("flat, pressed");
        WindowedControl w(QSize(200, 21), flat);
        SendMouse(*w.control, QEvent::MouseMove, ButtonCentre(w));
        SendMouse(*w.control, QEvent::MouseButtonPress, ButtonCentre(w));
        const QRect button = ButtonInHost(w);
        const QImage image = Grab(w.host);
        ExpectOutline(image, button, kDarkShadow, kHighlight);
        ExpectOutline(image, button.adjusted(1, 1, -1, -1), kFace, kFace);
    }
}

TEST(BrowsePaint, PressedButtonShiftsItsContentOnePixel) {
    for (uint32_t style : {kDefaultBrowseStyle, uint32_t{BCS_EDITABLE}}) {
        WindowedControl w(QSize(200, 24), style);
        if (!(style & BCS_PICTURE)) w.control->SetCaption(QStringLiteral("..."));
        const QRect content = w.control->ContentRect().translated(Origin(w));
        const QImage raised = Grab(w.host).copy(content);
        SendMouse(*w.control, QEvent::MouseButtonPress, ButtonCentre(w));
        ASSERT_TRUE(w.control->IsPressed());
        const QImage pressed = Grab(w.host).copy(content.translated(1, 1));
        EXPECT_EQ(raised, pressed) << "style " << style;
    }
}

TEST(BrowsePaint, DisabledCaptionIsEngraved) {
    WindowedControl w(QSize(200, 24), BCS_EDITABLE);
    w.control->SetCaption(QStringLiteral("Browse..."));
    const QRect content = w.control->ContentRect().translated(Origin(w));
    const QImage enabled = Grab(w.host).copy(content);
    w.control->setEnabled(false);
    const QImage disabled = Grab(w.host).copy(content);
    auto inked = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < enabled.width() && y < enabled.height() &&
               enabled.pixel(x, y) == kText;
    };
    int ink = 0;
    for (int y = 0; y < enabled.height(); ++y)
        for (int x = 0; x < enabled.width(); ++x) {
            const QRgb e = enabled.pixel(x, y);
            ASSERT_TRUE(e == kText || e == kFace) << "the caption is drawn without blending";
            ink += inked(x, y);
            const QRgb expected = inked(x, y) ? kShadow : inked(x - 1, y - 1) ? kHighlight : kFace;
            EXPECT_EQ(disabled.pixel(x, y), expected) << x << "," << y;
        }
    EXPECT_GT(ink, 20);
}

TEST(BrowsePaint, FirstPictureBitWins) {
    WindowedControl w(QSize(200, 24), BCS_PICTURE | BCS_FOLDER | BCS_SEARCHFOLDER);
    ExpectPicture(Grab(w.host), w.control->ContentRect().topLeft() + Origin(w), kFolder, kEnabled);
    w.control->SetBrowseStyle(BCS_PICTURE | BCS_OPENFOLDER | BCS_SEARCHFOLDER);
    ExpectPicture(Grab(w.host), w.control->ContentRect().topLeft() + Origin(w), kOpenFolder, kEnabled);
}

TEST(BrowsePaint, PictureStyleWithoutPictureDrawsOnlyTheFrame) {
    WindowedControl w(QSize(200, 24), BCS_PICTURE);
    const QRect button = ButtonInHost(w);
    const QImage image = Grab(w.host);
    ExpectOutline(image, button, kHighlight, kDarkShadow);
    for (int y = button.top() + 2; y <= button.bottom() - 2; ++y)
        for (int x = button.left() + 2; x <= button.right() - 2; ++x)
            ASSERT_EQ(image.pixel(x, y), kFace);
}

TEST(BrowsePaint, SmallButtonCutsThePictureAndKeepsTheFrame) {
    WindowedControl w(QSize(200, 14));  // inner height 10
    const QRect content = w.control->ContentRect();
    ASSERT_EQ(content, QRect(w.control->ButtonRect().left() + 5, 2, 16, 10));
    const QRect button = ButtonInHost(w);
    const QImage image = Grab(w.host);
    ExpectPicture(image, content.topLeft() + Origin(w), kOpenFolder, kEnabled, 16, 10);
    ExpectOutline(image, button, kHighlight, kDarkShadow);
    ExpectOutline(image, button.adjusted(1, 1, -1, -1), kLight, kShadow);
}

TEST(BrowsePaint, CaptionInAFewPixelsIsCut) {
    // A too narrow control gives its whole width to the button; the caption is cut at the inner edge.
    WindowedControl w(QSize(20, 24), BCS_EDITABLE);
    w.control->SetCaption(QStringLiteral("Browse..."));
    EXPECT_EQ(w.control->ButtonRect(), QRect(0, 0, 20, 24));
    EXPECT_EQ(w.control->ContentRect().right(), 17);
    const QImage image = Grab(w.host);
    ExpectOutline(image, ButtonInHost(w), kHighlight, kDarkShadow);
    ExpectOutline(image, ButtonInHost(w).adjusted(1, 1, -1, -1), kLight, kShadow);
}
