#include "db/case_numbering.h"

#include "db/case_database.h"
#include "db/odbc_statement.h"
#include "db/query_renderer.h"

namespace db {

namespace {

qint64 LeadingNumber(const QString& text)
{
    qint64 number = 0;
    for (const QChar c : text) {
        if (!c.isDigit() || c.unicode() > 0x7f)
            break;
        if (number > (std::numeric_limits<qint64>::max() - 9) / 10)
            break;
        number = number * 10 + (c.unicode() - '0');
    }
    return number;
}

} // namespace

QString NextCaseNumber(const QString& lastNumber)
{
    return QStringLiteral("%1").arg(LeadingNumber(lastNumber) + 1, 7, 10, QLatin1Char('0'));
}

DbResult<QString> LastCaseNumber(OdbcConnection& connection)
{
    CaseQuery newest;
    newest.order = CaseOrder::CaseNumberDescending;
    newest.top = 1;
    auto statement = OdbcStatement::Create(connection);
    if (!statement)
        return statement.error();
    if (auto status = statement->Execute(RenderSelect(newest, connection.dialect())); !status)
        return status.error();
    auto fetched = statement->Fetch();
    if (!fetched)
        return fetched.error();
    if (!*fetched)
        return QString();
    auto caseId = statement->GetText(1);
    if (!caseId)
        return caseId.error();
    return caseId->value_or(QString());
}

DbResult<QString> NewCaseID(OdbcConnection& connection, NumberingRule rule)
{
    auto last = LastCaseNumber(connection);
    if (!last)
        return last;
    if (last->isEmpty() && rule == NumberingRule::Download)
        return NextCaseNumber(QStringLiteral("0000001"));
    return NextCaseNumber(*last);
}

DbResult<QString> NewCaseID(NumberingRule rule)
{
    auto connection = OpenCaseDatabase(CaseConnectionKind::Recordset);
    if (!connection)
        return connection.error();
    return NewCaseID(*connection, rule);
}

} // namespace db
