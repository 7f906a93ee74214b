#include "manager/browse/browse_layout.h"

#include <algorithm>

#include "manager/browse/browse_style.h"

namespace {

constexpr int kMinimumContentWidth = 16;
constexpr int kButtonPadding = 11;  // frame, margin and the room for the pressed shift
constexpr int kFrameWidth = 2;

// Centres `size` in the inner area along one axis, or fills the axis when it does not fit.
void Centre(int innerStart, int innerEnd, int size, int& start, int& end) {
    start = innerStart;
    end = innerStart + size;
    const int room = innerEnd - innerStart;
    if (room > size) {
        const int shift = (room - size) / 2;
        start += shift;
        end += shift;
    } else {
        end = innerEnd;
    }
}

}  // namespace

BrowseLayout LayOutBrowseCtrl(const BrowseRect& client, uint32_t style, BrowseSize content) {
    BrowseLayout layout;
    layout.button = client;
    const int buttonWidth = std::max(content.width, kMinimumContentWidth) + kButtonPadding;
    if (client.Width() > buttonWidth) {
        if (style & BCS_BUTTONLEFT)
            layout.button.right = layout.button.left + buttonWidth;
        else
            layout.button.left = layout.button.right - buttonWidth;
    }
    const BrowseRect inner = layout.button.Deflate(kFrameWidth);
    Centre(inner.top, inner.bottom, content.height, layout.content.top, layout.content.bottom);
    Centre(inner.left, inner.right, content.width, layout.content.left, layout.content.right);
    layout.edit = client;
    if (style & BCS_BUTTONLEFT)
        layout.edit.left = layout.button.right;
    else
        layout.edit.right = layout.button.left;
    return layout;
}
