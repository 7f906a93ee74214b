// The browse control's plain geometry as Qt's.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include "manager/browse/browse_layout.h"

inline QRect ToQRect(const BrowseRect& rect) {
    return rect.IsEmpty() ? QRect() : QRect(rect.left, rect.top, rect.Width(), rect.Height());
}

inline BrowseRect FromQRect(const QRect& rect) {
    return {rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()};
}

inline BrowsePoint FromQPoint(QPoint point) {
    return {point.x(), point.y()};
}

inline BrowseSize FromQSize(QSize size) {
    return {size.width(), size.height()};
}
