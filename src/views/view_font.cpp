#include "views/view_font.h"

#include <QFontMetrics>
#include <algorithm>

namespace views {

QFont SerifFont(int cellHeightPx, int weight)
{
    QFont font(QStringLiteral("Liberation Serif"));
    font.setWeight(static_cast<QFont::Weight>(std::clamp(weight, 100, 900)));
    font.setPixelSize(std::max(cellHeightPx, 1));
    // The pixel size sets the em height; scale it so that the cell fits.
    const int cell = QFontMetrics(font).height();
    if (cell > cellHeightPx)
        font.setPixelSize(std::max(1, cellHeightPx * cellHeightPx / cell));
    return font;
}

} // namespace views
