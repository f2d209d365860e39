#include "db/case_table.h"

#include "db/odbc_connection.h"

#include <QStringList>

namespace db {

namespace {

QString ColumnDeclaration(const CaseColumn& column, SqlDialect dialect)
{
    QString type;
    switch (column.type) {
    case ColumnType::Text:
        type = QStringLiteral("VARCHAR(%1)").arg(column.maxChars);
        break;
    case ColumnType::Integer:
        type = QStringLiteral("INTEGER");
        break;
    case ColumnType::Boolean:
        type = dialect == SqlDialect::Access ? QStringLiteral("BIT") : QStringLiteral("BOOLEAN");
        break;
    case ColumnType::Timestamp:
        type = dialect == SqlDialect::Access ? QStringLiteral("DATETIME") : QStringLiteral("TIMESTAMP");
        break;
    }
    return QuoteName(column.name, dialect) + QLatin1Char(' ') + type;
}

// Empty texts are stored as NULL, as the original recordsets left untouched
// text fields; queries such as "archive name present" rely on that.
SqlValue TextValue(const QString& text, int maxChars)
{
    if (text.isEmpty())
        return SqlNull{};
    return CutText(text, maxChars);
}

std::vector<SqlValue> RowValues(const CaseRow& row)
{
    auto text = [](const QString& value, std::size_t column) {
        return TextValue(value, kCaseColumns[column].maxChars);
    };
    return {text(row.CaseID, 0),      text(row.CaseHisID, 1),  text(row.CaseTAVOID, 2),
            row.CaseStyle,            text(row.CaseName, 4),   row.CaseSex,
            text(row.CaseAge, 6),     text(row.CaseHeight, 7), text(row.CaseWeight, 8),
            text(row.CaseTel, 9),     text(row.CaseAddr, 10),  text(row.PhysicName, 11),
            row.SampleTime,           row.BeDelete,       text(row.Mark, 14),
            text(row.Custom1, 15),    text(row.Custom2, 16),   text(row.Custom3, 17),
            text(row.Custom4, 18)};
}

} // namespace

QString QuoteName(const char* name, SqlDialect dialect)
{
    if (dialect == SqlDialect::Access)
        return QLatin1Char('[') + QLatin1String(name) + QLatin1Char(']');
    return QLatin1Char('"') + QLatin1String(name) + QLatin1Char('"');
}

QString CaseColumnList(SqlDialect dialect)
{
    QStringList names;
    for (const CaseColumn& column : kCaseColumns)
        names << QuoteName(column.name, dialect);
    return names.join(QLatin1String(", "));
}

QString CutText(const QString& text, int maxChars)
{
    if (text.size() <= maxChars)
        return text;
    qsizetype keep = maxChars;
    if (keep > 0 && text.at(keep - 1).isHighSurrogate())
        --keep;
    return text.left(keep);
}

QString CreateCaseTableSql(SqlDialect dialect)
{
    QStringList columns;
    for (const CaseColumn& column : kCaseColumns) {
        QString declaration = ColumnDeclaration(column, dialect);
        if (&column == &kCaseColumns.front())
            declaration += QStringLiteral(" NOT NULL UNIQUE");
        columns << declaration;
    }
    const QString ifMissing = dialect == SqlDialect::Access ? QString() : QStringLiteral("IF NOT EXISTS ");
    return QStringLiteral("CREATE TABLE ") + ifMissing + QuoteName(kCaseTableName, dialect) + QStringLiteral(" (")
        + columns.join(QLatin1String(", ")) + QLatin1Char(')');
}

DbStatus EnsureCaseTable(OdbcConnection& connection)
{
    // An Access database ships with its table; the others get it on first use.
    if (connection.dialect() == SqlDialect::Access)
        return {};
    const SqlText probe{QStringLiteral("SELECT 1 FROM ") + QuoteName(kCaseTableName, connection.dialect())
                            + QStringLiteral(" WHERE 1 = 0"),
                        {}};
    if (connection.Execute(probe))
        return {};
    auto created = connection.Execute(SqlText{CreateCaseTableSql(connection.dialect()), {}});
    if (created)
        return {};
    // Another workstation may have created it at the same moment.
    if (connection.Execute(probe))
        return {};
    return created.error();
}

SqlText InsertCaseRowSql(const CaseRow& row, SqlDialect dialect)
{
    QStringList markers;
    for (std::size_t i = 0; i < kCaseColumns.size(); ++i)
        markers << QStringLiteral("?");
    return SqlText{QStringLiteral("INSERT INTO ") + QuoteName(kCaseTableName, dialect) + QStringLiteral(" (")
                       + CaseColumnList(dialect) + QStringLiteral(") VALUES (") + markers.join(QLatin1String(", "))
                       + QLatin1Char(')'),
                   RowValues(row)};
}

SqlText UpdateCaseRowSql(const CaseRow& row, const QString& keyCaseId, SqlDialect dialect)
{
    QStringList assignments;
    for (const CaseColumn& column : kCaseColumns)
        assignments << QuoteName(column.name, dialect) + QStringLiteral(" = ?");
    SqlText statement{QStringLiteral("UPDATE ") + QuoteName(kCaseTableName, dialect) + QStringLiteral(" SET ")
                          + assignments.join(QLatin1String(", ")) + QStringLiteral(" WHERE ")
                          + QuoteName("CaseID", dialect) + QStringLiteral(" = ?"),
                      RowValues(row)};
    statement.params.emplace_back(keyCaseId);
    return statement;
}

} // namespace db
