#include "db/case_database.h"

#include "db/case_data_source.h"
#include "db/case_table.h"

namespace db {

namespace {

// Signs in with the credentials declared for "Case" itself.
QString OwnCredentialsString() { return QStringLiteral("DSN=Case;"); }

} // namespace

QString RecordsetConnectString()
{
    const RegisteredCase registered = RegisteredCaseDatabase();
    if (registered.kind != RegisteredCase::Kind::EmbeddedFile)
        return OwnCredentialsString();
    return QStringLiteral("ODBC;DSN=") + QLatin1String(kCaseDataSourceName) + QStringLiteral(";PWD=Sorrel7261K")
        + QStringLiteral(";Database=") + registered.databaseFile;
}

QString DirectConnectString()
{
    const RegisteredCase registered = RegisteredCaseDatabase();
    if (registered.kind != RegisteredCase::Kind::EmbeddedFile)
        return OwnCredentialsString();
    return QStringLiteral("DSN=Case;UID=admin;PWD=Sorrel7261K;") + QStringLiteral("Database=")
        + registered.databaseFile + QLatin1Char(';');
}

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
