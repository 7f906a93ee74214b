#include "manager/browse/browse_frame.h"

#include "manager/browse/browse_style.h"

std::vector<BrowseOutline> BrowseFrameOutlines(const BrowseRect& button, uint32_t style, bool pressed,
                                               bool hover) {
    using enum BrowseSystemColour;
    if (!(style & BCS_FLAT)) {
        if (pressed) return {{button, kDarkShadow, kDarkShadow}, {button.Deflate(1), kShadow, kShadow}};
        return {{button, kHighlight, kDarkShadow}, {button.Deflate(1), kLight, kShadow}};
    }
    if (pressed) return {{button, kDarkShadow, kHighlight}};
    if (hover) return {{button, kHighlight, kShadow}};
    return {};
}

std::array<BrowseStrip, 4> BrowseOutlineStrips(const BrowseRect& rect) {
    const int x = rect.left, y = rect.top, right = rect.right, bottom = rect.bottom;
    return {{
        {{x, y, right - 1, y + 1}, true},
        {{x, y, x + 1, bottom - 1}, true},
        {{right - 1, y, right, bottom}, false},
        {{x, bottom - 1, right, bottom}, false},
    }};
}

BrowseRect BrowsePaintedContent(const BrowseRect& content, bool pressed) {
    return pressed ? content.Offset(1, 1) : content;
}
