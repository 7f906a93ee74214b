#include "manager/qt/dialog_units.h"

#include <QFontMetrics>

namespace {

// a * b / c rounded half away from zero, like MulDiv.
int MulDiv(int a, int b, int c) {
    long long product = static_cast<long long>(a) * b;
    long long half = c / 2;
    return static_cast<int>(product >= 0 ? (product + half) / c : (product - half) / c);
}

}  // namespace

QFont DialogFont() {
    QFont font("DejaVu Sans Condensed", 8);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

DialogBaseUnits BaseUnitsOf(const QFontMetrics& metrics) {
    int letters = metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return {(letters / 26 + 1) / 2, metrics.height()};
}

QRect MapDialogRect(DialogBaseUnits units, int x, int y, int width, int height) {
    int left = MulDiv(x, units.x, 4), top = MulDiv(y, units.y, 8);
    int right = MulDiv(x + width, units.x, 4), bottom = MulDiv(y + height, units.y, 8);
    return QRect(left, top, right - left, bottom - top);
}

QSize MapDialogSize(DialogBaseUnits units, int width, int height) {
    return QSize(MulDiv(width, units.x, 4), MulDiv(height, units.y, 8));
}
