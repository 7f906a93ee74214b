// The application icon (icon 128 of the manager's resources), drawn in several sizes.
#pragma once

#include <QIcon>

QIcon ApplicationIcon();
