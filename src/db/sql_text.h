#pragma once

#include "db/system_time.h"

#include <QString>

#include <variant>
#include <vector>

namespace db {

// A NULL parameter (of any type).
struct SqlNull {};

// One value bound to a "?" marker: texts travel as parameters so that nothing
// the user typed is ever part of the statement text.
using SqlValue = std::variant<SqlNull, QString, int, bool, SystemTime>;

// A statement ready to run: the text and the values of its markers, in order.
struct SqlText {
    QString sql;
    std::vector<SqlValue> params;
};

} // namespace db
