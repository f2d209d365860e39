#include "review/event_list.h"

#include "lang/language.h"
#include "signal/spo_result.h"

#include <QHeaderView>
#include <array>

namespace review {

namespace {

struct Column {
    const char* key;
    int width;
};
constexpr std::array<Column, 4> kColumns{{{"IDS_STR_SN", 36}, {"IDS_STR_STM", 60}, {"IDS_STR_ENDTM", 60},
                                          {"IDS_STR_SPO2AREA", 66}}};

QTableWidgetItem* Cell(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setTextAlignment(Qt::AlignCenter);
    return item;
}

QString TimeOfDay(const QDateTime& start, std::uint32_t seconds)
{
    return start.addSecs(seconds).time().toString(QStringLiteral("HH:mm:ss"));
}

} // namespace

CEventList::CEventList(QWidget* parent) : QTableWidget(0, int(kColumns.size()), parent)
{
    setObjectName(QStringLiteral("eventList"));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    verticalHeader()->hide();
    for (int column = 0; column < int(kColumns.size()); ++column)
        setColumnWidth(column, kColumns[std::size_t(column)].width);
    ApplyTexts();
}

void CEventList::Fill(const std::filesystem::path& resultFile, const QDateTime& start)
{
    clearContents();
    setRowCount(0);
    SpOAnaResult result;
    std::vector<SpOEvent> events;
    if (!LoadSpOResult(resultFile, result, events).ok())
        return;
    setRowCount(int(events.size()));
    for (int row = 0; row < int(events.size()); ++row) {
        const SpOEvent& event = events[std::size_t(row)];
        setItem(row, 0, Cell(QString::number(row + 1)));
        setItem(row, 1, Cell(TimeOfDay(start, event.StartIndex)));
        setItem(row, 2, Cell(TimeOfDay(start, event.EndIndex)));
        setItem(row, 3, Cell(QString::asprintf("%02u~%02u", event.StartSpo2, event.EndSpo2)));
    }
}

void CEventList::ApplyTexts()
{
    QStringList titles;
    for (const Column& column : kColumns)
        titles << g_Language.GetString(column.key);
    setHorizontalHeaderLabels(titles);
}

} // namespace review
