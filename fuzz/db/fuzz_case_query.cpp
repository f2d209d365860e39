// Typed search text into the case list queries: whatever is typed, the bound
// dialects keep it out of the statement and the Access text keeps its quotes
// paired.
#include "db/case_numbering.h"
#include "db/query_builders.h"
#include "db/query_renderer.h"

#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

using namespace db;

// Fields separated by NUL bytes: name, case no., doctor, remark, age from, age to.
QStringList Fields(const std::uint8_t* data, std::size_t size)
{
    QStringList fields = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size)).split(QChar(0));
    while (fields.size() < 6)
        fields << QString();
    return fields;
}

ManageSearchFields Manage(const QStringList& f, std::uint8_t flags)
{
    ManageSearchFields fields;
    fields.name = f[0];
    fields.caseNo = f[1];
    fields.doctor = f[2];
    fields.remark = f[3];
    fields.ageOn = flags & 1;
    fields.ageFrom = f[4];
    fields.ageTo = f[5];
    fields.genderIndex = (flags >> 1) % 4 - 1;
    fields.caseStyle = (flags >> 3) % 3;
    fields.sampleType = (flags >> 5) % 3;
    return fields;
}

// The same fields with every filled text replaced by a plain word.
ManageSearchFields Plain(ManageSearchFields fields)
{
    for (QString* text : {&fields.name, &fields.caseNo, &fields.doctor, &fields.remark}) {
        if (!text->isEmpty())
            *text = QStringLiteral("x");
    }
    return fields;
}

int CountQuotes(const QString& text) { return int(text.count(QLatin1Char('\''))); }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const QStringList f = Fields(data + 1, size - 1);
    const ManageSearchFields fields = Manage(f, data[0]);
    const CaseQuery query = BuildManageQuery(fields);
    const CaseQuery plain = BuildManageQuery(Plain(fields));
    for (const SqlDialect dialect : {SqlDialect::Sqlite, SqlDialect::Postgres}) {
        if (RenderSelect(query, dialect).sql != RenderSelect(plain, dialect).sql)
            std::abort();
        if (RenderCount(query, dialect).sql != RenderCount(plain, dialect).sql)
            std::abort();
    }
    const QString access = RenderSelect(query, SqlDialect::Access).sql;
    if (CountQuotes(access) % 2 != 0 || !access.endsWith(QStringLiteral("ORDER BY [CaseID] ")))
        std::abort();

    ReviewSearchFields review;
    review.name = f[0];
    review.caseNo = f[1];
    review.remark = f[3];
    review.ageOn = data[0] & 1;
    review.ageFrom = f[4];
    review.ageTo = f[5];
    const QString reviewText = RenderSelect(BuildReviewQuery(review), SqlDialect::Access).sql;
    if (CountQuotes(reviewText) % 2 != 0)
        std::abort();
    if (NextCaseNumber(f[0]).size() < 7)
        std::abort();
    return 0;
}
