#include "manager/browse/browse_pictures.h"

namespace {

constexpr QRgb kBlack = 0xFF000000;
constexpr QRgb kWhite = 0xFFFFFFFF;
constexpr QRgb kYellow = 0xFFFFFF00;
constexpr QRgb kOlive = 0xFF808000;
constexpr QRgb kGray = 0xFF808080;
constexpr QRgb kSilver = 0xFFC0C0C0;
constexpr QRgb kCyan = 0xFF00FFFF;
constexpr QRgb kBlue = 0xFF0000FF;
constexpr QRgb kNavy = 0xFF000080;

}  // namespace

// clang-format off
// K black, W white, Y yellow, o olive, g gray, s silver, c cyan, B blue, n navy, . not drawn.
const BrowsePicture kOpenFolderPicture = {{
    "................",
    "..........KKK...",
    ".........K...K.K",
    "..............KK",
    "..KKK........KKK",
    ".KWYWKKKKKKK....",
    ".KYWYWYWYWYK....",
    ".KWYWYWYWYWK....",
    ".KYWYWKKKKKKKKKK",
    ".KWYWKoooooooooK",
    ".KYWKoooooooooK.",
    ".KWKoooooooooK..",
    ".KKoooooooooK...",
    ".KKKKKKKKKKK....",
    "................",
    "................",
}, kGray};

const BrowsePicture kFolderPicture = {{
    "................",
    "...ggggg........",
    "..gWWWWWg.......",
    ".gWsYsYsWgggggg.",
    ".gWYsYsYsWWWWWgK",
    ".gWsYsYsYsYsYsgK",
    "gggggggggggggYgK",
    "gWWWWWWWWWWgKsgK",
    "gWsYsYsYsYsYKggK",
    ".gWsYsYsYsYsgKgK",
    ".gWYsYsYsYsYsKgK",
    "..gWYsYsYsYsYgKK",
    "..ggggggggggggKK",
    "...KKKKKKKKKKKKK",
    "................",
    "................",
}, kGray};

const BrowsePicture kSearchFolderPicture = {{
    "..ggggg.........",
    ".gsYsYsg........",
    "gsYsYsYsgggggg..",
    "gWWWWWWWWWWWWoK.",
    "gWY.ggKgYsY.YoK.",
    "gW.gWcWKgYsYsoK.",
    "gWgWcWc.KgYsYoK.",
    "gWgcWc.cso.YsoK.",
    "gWgWc.csKoYsYoK.",
    "gW.g.csKsooYsoK.",
    "gWYsgsKs.BBoYoK.",
    "g.ooooooncBBooK.",
    ".KKKKKKKKncBBK..",
    "..........ncBBK.",
    "...........ncBK.",
    "............KK..",
}, kSilver};

// clang-format on

QRgb BrowsePictureColour(const BrowsePicture& picture, char letter, bool disabled, bool& drawn) {
    drawn = true;
    switch (letter) {
        case 'K':
            return disabled ? kGray : kBlack;
        case 'W':
            return kWhite;
        case 'Y':
            return disabled ? kSilver : kYellow;
        case 'o':
            return disabled ? picture.disabledOlive : kOlive;
        case 'g':
            return kGray;
        case 's':
            return kSilver;
        case 'c':
            return disabled ? kWhite : kCyan;
        case 'B':
            return disabled ? kGray : kBlue;
        case 'n':
            return disabled ? kGray : kNavy;
        default:
            drawn = false;
            return 0;
    }
}
