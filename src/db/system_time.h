#pragma once

#include <QDateTime>

#include <cstdint>

namespace db {

// A calendar time to the millisecond, laid out like the Windows SYSTEMTIME the
// case rows were first exchanged in. No time zone: the recorder's local time.
struct SystemTime {
    std::uint16_t year = 0;
    std::uint16_t month = 0;
    std::uint16_t dayOfWeek = 0; // 0 = Sunday
    std::uint16_t day = 0;
    std::uint16_t hour = 0;
    std::uint16_t minute = 0;
    std::uint16_t second = 0;
    std::uint16_t milliseconds = 0;

    bool operator==(const SystemTime&) const = default;

    bool IsValidDate() const { return QDate::isValid(year, month, day) && hour < 24 && minute < 60 && second < 60; }

    // The same time with the day of week filled in from the date.
    SystemTime WithDayOfWeek() const
    {
        SystemTime copy = *this;
        const QDate date(year, month, day);
        copy.dayOfWeek = date.isValid() ? std::uint16_t(date.dayOfWeek() % 7) : 0;
        return copy;
    }

    // Qt's form, in UTC so that no daylight-saving gap can make it invalid.
    QDateTime ToDateTime() const
    {
        return QDateTime(QDate(year, month, day), QTime(hour, minute, second, milliseconds), Qt::UTC);
    }

    static SystemTime FromDateTime(const QDateTime& time)
    {
        const QDate d = time.date();
        const QTime t = time.time();
        SystemTime st{std::uint16_t(d.year()), std::uint16_t(d.month()), 0, std::uint16_t(d.day()),
                      std::uint16_t(t.hour()), std::uint16_t(t.minute()), std::uint16_t(t.second()),
                      std::uint16_t(t.msec())};
        return st.WithDayOfWeek();
    }
};

static_assert(sizeof(SystemTime) == 16, "SystemTime keeps the 16-byte SYSTEMTIME layout");

} // namespace db
