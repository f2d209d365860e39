#pragma once

#include "widgets/list_layout_store.h"

#include <QString>
#include <QTreeView>
#include <array>
#include <functional>

class QSortFilterProxyModel;
class QStandardItemModel;

// One of the 12 possible columns of a case list, as its owner sets it up.
struct ListColumn {
    int shown = -1;   // the column index while the column is to be shown or is present; -1 hidden
    int column = 0;   // index 0..11, as in the rows' texts
    QString text;     // header text
    int format = 0;   // alignment: 0 left, 1 right, 2 centred
    int width = 100;  // pixels; -1: the stored width
};

// The report-style list of both case lists: rows of 12 texts (one per
// possible column), of which the present columns are shown. The user shows
// and hides columns through a menu on the header and sorts the rows by a
// header click; widths and layout live under the list's key in the settings
// store (widgets/list_layout_store.h).
//
// A present column has a position (0 .. shown count - 1, in the order the
// columns were inserted; hiding one moves the later ones down) and a place
// on screen, which the user may change by dragging its header.
class CColumnListCtrl : public QTreeView {
    Q_OBJECT
public:
    static constexpr int kColumnCount = widgets::kListColumns;
    using RowTexts = std::array<QString, kColumnCount>;

    explicit CColumnListCtrl(QWidget* parent);

    // The settings key of widths and layout ("Favorite\ListColumn"); with
    // none, nothing is read or stored.
    void SetRegistryKey(const QString& keyPath) { m_strRegKey = keyPath; }

    // The owner fills the table before inserting its first column.
    std::array<ListColumn, kColumnCount>& Columns() { return m_columns; }
    // A new header text (after a language change), kept in the table too.
    void SetColumnText(int column, const QString& text);

    // The application's "left the start screen" state, asked each time the
    // header menu opens: 0 greys the items of columns 0, 2 and 11, 1 enables
    // them, anything else (or no source) leaves them as they are.
    void SetFromStartScreenSource(std::function<int()> source) { m_fromStartScreen = std::move(source); }

    // Inserts `column` at `position` (0 .. shown count) unless the table
    // marks it hidden or it is present already: -1 then. A width of -1 takes
    // the stored width (100 when none is stored). Returns the position.
    int InsertListColumn(int position, const QString& text, int format, int width, int column);
    // Stores the column's present width and takes it away; false for a
    // position that holds no column.
    bool RemoveListColumn(int position);

    // Replaces the present columns by the stored layout and returns how many
    // columns it shows, or -1 (nothing changed) when no valid layout is
    // stored; the owner then inserts its initial columns.
    int LoadListLayout();
    // Stores the present columns, their order on screen and their widths; the
    // owner calls it when its window closes. False when the store cannot be
    // written (or the list has no key).
    bool SaveListLayout() const;

    // Position of each column index, -1 when it is not present.
    std::array<int, kColumnCount> GetPositionMap() const { return m_positionOf; }
    int ShownCount() const { return static_cast<int>(m_columnAt.size()); }
    // The present columns in their places on screen, from the left.
    std::vector<int> ShownFromLeft() const;

    // One row: its 12 texts by column index and the case it shows.
    struct Row {
        RowTexts texts;
        QString caseId;
    };
    // Replaces the rows (one page of a case list), shown in the given order:
    // a refill undoes the sorting. Columns narrower than a text are widened.
    void SetRows(const std::vector<Row>& rows);
    int RowCount() const;
    // By row as shown (after sorting) and column index.
    QString TextAt(int row, int column) const;
    QString CaseIdAt(int row) const;

    int SortColumn() const { return m_nSortColumn; }
    bool SortAscending() const { return m_bAscending; }

signals:
    // A column was shown or hidden through the header menu.
    void columnToggled(int column);

private:
    void ShowHeaderMenu(const QPoint& pos);
    void ToggleColumn(int column);
    void SortBy(int column);
    void FitColumn(int column);
    void UpdatePositions();
    void ApplyScreenOrder(const std::vector<int>& columnsFromLeft);

    QString m_strRegKey;
    std::array<ListColumn, kColumnCount> m_columns;
    std::array<int, kColumnCount> m_positionOf;
    std::vector<int> m_columnAt; // column index per position
    int m_nSortColumn = 0;
    bool m_bAscending = true;
    std::function<int()> m_fromStartScreen;
    QStandardItemModel* m_rows;
    QSortFilterProxyModel* m_sorted;
};
