#pragma once

class QAbstractItemView;
class QHeaderView;

namespace widgets {

// Widens a column so that its title and every value it shows fit; a column
// the user made wider stays as wide.
void WidenColumnToFit(const QAbstractItemView& view, QHeaderView& header, int column);

} // namespace widgets
