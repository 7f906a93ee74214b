// The browse button of CBrowseCtrl: a classic or flat push-button frame, and inside it the caption or one
// of three 16 x 16 pictures, each with an enabled and a disabled colouring.
//
// The button's 3D colours come from the widget palette (always its Active group, since the frame does not
// change colour when the control is disabled or its window inactive):
//   button face        QPalette::Button       button text   QPalette::ButtonText
//   button highlight   QPalette::Light        3D light      QPalette::Midlight
//   button shadow      QPalette::Dark         3D dark shadow QPalette::Shadow
// The picture colours are fixed RGB values. Everything is painted with 1-pixel-exact solid rectangles.
#pragma once

#include <QFont>
#include <QImage>
#include <QPalette>
#include <QString>

#include <cstdint>

#include "manager/browse/browse_frame.h"

class QPainter;

struct BrowseButtonLook : BrowseButtonState {
    QString caption;
    QFont font;  // the control's font
};

void PaintBrowseButton(QPainter& painter, const QPalette& palette, const BrowseButtonLook& look);

// The font the caption is measured and drawn with: the control's font without antialiasing, so that the
// engraved disabled caption keeps two clean colours, as button text on a classic frame has.
QFont BrowseCaptionFont(const QFont& controlFont);

// The picture chosen by the style (the first of BCS_OPENFOLDER, BCS_FOLDER, BCS_SEARCHFOLDER), drawn on
// `face` into a `size` area and so cut at its right and bottom; a null image when no picture bit is set.
QImage RenderBrowsePicture(uint32_t style, bool disabled, const QColor& face, QSize size);
