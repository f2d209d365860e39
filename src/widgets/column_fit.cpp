#include "widgets/column_fit.h"

#include <QAbstractItemView>
#include <QHeaderView>
#include <algorithm>

namespace widgets {

void WidenColumnToFit(const QAbstractItemView& view, QHeaderView& header, int column)
{
    const int needed = std::max(header.sectionSizeHint(column), view.sizeHintForColumn(column));
    if (header.sectionSize(column) < needed)
        header.resizeSection(column, needed);
}

} // namespace widgets
