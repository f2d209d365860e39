#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace archive {

// Decimal text of the value ("%d").
std::string FormatInt(int value);

// The value printed with exactly `decimals` decimals ("%.<d>f"); a negative
// count counts as 0.
std::string FormatFixed(double value, int decimals);

// Nearest integer, halves away from zero: the integer part of x + 0.5 for
// x >= 0, of x - 0.5 otherwise. NaN gives 0; values beyond the 64-bit range
// give its nearest end.
std::int64_t RoundToInt(double value);

// Text made safe for a quoted SQL LIKE pattern with bracket escapes:
// "[" -> "[[]", "%" -> "[%]", "'" -> "''", "_" -> "[_]", in this order.
std::string EscapeLike(std::string_view text);

} // namespace archive
