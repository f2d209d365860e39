#pragma once

#include <QSize>

// The main frame's size for a screen of the given size: three quarters of its
// width and seven tenths of its height (integer division), at least 850 x 560.
QSize MainFrameSize(QSize screenSize);
