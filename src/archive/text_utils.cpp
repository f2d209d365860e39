#include "archive/text_utils.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <vector>

namespace archive {
namespace {

void ReplaceAll(std::string& text, std::string_view from, std::string_view to)
{
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

} // namespace

std::string FormatInt(int value)
{
    return std::to_string(value);
}

std::string FormatFixed(double value, int decimals)
{
    const int precision = decimals < 0 ? 0 : decimals;
    const int length = std::snprintf(nullptr, 0, "%.*f", precision, value);
    if (length <= 0)
        return {};
    std::vector<char> buffer(static_cast<std::size_t>(length) + 1);
    std::snprintf(buffer.data(), buffer.size(), "%.*f", precision, value);
    return std::string(buffer.data(), static_cast<std::size_t>(length));
}

std::int64_t RoundToInt(double value)
{
    if (std::isnan(value))
        return 0;
    const double shifted = std::trunc(value >= 0 ? value + 0.5 : value - 0.5);
    // 2^63 is exactly representable; anything from there on does not fit.
    constexpr double kLimit = 9223372036854775808.0;
    if (shifted >= kLimit)
        return std::numeric_limits<std::int64_t>::max();
    if (shifted < -kLimit)
        return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(shifted);
}

std::string EscapeLike(std::string_view text)
{
    std::string escaped(text);
    ReplaceAll(escaped, "[", "[[]");
    ReplaceAll(escaped, "%", "[%]");
    ReplaceAll(escaped, "'", "''");
    ReplaceAll(escaped, "_", "[_]");
    return escaped;
}

} // namespace archive
