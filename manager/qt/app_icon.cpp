#include "manager/qt/app_icon.h"

QIcon ApplicationIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 256})
        icon.addFile(QStringLiteral(":/icons/quill-%1.png").arg(size), QSize(size, size));
    return icon;
}
