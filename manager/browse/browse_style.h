// Style bits of CBrowseCtrl.
#pragma once

#include <cstdint>

constexpr uint32_t BCS_BUTTONLEFT = 0x01;    // the button sits at the left end (else at the right end)
constexpr uint32_t BCS_PICTURE = 0x02;       // the button shows a 16 x 16 picture (else its caption)
constexpr uint32_t BCS_FLAT = 0x04;          // a frame only while hovered or pressed
constexpr uint32_t BCS_OPENFOLDER = 0x08;    // picture: open folder with an arrow
constexpr uint32_t BCS_FOLDER = 0x10;        // picture: folder
constexpr uint32_t BCS_SEARCHFOLDER = 0x20;  // picture: folder with a magnifying glass
constexpr uint32_t BCS_EDITABLE = 0x40;      // the edit box accepts typing (else it is read-only)
constexpr uint32_t BCS_FOLDERMODE = 0x80;    // Browse opens the folder chooser (else the file chooser)

constexpr uint32_t kDefaultBrowseStyle = BCS_PICTURE | BCS_OPENFOLDER | BCS_EDITABLE;  // 0x4A
