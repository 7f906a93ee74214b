// Where the parts of a CBrowseCtrl go: the button at one end, its caption or picture inside it, and the
// edit box in the rest of the client area. Plain types, so that every toolkit lays the control out alike.
#pragma once

#include <cstdint>

struct BrowsePoint {
    int x = 0;
    int y = 0;
};

struct BrowseSize {
    int width = 0;
    int height = 0;
};

// A rectangle whose right and bottom edges lie just outside it, so that widths are right - left and the
// layout arithmetic needs no off-by-one corrections.
struct BrowseRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool Contains(BrowsePoint point) const {
        return point.x >= left && point.x < right && point.y >= top && point.y < bottom;
    }
    BrowseRect Offset(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
    BrowseRect Deflate(int by) const { return {left + by, top + by, right - by, bottom - by}; }
    bool operator==(const BrowseRect&) const = default;
};

struct BrowseLayout {
    BrowseRect button;
    BrowseRect content;  // caption or picture, inside the button
    BrowseRect edit;
};

constexpr int kBrowsePictureSize = 16;

// `content` is the picture's 16 x 16 or the caption's extent in the control's font.
BrowseLayout LayOutBrowseCtrl(const BrowseRect& client, uint32_t style, BrowseSize content);
