#pragma once

#include "db/db_result.h"

#include <QtGlobal>

#include <functional>
#include <memory>

namespace db {

class OdbcConnection;

// Held while a card import checks which archives are loaded and adds their rows, so two
// workstations importing into one shared table never add the same archive twice. On a
// PostgreSQL table it is a session advisory lock (pg_try_advisory_lock on its own
// connection, released when the object goes); on the embedded SQLite file no lock is
// taken here (the start folder's import lock file serialises those imports).
class CaseTableLock {
public:
    // Takes the lock, trying again every 100 ms while `keepWaiting()` says so; `waiting`
    // (may be empty) is called once, before the first wait, so a caller can say
    // "another import is running". A false `keepWaiting()` gives an error "stopped";
    // an empty one waits for as long as it takes.
    static DbResult<CaseTableLock> Acquire(const std::function<bool()>& keepWaiting,
                                           const std::function<void()>& waiting = {});

    CaseTableLock(CaseTableLock&& other) noexcept;
    CaseTableLock& operator=(CaseTableLock&& other) noexcept;
    CaseTableLock(const CaseTableLock&) = delete;
    CaseTableLock& operator=(const CaseTableLock&) = delete;
    // Releases the lock (pg_advisory_unlock), then disconnects.
    ~CaseTableLock();

private:
    CaseTableLock() = default;
    void Release();

    std::unique_ptr<OdbcConnection> m_connection; // empty: nothing held
    qint64 m_key = 0;
};

} // namespace db
