#include "manager/browse/win32/browse_paint.h"

#include "manager/browse/browse_pictures.h"
#include "manager/browse/browse_style.h"

namespace {

COLORREF ToColorRef(BrowseRgb colour) {
    return RGB(BrowseRed(colour), BrowseGreen(colour), BrowseBlue(colour));
}

// An opaque empty text over the rectangle: the cheapest solid fill GDI has, and it needs no brush.
void FillSolidRect(HDC dc, const BrowseRect& rect, COLORREF colour) {
    if (rect.IsEmpty()) return;
    const RECT area{rect.left, rect.top, rect.right, rect.bottom};
    const COLORREF old = SetBkColor(dc, colour);
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &area, nullptr, 0, nullptr);
    SetBkColor(dc, old);
}

void DrawFrame(HDC dc, const BrowseButtonLook& look) {
    for (const BrowseOutline& outline :
         BrowseFrameOutlines(look.button, look.style, look.pressed, look.hover))
        for (const BrowseStrip& strip : BrowseOutlineStrips(outline.rect))
            FillSolidRect(dc, strip.rect,
                          BrowseSystemColourRef(strip.topLeft ? outline.topLeft : outline.bottomRight));
}

// A bitmap of `width` x `height` compatible with `target`, selected into a memory device context and
// filled with the button face.
class MemoryBitmap {
  public:
    MemoryBitmap(HDC target, int width, int height)
        : dc_(CreateCompatibleDC(target)), bitmap_(CreateCompatibleBitmap(target, width, height)) {
        if (dc_ && bitmap_) old_ = SelectObject(dc_, bitmap_);
        FillSolidRect(dc_, {0, 0, width, height}, BrowseSystemColourRef(BrowseSystemColour::kFace));
    }
    ~MemoryBitmap() {
        if (old_) SelectObject(dc_, old_);
        if (bitmap_) DeleteObject(bitmap_);
        if (dc_) DeleteDC(dc_);
    }
    MemoryBitmap(const MemoryBitmap&) = delete;
    MemoryBitmap& operator=(const MemoryBitmap&) = delete;

    bool IsReady() const { return old_ != nullptr; }
    HDC Dc() const { return dc_; }

  private:
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_ = nullptr;
};

void CopyToArea(HDC target, const BrowseRect& area, const MemoryBitmap& bitmap) {
    BitBlt(target, area.left, area.top, area.Width(), area.Height(), bitmap.Dc(), 0, 0, SRCCOPY);
}

void WriteCaption(HDC dc, int x, int y, const std::string& caption, BrowseSystemColour colour) {
    SetTextColor(dc, BrowseSystemColourRef(colour));
    TextOutA(dc, x, y, caption.data(), static_cast<int>(caption.size()));
}

// The control's font without antialiasing, so that the engraved disabled caption keeps two clean colours,
// as button text on a classic frame has.
HFONT CreateCaptionFont(HDC target, HFONT controlFont) {
    LOGFONTA font{};
    const HGDIOBJ source = controlFont ? controlFont : GetCurrentObject(target, OBJ_FONT);
    if (!GetObjectA(source, sizeof font, &font)) return nullptr;
    font.lfQuality = NONANTIALIASED_QUALITY;
    return CreateFontIndirectA(&font);
}

void DrawCaption(HDC target, const BrowseRect& area, const BrowseButtonLook& look) {
    if (look.caption.empty()) return;
    MemoryBitmap bitmap(target, area.Width(), area.Height());
    if (!bitmap.IsReady()) return;
    const HDC dc = bitmap.Dc();
    const HFONT font = CreateCaptionFont(target, look.font);
    const HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    if (look.disabled) {  // engraved
        WriteCaption(dc, 1, 1, look.caption, BrowseSystemColour::kHighlight);
        WriteCaption(dc, 0, 0, look.caption, BrowseSystemColour::kShadow);
    } else {
        WriteCaption(dc, 0, 0, look.caption, BrowseSystemColour::kText);
    }
    if (oldFont) SelectObject(dc, oldFont);
    if (font) DeleteObject(font);
    CopyToArea(target, area, bitmap);
}

void DrawPicture(HDC target, const BrowseRect& area, const BrowseButtonLook& look) {
    const BrowsePicture* picture = BrowsePictureForStyle(look.style);
    if (!picture) return;
    MemoryBitmap bitmap(target, area.Width(), area.Height());
    if (!bitmap.IsReady()) return;
    for (int y = 0; y < kBrowsePictureSize && y < area.Height(); ++y)
        for (int x = 0; x < kBrowsePictureSize && x < area.Width(); ++x) {
            bool drawn = false;
            const BrowseRgb colour = BrowsePictureColour(*picture, picture->rows[y][x], look.disabled, drawn);
            if (drawn) SetPixelV(bitmap.Dc(), x, y, ToColorRef(colour));
        }
    CopyToArea(target, area, bitmap);
}

}  // namespace

COLORREF BrowseSystemColourRef(BrowseSystemColour colour) {
    switch (colour) {
        case BrowseSystemColour::kFace:
            return GetSysColor(COLOR_BTNFACE);
        case BrowseSystemColour::kText:
            return GetSysColor(COLOR_BTNTEXT);
        case BrowseSystemColour::kHighlight:
            return GetSysColor(COLOR_BTNHIGHLIGHT);
        case BrowseSystemColour::kLight:
            return GetSysColor(COLOR_3DLIGHT);
        case BrowseSystemColour::kShadow:
            return GetSysColor(COLOR_BTNSHADOW);
        case BrowseSystemColour::kDarkShadow:
            return GetSysColor(COLOR_3DDKSHADOW);
    }
    return 0;
}

void PaintBrowseButton(HDC dc, const BrowseButtonLook& look) {
    FillSolidRect(dc, look.button, BrowseSystemColourRef(BrowseSystemColour::kFace));
    DrawFrame(dc, look);
    const BrowseRect area = BrowsePaintedContent(look.content, look.pressed);
    if (area.IsEmpty()) return;
    if (look.style & BCS_PICTURE)
        DrawPicture(dc, area, look);
    else
        DrawCaption(dc, area, look);
}
