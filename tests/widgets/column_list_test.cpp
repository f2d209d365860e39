#include "settings/registry_key.h"
#include "widgets/column_list_ctrl.h"

#include <QApplication>
#include <QHeaderView>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

const QString kKey = QStringLiteral("Favorite\\ListColumn");

// A case management list: every column shown, 80 pixels wide, layout under kKey.
struct CaseList {
    CColumnListCtrl list{nullptr};
    QSignalSpy toggled{&list, &CColumnListCtrl::columnToggled};

    CaseList()
    {
        list.SetRegistryKey(kKey);
        for (ListColumn& entry : list.Columns())
            entry = {entry.column, entry.column, QStringLiteral("C%1").arg(entry.column), 0, 80};
        if (list.LoadListLayout() == -1)
            for (const ListColumn& entry : list.Columns())
                list.InsertListColumn(entry.column, entry.text, entry.format, entry.width, entry.column);
    }

    // Opens the header menu and picks the item of `column` with the keyboard.
    void Choose(int column)
    {
        QTimer::singleShot(0, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            menu->setActiveAction(menu->findChild<QAction*>(QStringLiteral("column%1").arg(column)));
            QTest::keyClick(menu, Qt::Key_Return);
        });
        emit list.header()->customContextMenuRequested(QPoint(5, 5));
    }
};

// `values` as stored: 12 32-bit numbers, padded with -1.
QByteArray Slots(std::vector<qint32> values)
{
    values.resize(12, -1);
    return QByteArray(reinterpret_cast<const char*>(values.data()), 48);
}

void StoreLayout(qint32 count, const QByteArray& columns, const QByteArray& order)
{
    auto key = RegistryKey::Create(kKey);
    key->WriteDword(QStringLiteral("ColumnCount"), count);
    key->WriteBinary(QStringLiteral("Columns"), columns);
    key->WriteBinary(QStringLiteral("ColumnOrderArray"), order);
}

} // namespace

TEST(ColumnList, LayoutHiddenThroughTheMenuComesBackAfterARestart)
{
    {
        CaseList first;
        first.Choose(10);
        EXPECT_EQ(RegistryKey::Open(kKey)->ReadDword(QStringLiteral("SubItem10")), 80);
        first.list.header()->moveSection(0, 5);
        first.list.header()->resizeSection(3, 150);
        ASSERT_TRUE(first.list.SaveListLayout());
    }
    CaseList second;
    EXPECT_EQ(second.list.ShownFromLeft(), (std::vector<int>{1, 2, 3, 4, 5, 0, 6, 7, 8, 9, 11}));
    EXPECT_EQ(second.list.header()->sectionSize(3), 150);
    second.Choose(10);
    EXPECT_EQ(second.list.GetPositionMap()[10], 11);
    EXPECT_EQ(second.list.header()->sectionSize(10), 80);
    EXPECT_EQ(QList<QVariantList>(second.toggled), QList<QVariantList>{{10}});
}

TEST(ColumnList, StoredLayoutIsUsedOnlyWhenValid)
{
    const std::vector<int> initial{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    const struct {
        const char* name;
        qint32 count;
        QByteArray columns, order;
        std::vector<int> fromLeft;
    } cases[] = {
        {"valid", 2, Slots({2, 4}), Slots({1, 0}), {4, 2}},
        {"column 12", 3, Slots({1, 12, 2}), Slots({0, 1, 2}), initial},
        {"column twice", 3, Slots({1, 1, 2}), Slots({0, 1, 2}), initial},
        {"entry after the count", 2, Slots({1, 0, 2}), Slots({0, 1}), initial},
        {"order not a permutation", 3, Slots({1, 0, 2}), Slots({0, 0, 1}), initial},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        StoreLayout(c.count, c.columns, c.order);
        EXPECT_EQ(CaseList().list.ShownFromLeft(), c.fromLeft);
    }
}

TEST(ColumnList, HeaderClicksSortByTextAscendingThenDescending)
{
    CaseList list;
    list.list.show();
    std::vector<CColumnListCtrl::Row> rows(3);
    for (int i = 0; i < 3; ++i)
        rows[i].texts[4] = rows[i].caseId = QString::number(i == 0 ? 9 : i == 1 ? 10 : 2);
    rows[2].texts[11] = QString(50, QLatin1Char('x'));
    list.list.SetRows(rows);
    EXPECT_GE(list.list.header()->sectionSize(11), list.list.fontMetrics().horizontalAdvance(rows[2].texts[11]));
    // The texts follow the rows' case ids through the sort.
    const auto ages = [&] { return QStringList{list.list.TextAt(0, 4), list.list.CaseIdAt(1), list.list.CaseIdAt(2)}; };
    QHeaderView* head = list.list.header();
    const QPoint onAge(head->sectionViewportPosition(4) + 5, 5);
    QTest::mouseClick(head->viewport(), Qt::LeftButton, {}, onAge);
    EXPECT_EQ(ages(), (QStringList{"10", "2", "9"}));
    EXPECT_EQ(head->sortIndicatorOrder(), Qt::AscendingOrder);
    QTest::mouseClick(head->viewport(), Qt::LeftButton, {}, onAge);
    EXPECT_EQ(ages(), (QStringList{"9", "2", "10"}));
    EXPECT_EQ(head->sortIndicatorOrder(), Qt::DescendingOrder);
    list.list.SetRows(rows);
    EXPECT_EQ(ages(), (QStringList{"9", "10", "2"}));
    EXPECT_EQ(head->sortIndicatorSection(), -1);
}
