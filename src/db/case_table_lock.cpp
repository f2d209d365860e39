#include "db/case_table_lock.h"

#include "base/retry.h"
#include "db/case_data_source.h"
#include "db/case_database.h"
#include "db/odbc_connection.h"
#include "db/odbc_statement.h"

#include <chrono>
#include <optional>
#include <utility>

namespace db {

namespace {

constexpr std::chrono::milliseconds kRetryInterval{100};

// The lock's key: the high half says "TAVO" (0x5441564F), so no other
// program's advisory locks collide with it; the low half is the table's oid,
// so tables in other schemas or databases of the server keep their own lock.
const char* const kKeySql = "SELECT CAST((x'5441564F'::bigint << 32) | '\"CaseManage\"'::regclass::oid::bigint "
                            "AS VARCHAR(20))";

DbResult<QString> QueryText(OdbcConnection& connection, const QString& sql)
{
    auto statement = OdbcStatement::Create(connection);
    if (!statement)
        return statement.error();
    if (auto executed = statement->Execute(SqlText{sql, {}}); !executed)
        return executed.error();
    auto fetched = statement->Fetch();
    if (!fetched)
        return fetched.error();
    if (!*fetched)
        return DbError{QStringLiteral("The database gave no answer to \"%1\".").arg(sql), QString()};
    auto text = statement->GetText(1);
    if (!text)
        return text.error();
    return text->value_or(QString());
}

} // namespace

DbResult<CaseTableLock> CaseTableLock::Acquire(const std::function<bool()>& keepWaiting,
                                               const std::function<void()>& waiting)
{
    if (RegisteredCaseDatabase().kind == RegisteredCase::Kind::EmbeddedFile)
        return CaseTableLock();
    auto connection = OpenCaseDatabase(CaseConnectionKind::Direct);
    if (!connection)
        return connection.error();
    if (connection->dialect() != SqlDialect::Postgres)
        return CaseTableLock();
    const auto key = QueryText(*connection, QString::fromLatin1(kKeySql));
    if (!key)
        return key.error();
    const QString trySql = QStringLiteral("SELECT CASE WHEN pg_try_advisory_lock(%1) THEN 'yes' ELSE 'no' END")
                               .arg(*key);
    std::optional<DbError> failure;
    const auto tryLock = [&] {
        const auto taken = QueryText(*connection, trySql);
        if (!taken)
            failure = taken.error();
        return taken && *taken != QLatin1String("yes") ? base::Attempt::Busy : base::Attempt::Done;
    };
    if (!base::RetryWhileBusy(tryLock, keepWaiting, waiting, kRetryInterval))
        return DbError{QStringLiteral("stopped"), QString()};
    if (failure)
        return *failure;
    CaseTableLock lock;
    lock.m_connection = std::make_unique<OdbcConnection>(std::move(connection).value());
    lock.m_key = key->toLongLong();
    return lock;
}

CaseTableLock::CaseTableLock(CaseTableLock&& other) noexcept
    : m_connection(std::move(other.m_connection)), m_key(other.m_key)
{
}

CaseTableLock& CaseTableLock::operator=(CaseTableLock&& other) noexcept
{
    if (this != &other) {
        Release();
        m_connection = std::move(other.m_connection);
        m_key = other.m_key;
    }
    return *this;
}

CaseTableLock::~CaseTableLock() { Release(); }

void CaseTableLock::Release()
{
    if (!m_connection)
        return;
    // A failed unlock needs no answer: the disconnect ends the session, and
    // the server drops its session locks with it.
    (void)QueryText(*m_connection, QStringLiteral("SELECT CAST(pg_advisory_unlock(%1) AS VARCHAR(5))").arg(m_key));
    m_connection.reset();
}

} // namespace db
