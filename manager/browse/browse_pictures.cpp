#include "manager/browse/browse_pictures.h"

#include "manager/browse/browse_style.h"

namespace {

constexpr BrowseRgb kBlack = 0x00000000;
constexpr BrowseRgb kWhite = 0x00FFFFFF;
constexpr BrowseRgb kYellow = 0x00FFFF00;
constexpr BrowseRgb kOlive = 0x00808000;
constexpr BrowseRgb kGray = 0x00808080;
constexpr BrowseRgb kSilver = 0x00C0C0C0;
constexpr BrowseRgb kCyan = 0x0000FFFF;
constexpr BrowseRgb kBlue = 0x000000FF;
constexpr BrowseRgb kNavy = 0x00000080;

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

const BrowsePicture* BrowsePictureForStyle(uint32_t style) {
    if (style & BCS_OPENFOLDER) return &kOpenFolderPicture;
    if (style & BCS_FOLDER) return &kFolderPicture;
    if (style & BCS_SEARCHFOLDER) return &kSearchFolderPicture;
    return nullptr;
}

BrowseRgb BrowsePictureColour(const BrowsePicture& picture, char letter, bool disabled, bool& drawn) {
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
