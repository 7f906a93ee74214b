// The three built-in 16 x 16 pictures of the browse button, as maps of colour letters.
#pragma once

#include <cstdint>

// A fixed colour as 0x00RRGGBB; each toolkit turns it into its own colour type.
using BrowseRgb = uint32_t;

constexpr int BrowseRed(BrowseRgb colour) {
    return static_cast<int>((colour >> 16) & 0xFF);
}
constexpr int BrowseGreen(BrowseRgb colour) {
    return static_cast<int>((colour >> 8) & 0xFF);
}
constexpr int BrowseBlue(BrowseRgb colour) {
    return static_cast<int>(colour & 0xFF);
}

struct BrowsePicture {
    const char* rows[16];
    BrowseRgb disabledOlive;  // olive turns gray or silver when disabled, depending on the picture
};

extern const BrowsePicture kOpenFolderPicture;
extern const BrowsePicture kFolderPicture;
extern const BrowsePicture kSearchFolderPicture;

// The picture of the first set bit among BCS_OPENFOLDER, BCS_FOLDER and BCS_SEARCHFOLDER; none without them.
const BrowsePicture* BrowsePictureForStyle(uint32_t style);

// The colour of a map letter, or 0 with `drawn` false for '.', which lets the button face show.
BrowseRgb BrowsePictureColour(const BrowsePicture& picture, char letter, bool disabled, bool& drawn);
