// The frame of the browse button: which one-pixel outlines it gets in which state, in which of the
// system's 3D colours, and the solid strips that make up one outline. Every toolkit paints these strips.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "manager/browse/browse_layout.h"

// The system colours the button is painted with; each toolkit maps them to its own.
enum class BrowseSystemColour {
    kFace,        // COLOR_BTNFACE
    kText,        // COLOR_BTNTEXT
    kHighlight,   // COLOR_BTNHIGHLIGHT
    kLight,       // COLOR_3DLIGHT
    kShadow,      // COLOR_BTNSHADOW
    kDarkShadow,  // COLOR_3DDKSHADOW
};

// A one-pixel outline of `rect`: its top and left edges in `topLeft`, its bottom and right edges in
// `bottomRight`.
struct BrowseOutline {
    BrowseRect rect;
    BrowseSystemColour topLeft;
    BrowseSystemColour bottomRight;
};

// The frame of a button in `style` (BCS_FLAT matters), outer outline first: two, one or none.
std::vector<BrowseOutline> BrowseFrameOutlines(const BrowseRect& button, uint32_t style, bool pressed,
                                               bool hover);

struct BrowseStrip {
    BrowseRect rect;  // empty strips are left out by the painter
    bool topLeft;     // drawn in the outline's top-left colour, else in its bottom-right one
};

// An outline as four solid strips, painted in this order: the top and left edges without the top-right and
// bottom-left corners, then the right and bottom edges, which take those corners.
std::array<BrowseStrip, 4> BrowseOutlineStrips(const BrowseRect& rect);

// Where the caption or picture goes: the content area, 1 pixel right and down while pressed.
BrowseRect BrowsePaintedContent(const BrowseRect& content, bool pressed);
