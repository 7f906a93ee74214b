#include "manager/browse/qt/browse_paint.h"

#include <QPainter>

#include "manager/browse/browse_frame.h"
#include "manager/browse/browse_pictures.h"
#include "manager/browse/browse_style.h"
#include "manager/browse/qt/browse_geometry.h"

namespace {

void FillSolidRect(QPainter& painter, const BrowseRect& rect, const QColor& colour) {
    if (!rect.IsEmpty()) painter.fillRect(ToQRect(rect), colour);
}

// The system colours from the palette's Active group: the frame does not change colour when the control
// is disabled or its window inactive.
QColor SystemColour(const QPalette& palette, BrowseSystemColour colour) {
    switch (colour) {
        case BrowseSystemColour::kFace:
            return palette.color(QPalette::Active, QPalette::Button);
        case BrowseSystemColour::kText:
            return palette.color(QPalette::Active, QPalette::ButtonText);
        case BrowseSystemColour::kHighlight:
            return palette.color(QPalette::Active, QPalette::Light);
        case BrowseSystemColour::kLight:
            return palette.color(QPalette::Active, QPalette::Midlight);
        case BrowseSystemColour::kShadow:
            return palette.color(QPalette::Active, QPalette::Dark);
        case BrowseSystemColour::kDarkShadow:
            return palette.color(QPalette::Active, QPalette::Shadow);
    }
    return {};
}

void DrawFrame(QPainter& painter, const QPalette& palette, const BrowseButtonLook& look) {
    for (const BrowseOutline& outline :
         BrowseFrameOutlines(look.button, look.style, look.pressed, look.hover))
        for (const BrowseStrip& strip : BrowseOutlineStrips(outline.rect))
            FillSolidRect(painter, strip.rect,
                          SystemColour(palette, strip.topLeft ? outline.topLeft : outline.bottomRight));
}

QImage RenderCaption(const QPalette& palette, const BrowseButtonLook& look, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(SystemColour(palette, BrowseSystemColour::kFace));
    QPainter painter(&image);
    const QFont font = BrowseCaptionFont(look.font);
    painter.setFont(font);
    const int baseline = QFontMetrics(font).ascent();
    if (look.disabled) {
        painter.setPen(SystemColour(palette, BrowseSystemColour::kHighlight));
        painter.drawText(QPoint(1, 1 + baseline), look.caption);
        painter.setPen(SystemColour(palette, BrowseSystemColour::kShadow));
        painter.drawText(QPoint(0, baseline), look.caption);
    } else {
        painter.setPen(SystemColour(palette, BrowseSystemColour::kText));
        painter.drawText(QPoint(0, baseline), look.caption);
    }
    return image;
}

}  // namespace

QFont BrowseCaptionFont(const QFont& controlFont) {
    QFont font = controlFont;
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

QImage RenderBrowsePicture(uint32_t style, bool disabled, const QColor& face, QSize size) {
    const BrowsePicture* picture = BrowsePictureForStyle(style);
    if (!picture || size.isEmpty()) return QImage();
    QImage image(size, QImage::Format_RGB32);
    image.fill(face);
    QPainter painter(&image);
    for (int y = 0; y < kBrowsePictureSize; ++y) {
        for (int x = 0; x < kBrowsePictureSize; ++x) {
            bool drawn = false;
            const BrowseRgb colour = BrowsePictureColour(*picture, picture->rows[y][x], disabled, drawn);
            if (drawn) FillSolidRect(painter, {x, y, x + 1, y + 1}, QColor::fromRgb(colour));
        }
    }
    return image;
}

void PaintBrowseButton(QPainter& painter, const QPalette& palette, const BrowseButtonLook& look) {
    const QColor face = SystemColour(palette, BrowseSystemColour::kFace);
    painter.setRenderHint(QPainter::Antialiasing, false);
    FillSolidRect(painter, look.button, face);
    DrawFrame(painter, palette, look);
    const BrowseRect area = BrowsePaintedContent(look.content, look.pressed);
    if (area.IsEmpty()) return;
    const QSize size(area.Width(), area.Height());
    QImage content;
    if (look.style & BCS_PICTURE)
        content = RenderBrowsePicture(look.style, look.disabled, face, size);
    else if (!look.caption.isEmpty())
        content = RenderCaption(palette, look, size);
    if (!content.isNull()) painter.drawImage(QPoint(area.left, area.top), content);
}
