#pragma once

#include <QString>
#include <optional>
#include <vector>

// The stored column layout of a case list, under one key of the settings
// store (e.g. "Favorite\ListColumn"):
//   "SubItem%2d"        32-bit number: the column's width ("SubItem 3", "SubItem10")
//   "ColumnCount"       32-bit number: how many columns are shown
//   "Columns"           12 little-endian 32-bit numbers: the column index at each
//                       position, -1 after the count
//   "ColumnOrderArray"  12 little-endian 32-bit numbers: the position shown at each
//                       place from the left, -1 after the count
namespace widgets {

inline constexpr int kListColumns = 12;

struct ListLayout {
    std::vector<int> columns; // column index per position
    std::vector<int> order;   // position per place from the left; empty: none stored
};

// The stored layout, or nullopt when there is none or it is not valid: the
// count must be 1..12, "Columns" 48 bytes of distinct column indexes 0..11
// followed by -1, and a stored "ColumnOrderArray" 48 bytes holding each
// position once followed by -1.
std::optional<ListLayout> ReadListLayout(const QString& keyPath);

// Writes count, columns and order, and each shown column's width
// (`widths` per position). False when the store cannot be written.
bool WriteListLayout(const QString& keyPath, const ListLayout& layout, const std::vector<int>& widths);

std::optional<int> ReadColumnWidth(const QString& keyPath, int column);
bool WriteColumnWidth(const QString& keyPath, int column, int width);

} // namespace widgets
