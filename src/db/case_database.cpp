#include "db/case_database.h"

#include "db/case_table.h"

namespace db {

QString RecordsetConnectString()
{
    return QStringLiteral("ODBC;DSN=") + QLatin1String(kCaseDataSourceName) + QStringLiteral(";PWD=Sorrel7261K");
}

QString DirectConnectString() { return QStringLiteral("DSN=Case;UID=admin;PWD=Sorrel7261K;"); }

DbResult<OdbcConnection> OpenCaseDatabase(CaseConnectionKind kind)
{
    auto connection = OdbcConnection::Open(kind == CaseConnectionKind::Recordset ? RecordsetConnectString()
                                                                                 : DirectConnectString());
    if (!connection)
        return connection;
    if (auto ensured = EnsureCaseTable(*connection); !ensured)
        return ensured.error();
    return connection;
}

} // namespace db
