#pragma once

#include <QString>

#include <optional>
#include <utility>
#include <variant>

namespace db {

// A failure of the database layer: the driver's own message (what a window
// shows) and the five-character state of the first diagnostic record.
struct DbError {
    QString text;
    QString sqlState;

    bool IsUniqueViolation() const
    {
        // 23505 is PostgreSQL's unique violation, 23000 the generic integrity
        // class; the SQLite driver reports a general error with SQLite's text.
        return sqlState == QLatin1String("23505") || sqlState == QLatin1String("23000")
            || text.contains(QLatin1String("UNIQUE constraint failed"));
    }
};

// A value or the error that prevented it.
template <typename T>
class DbResult {
public:
    DbResult(T value) : m_state(std::move(value)) {}
    DbResult(DbError error) : m_state(std::move(error)) {}

    bool ok() const { return std::holds_alternative<T>(m_state); }
    explicit operator bool() const { return ok(); }

    const T& value() const& { return std::get<T>(m_state); }
    T& value() & { return std::get<T>(m_state); }
    T&& value() && { return std::get<T>(std::move(m_state)); }
    const T& operator*() const& { return value(); }
    T& operator*() & { return value(); }
    const T* operator->() const { return &value(); }
    T* operator->() { return &value(); }

    const DbError& error() const { return std::get<DbError>(m_state); }

private:
    std::variant<T, DbError> m_state;
};

// Success without a value, or the error.
class DbStatus {
public:
    DbStatus() = default;
    DbStatus(DbError error) : m_error(std::move(error)) {}

    bool ok() const { return !m_error.has_value(); }
    explicit operator bool() const { return ok(); }
    const DbError& error() const { return *m_error; }

private:
    std::optional<DbError> m_error;
};

} // namespace db
