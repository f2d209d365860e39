#include "widgets/column_list_ctrl.h"
#include "widgets/column_fit.h"

#include "lang/language.h"

#include <QHeaderView>
#include <QMenu>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <algorithm>

namespace {

constexpr int kDefaultWidth = 100; // pixels, for a column with no stored width
constexpr int kCaseIdRole = Qt::UserRole;
// The columns whose menu items follow the start-screen state: SN, Name, Remark.
constexpr std::array<int, 3> kStartScreenColumns{0, 2, 11};

Qt::Alignment AlignmentOf(int format)
{
    switch (format) {
    case 1:
        return Qt::AlignRight | Qt::AlignVCenter;
    case 2:
        return Qt::AlignHCenter | Qt::AlignVCenter;
    default:
        return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

// The rows as shown: sorted by comparing texts character code by character
// code (case-sensitive, not by locale, so "10" comes before "9"); every cell
// takes its column's header alignment.
class SortedRows : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role == Qt::TextAlignmentRole)
            return headerData(index.column(), Qt::Horizontal, role);
        return QSortFilterProxyModel::data(index, role);
    }
};

} // namespace

CColumnListCtrl::CColumnListCtrl(QWidget* parent)
    : QTreeView(parent), m_rows(new QStandardItemModel(0, kColumnCount, this)),
      m_sorted(new SortedRows(this))
{
    m_positionOf.fill(-1);
    for (int column = 0; column < kColumnCount; ++column)
        m_columns[static_cast<std::size_t>(column)].column = column;
    m_sorted->setSourceModel(m_rows);
    setModel(m_sorted);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(SelectRows);
    setSelectionMode(SingleSelection);
    setEditTriggers(NoEditTriggers);

    QHeaderView* head = header();
    head->setStretchLastSection(false);
    head->setSectionsMovable(true);
    head->setSectionsClickable(true);
    // Shown from the start, so that every width fitted to a title leaves room
    // for the arrow; no section carries it until the first sort.
    head->setSortIndicatorShown(true);
    head->setSortIndicator(-1, Qt::AscendingOrder);
    head->setContextMenuPolicy(Qt::CustomContextMenu);
    for (int column = 0; column < kColumnCount; ++column)
        head->hideSection(column);
    connect(head, &QHeaderView::customContextMenuRequested, this, &CColumnListCtrl::ShowHeaderMenu);
    connect(head, &QHeaderView::sectionClicked, this, &CColumnListCtrl::SortBy);
}

int CColumnListCtrl::InsertListColumn(int position, const QString& text, int format, int width, int column)
{
    if (column < 0 || column >= kColumnCount || position < 0 || position > ShownCount())
        return -1;
    const auto index = static_cast<std::size_t>(column);
    if (m_columns[index].shown == -1 || m_positionOf[index] != -1)
        return -1;
    if (width == -1) {
        const auto stored = m_strRegKey.isEmpty() ? std::nullopt : widgets::ReadColumnWidth(m_strRegKey, column);
        width = stored.value_or(kDefaultWidth);
    }
    std::vector<int> fromLeft = ShownFromLeft();
    fromLeft.insert(fromLeft.begin() + position, column);
    m_columnAt.insert(m_columnAt.begin() + position, column);
    UpdatePositions();

    m_rows->setHeaderData(column, Qt::Horizontal, text);
    m_rows->setHeaderData(column, Qt::Horizontal, QVariant::fromValue(AlignmentOf(format)), Qt::TextAlignmentRole);
    header()->showSection(column);
    header()->resizeSection(column, width);
    ApplyScreenOrder(fromLeft);
    FitColumn(column);
    return position;
}

void CColumnListCtrl::SetColumnText(int column, const QString& text)
{
    m_columns.at(static_cast<std::size_t>(column)).text = text;
    m_rows->setHeaderData(column, Qt::Horizontal, text);
    if (m_positionOf[static_cast<std::size_t>(column)] != -1)
        FitColumn(column);
}

bool CColumnListCtrl::RemoveListColumn(int position)
{
    if (position < 0 || position >= ShownCount())
        return false;
    const int column = m_columnAt[static_cast<std::size_t>(position)];
    if (!m_strRegKey.isEmpty())
        widgets::WriteColumnWidth(m_strRegKey, column, header()->sectionSize(column));
    header()->hideSection(column);
    m_columnAt.erase(m_columnAt.begin() + position);
    UpdatePositions();
    m_columns[static_cast<std::size_t>(column)].shown = -1;
    ApplyScreenOrder(ShownFromLeft());
    return true;
}

int CColumnListCtrl::LoadListLayout()
{
    const auto layout = m_strRegKey.isEmpty() ? std::nullopt : widgets::ReadListLayout(m_strRegKey);
    if (!layout)
        return -1;
    while (ShownCount() > 0)
        RemoveListColumn(0);
    for (std::size_t position = 0; position < layout->columns.size(); ++position) {
        ListColumn& entry = m_columns[static_cast<std::size_t>(layout->columns[position])];
        entry.shown = entry.column;
        InsertListColumn(static_cast<int>(position), entry.text, 0, -1, entry.column);
    }
    if (!layout->order.empty()) {
        std::vector<int> fromLeft;
        for (const int position : layout->order)
            fromLeft.push_back(m_columnAt[static_cast<std::size_t>(position)]);
        ApplyScreenOrder(fromLeft);
    }
    return ShownCount();
}

bool CColumnListCtrl::SaveListLayout() const
{
    if (m_strRegKey.isEmpty())
        return false;
    widgets::ListLayout layout{m_columnAt, {}};
    std::vector<int> widths;
    for (const int column : m_columnAt)
        widths.push_back(header()->sectionSize(column));
    for (const int column : ShownFromLeft())
        layout.order.push_back(m_positionOf[static_cast<std::size_t>(column)]);
    return widgets::WriteListLayout(m_strRegKey, layout, widths);
}

void CColumnListCtrl::SetRows(const std::vector<Row>& rows)
{
    m_rows->removeRows(0, m_rows->rowCount());
    m_sorted->sort(-1); // back to the order of the rows as given
    m_nSortColumn = 0;
    m_bAscending = true;
    header()->setSortIndicator(-1, Qt::AscendingOrder);
    for (const Row& row : rows) {
        QList<QStandardItem*> items;
        for (const QString& text : row.texts) {
            items.append(new QStandardItem(text));
            items.back()->setEditable(false);
        }
        items.front()->setData(row.caseId, kCaseIdRole);
        m_rows->appendRow(items);
    }
    for (const int column : m_columnAt)
        FitColumn(column);
}

int CColumnListCtrl::RowCount() const
{
    return m_sorted->rowCount();
}

QString CColumnListCtrl::TextAt(int row, int column) const
{
    return m_sorted->index(row, column).data().toString();
}

QString CColumnListCtrl::CaseIdAt(int row) const
{
    return m_sorted->index(row, 0).data(kCaseIdRole).toString();
}

void CColumnListCtrl::ShowHeaderMenu(const QPoint& pos)
{
    // The language file names the items as the first popup of a menu bar.
    QMenu bar;
    QMenu* menu = bar.addMenu(QString());
    for (int column = 0; column < kColumnCount; ++column) {
        QAction* item = menu->addAction(QString());
        item->setObjectName(QStringLiteral("column%1").arg(column));
        item->setData(column);
        item->setCheckable(true);
        item->setChecked(m_positionOf[static_cast<std::size_t>(column)] != -1);
    }
    g_Language.SetMenuText(&bar, "IDR_LIST_SEL_COLUMN");
    const int state = m_fromStartScreen ? m_fromStartScreen() : -1;
    if (state == 0 || state == 1) {
        for (const int column : kStartScreenColumns)
            menu->actions()[column]->setEnabled(state == 1);
    }
    // The last column shown stays: a list without columns has no header to
    // bring them back.
    if (ShownCount() == 1)
        menu->actions()[m_columnAt.front()]->setEnabled(false);
    if (const QAction* chosen = menu->exec(header()->viewport()->mapToGlobal(pos)))
        ToggleColumn(chosen->data().toInt());
}

void CColumnListCtrl::ToggleColumn(int column)
{
    const int position = m_positionOf[static_cast<std::size_t>(column)];
    if (position != -1) {
        RemoveListColumn(position);
    } else {
        ListColumn& entry = m_columns[static_cast<std::size_t>(column)];
        entry.shown = column;
        InsertListColumn(ShownCount(), entry.text, entry.format, entry.width, column);
    }
    emit columnToggled(column);
}

// A click on the sort column reverses the order, a click on another column
// sorts it ascending. Before any click the rows count as sorted by column 0
// ascending (a case list comes in the order of its serial numbers).
void CColumnListCtrl::SortBy(int column)
{
    if (column == m_nSortColumn) {
        m_bAscending = !m_bAscending;
    } else {
        m_nSortColumn = column;
        m_bAscending = true;
    }
    const Qt::SortOrder order = m_bAscending ? Qt::AscendingOrder : Qt::DescendingOrder;
    m_sorted->sort(column, order);
    header()->setSortIndicator(column, order);
}

// Widens a column that is narrower than its title (with room for the sort
// arrow) or one of its texts; never narrows one.
void CColumnListCtrl::FitColumn(int column)
{
    widgets::WidenColumnToFit(*this, *header(), column);
}

void CColumnListCtrl::UpdatePositions()
{
    m_positionOf.fill(-1);
    for (std::size_t position = 0; position < m_columnAt.size(); ++position)
        m_positionOf[static_cast<std::size_t>(m_columnAt[position])] = static_cast<int>(position);
}

// Puts the given columns first, from the left, and the hidden ones after them.
void CColumnListCtrl::ApplyScreenOrder(const std::vector<int>& columnsFromLeft)
{
    std::vector<int> order = columnsFromLeft;
    for (int visual = 0; visual < kColumnCount; ++visual) {
        const int column = header()->logicalIndex(visual);
        if (header()->isSectionHidden(column))
            order.push_back(column);
    }
    for (int visual = 0; visual < kColumnCount; ++visual) {
        const int from = header()->visualIndex(order[static_cast<std::size_t>(visual)]);
        if (from != visual)
            header()->moveSection(from, visual);
    }
}

std::vector<int> CColumnListCtrl::ShownFromLeft() const
{
    std::vector<int> columns;
    for (int visual = 0; visual < kColumnCount; ++visual) {
        const int column = header()->logicalIndex(visual);
        if (!header()->isSectionHidden(column))
            columns.push_back(column);
    }
    return columns;
}
