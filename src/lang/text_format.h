#pragma once

#include <QString>

#include <variant>
#include <vector>

// One value put into a language text used as a format.
using FormatArg = std::variant<long long, double, QString>;

// Fills a language text used as a format, such as "of %d" or
// "Name: %s    Gender: %s    Age: %s". The texts come from files a user may
// edit, so this is no printf: "%d", "%s" and "%f" (with the flags "-" and
// "0", a width and a precision, as in "%04d" or "%.1f") take the arguments in
// order and "%%" is a percent sign; anything else stays as written, a
// conversion without an argument stays as written, extra arguments are
// ignored. A value of another kind than its conversion is written as it is
// (a text stays a text, a number under "%d" loses its fraction).
QString FormatText(const QString& format, const std::vector<FormatArg>& args);
