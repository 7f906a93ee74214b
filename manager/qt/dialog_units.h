// Dialog units to pixels, as Windows lays out a dialog template: the base units come from the dialog font
// (the average width of the 52 letters and the font height), and every edge of a rectangle is mapped on
// its own, so neighbouring controls stay flush.
#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

class QFontMetrics;

struct DialogBaseUnits {
    int x = 6;
    int y = 13;
};

// The dialog font: "MS Shell Dlg" 8 pt is stood in for by DejaVu Sans Condensed 8 pt (6 x 13 at 96 DPI).
QFont DialogFont();

DialogBaseUnits BaseUnitsOf(const QFontMetrics& metrics);

// A template rectangle (x, y, width, height in dialog units) in pixels.
QRect MapDialogRect(DialogBaseUnits units, int x, int y, int width, int height);
// A template's client size in pixels.
QSize MapDialogSize(DialogBaseUnits units, int width, int height);
