// The three built-in 16 x 16 pictures of the browse button, as maps of colour letters.
#pragma once

#include <QRgb>

struct BrowsePicture {
    const char* rows[16];
    QRgb disabledOlive;  // olive turns gray or silver when disabled, depending on the picture
};

extern const BrowsePicture kOpenFolderPicture;
extern const BrowsePicture kFolderPicture;
extern const BrowsePicture kSearchFolderPicture;

// The colour of a map letter, or 0 with `drawn` false for '.', which lets the button face show.
QRgb BrowsePictureColour(const BrowsePicture& picture, char letter, bool disabled, bool& drawn);
