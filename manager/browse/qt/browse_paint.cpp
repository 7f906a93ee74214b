#include "manager/browse/qt/browse_paint.h"

#include <QPainter>

#include "manager/browse/browse_pictures.h"
#include "manager/browse/browse_style.h"

namespace {

constexpr int kPictureSize = 16;

void FillSolidRect(QPainter& painter, int x, int y, int width, int height, const QColor& colour) {
    if (width <= 0 || height <= 0) return;
    painter.fillRect(QRect(x, y, width, height), colour);
}

// A one-pixel outline: the top and left edges in `topLeft`, the bottom and right edges (with the top-right
// and bottom-left corners) in `bottomRight`.
void Draw3dRect(QPainter& painter, const BrowseRect& rect, const QColor& topLeft, const QColor& bottomRight) {
    const int x = rect.left, y = rect.top, width = rect.Width(), height = rect.Height();
    FillSolidRect(painter, x, y, width - 1, 1, topLeft);
    FillSolidRect(painter, x, y, 1, height - 1, topLeft);
    FillSolidRect(painter, x + width - 1, y, 1, height, bottomRight);
    FillSolidRect(painter, x, y + height - 1, width, 1, bottomRight);
}

QColor SystemColour(const QPalette& palette, QPalette::ColorRole role) {
    return palette.color(QPalette::Active, role);
}

void DrawFrame(QPainter& painter, const QPalette& palette, const BrowseButtonLook& look) {
    const QColor highlight = SystemColour(palette, QPalette::Light);
    const QColor light = SystemColour(palette, QPalette::Midlight);
    const QColor shadow = SystemColour(palette, QPalette::Dark);
    const QColor darkShadow = SystemColour(palette, QPalette::Shadow);
    const BrowseRect& outer = look.button;
    if (!(look.style & BCS_FLAT)) {
        if (look.pressed) {
            Draw3dRect(painter, outer, darkShadow, darkShadow);
            Draw3dRect(painter, outer.Deflate(1), shadow, shadow);
        } else {
            Draw3dRect(painter, outer, highlight, darkShadow);
            Draw3dRect(painter, outer.Deflate(1), light, shadow);
        }
    } else if (look.pressed) {
        Draw3dRect(painter, outer, darkShadow, highlight);
    } else if (look.hover) {
        Draw3dRect(painter, outer, highlight, shadow);
    }
}

QImage RenderCaption(const QPalette& palette, const BrowseButtonLook& look, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(SystemColour(palette, QPalette::Button));
    QPainter painter(&image);
    const QFont font = BrowseCaptionFont(look.font);
    painter.setFont(font);
    const int baseline = QFontMetrics(font).ascent();
    if (look.disabled) {
        painter.setPen(SystemColour(palette, QPalette::Light));
        painter.drawText(QPoint(1, 1 + baseline), look.caption);
        painter.setPen(SystemColour(palette, QPalette::Dark));
        painter.drawText(QPoint(0, baseline), look.caption);
    } else {
        painter.setPen(SystemColour(palette, QPalette::ButtonText));
        painter.drawText(QPoint(0, baseline), look.caption);
    }
    return image;
}

const BrowsePicture* ChoosePicture(uint32_t style) {
    if (style & BCS_OPENFOLDER) return &kOpenFolderPicture;
    if (style & BCS_FOLDER) return &kFolderPicture;
    if (style & BCS_SEARCHFOLDER) return &kSearchFolderPicture;
    return nullptr;
}

}  // namespace

QFont BrowseCaptionFont(const QFont& controlFont) {
    QFont font = controlFont;
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

QImage RenderBrowsePicture(uint32_t style, bool disabled, const QColor& face, QSize size) {
    const BrowsePicture* picture = ChoosePicture(style);
    if (!picture || size.isEmpty()) return QImage();
    QImage image(size, QImage::Format_RGB32);
    image.fill(face);
    QPainter painter(&image);
    for (int y = 0; y < kPictureSize; ++y) {
        for (int x = 0; x < kPictureSize; ++x) {
            bool drawn = false;
            const QRgb colour = BrowsePictureColour(*picture, picture->rows[y][x], disabled, drawn);
            if (drawn) FillSolidRect(painter, x, y, 1, 1, QColor::fromRgb(colour));
        }
    }
    return image;
}

void PaintBrowseButton(QPainter& painter, const QPalette& palette, const BrowseButtonLook& look) {
    const QColor face = SystemColour(palette, QPalette::Button);
    painter.setRenderHint(QPainter::Antialiasing, false);
    FillSolidRect(painter, look.button.left, look.button.top, look.button.Width(), look.button.Height(),
                  face);
    DrawFrame(painter, palette, look);
    const BrowseRect area = look.pressed ? look.content.Offset(1, 1) : look.content;
    if (area.IsEmpty()) return;
    const QSize size(area.Width(), area.Height());
    QImage content;
    if (look.style & BCS_PICTURE)
        content = RenderBrowsePicture(look.style, look.disabled, face, size);
    else if (!look.caption.isEmpty())
        content = RenderCaption(palette, look, size);
    if (!content.isNull()) painter.drawImage(QPoint(area.left, area.top), content);
}
