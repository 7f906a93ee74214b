// The browse button drawn with GDI: the frame in the system's 3D colours and the caption or picture inside
// it, from the shared frame rules and picture maps. Caption and picture are drawn into a memory bitmap
// first and copied in one piece, so the button never shows half drawn.
#pragma once

#include <cstdint>
#include <string>

#include "common/platform/win32_windows.h"
#include "manager/browse/browse_frame.h"
#include "manager/browse/browse_layout.h"

struct BrowseButtonLook {
    BrowseRect button;
    BrowseRect content;
    uint32_t style = 0;
    bool pressed = false;
    bool hover = false;
    bool disabled = false;
    std::string caption;
    HFONT font = nullptr;  // the control's font; none: the device context's
};

void PaintBrowseButton(HDC dc, const BrowseButtonLook& look);

COLORREF BrowseSystemColourRef(BrowseSystemColour colour);
