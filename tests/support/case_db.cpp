#include "case_db.h"

#include "db/case_data_source.h"
#include "db/case_database.h"
#include "db/my_record_set.h"
#include "db/odbc_connection.h"

#include <odbcinst.h>

#include <QRandomGenerator>

#include <cstdlib>
#include <unistd.h>

namespace testsupport {

namespace {

QString Env(const char* name)
{
    const char* value = std::getenv(name);
    return value ? QString::fromLocal8Bit(value) : QString();
}

class UserMode {
public:
    UserMode() { SQLSetConfigMode(ODBC_USER_DSN); }
    ~UserMode() { SQLSetConfigMode(ODBC_BOTH_DSN); }
};

} // namespace

std::string BackendName(const testing::TestParamInfo<Backend>& info)
{
    return info.param == Backend::Sqlite ? "SQLite" : "PostgreSQL";
}

void WriteCaseDsnValue(const char* key, const QString& value)
{
    UserMode mode;
    SQLWritePrivateProfileString("Case", key, value.toUtf8().constData(), "odbc.ini");
}

CaseDb::CaseDb(Backend backend, std::filesystem::path startDir) : m_backend(backend), m_startDir(std::move(startDir))
{
    const QString start = QString::fromStdString(m_startDir.string());
    if (backend == Backend::Sqlite) {
        if (const auto registered = db::RegisterCaseDSN(start); !registered.ok())
            m_problem = registered.message;
        return;
    }
    if (Env("TAVO_TEST_PG_PORT").isEmpty()) {
        m_problem = QStringLiteral("TAVO_TEST_PG_PORT is not set: run the tests through ./test.sh, or first "
                                   "eval \"$(scripts/test-postgres.sh start)\"");
        return;
    }
    m_schema = QStringLiteral("t%1_%2").arg(getpid()).arg(QRandomGenerator::global()->generate() % 1000000);
    auto admin = db::OdbcConnection::Open(AdminConnectString());
    if (!admin) {
        m_problem = QStringLiteral("cannot reach the test PostgreSQL server: ") + admin.error().text;
        return;
    }
    if (auto created = admin->Execute(db::SqlText{QStringLiteral("CREATE SCHEMA ") + m_schema, {}}); !created) {
        m_problem = created.error().text;
        return;
    }
    UserMode mode;
    if (!SQLWriteDSNToIni("Case", "PostgreSQL Unicode")) {
        m_problem = QStringLiteral("cannot declare the PostgreSQL data source");
        return;
    }
    WriteCaseDsnValue("Servername", QStringLiteral("127.0.0.1"));
    WriteCaseDsnValue("Port", Env("TAVO_TEST_PG_PORT"));
    WriteCaseDsnValue("Database", Env("TAVO_TEST_PG_DB"));
    WriteCaseDsnValue("Username", Env("TAVO_TEST_PG_USER"));
    WriteCaseDsnValue("Password", Env("TAVO_TEST_PG_PASSWORD"));
    WriteCaseDsnValue("ConnSettings", QStringLiteral("SET search_path TO ") + m_schema);
    // As at the program's start: the entry of another driver stays as declared.
    if (db::RegisterCaseDSN(start) != db::DsnRegistration::LeftAlone)
        m_problem = QStringLiteral("the PostgreSQL data source was not left alone");
}

CaseDb::~CaseDb()
{
    if (m_schema.isEmpty())
        return;
    if (auto admin = db::OdbcConnection::Open(AdminConnectString()))
        admin->Execute(db::SqlText{QStringLiteral("DROP SCHEMA ") + m_schema + QStringLiteral(" CASCADE"), {}});
}

QString CaseDb::AdminConnectString() const
{
    if (m_backend == Backend::Sqlite)
        return QStringLiteral("Driver=SQLite3;Database=%1")
            .arg(db::CaseDatabasePath(QString::fromStdString(m_startDir.string())));
    return QStringLiteral("Driver={PostgreSQL Unicode};Server=127.0.0.1;Port=%1;Database=%2;Uid=%3;Pwd=%4;")
        .arg(Env("TAVO_TEST_PG_PORT"), Env("TAVO_TEST_PG_DB"), Env("TAVO_TEST_PG_USER"), Env("TAVO_TEST_PG_PASSWORD"));
}

void CaseDb::AddRows(const std::vector<db::CaseRow>& rows) const
{
    db::CMyRecordSet recordset;
    ASSERT_TRUE(recordset.OpenForAppend().ok());
    for (const db::CaseRow& row : rows) {
        recordset.AddNew();
        static_cast<db::CaseRow&>(recordset) = row;
        const db::DbStatus added = recordset.Update();
        ASSERT_TRUE(added.ok()) << added.error().text.toStdString();
    }
}

void CaseDb::Execute(const std::string& sql) const
{
    auto connection = db::OpenCaseDatabase(db::CaseConnectionKind::Direct);
    ASSERT_TRUE(connection.ok()) << connection.error().text.toStdString();
    const auto done = connection->Execute(db::SqlText{QString::fromStdString(sql), {}});
    ASSERT_TRUE(done.ok()) << sql << ": " << done.error().text.toStdString();
}

} // namespace testsupport
