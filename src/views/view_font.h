#pragma once

#include <QFont>

namespace views {

// The panes' "Times New Roman" fonts, drawn with the metric-compatible
// Liberation Serif. The height is the cell height in pixels (ascent plus
// descent), as the panes' font sizes are given; weight 100..900.
QFont SerifFont(int cellHeightPx, int weight);

} // namespace views
