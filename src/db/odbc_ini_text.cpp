#include "db/odbc_ini_text.h"

#include <QList>

namespace db {

namespace {

std::optional<QByteArray> SectionName(const QByteArray& line)
{
    const QByteArray text = line.trimmed();
    const qsizetype close = text.indexOf(']');
    if (!text.startsWith('[') || close < 0)
        return std::nullopt;
    return text.mid(1, close - 1).trimmed();
}

std::optional<QByteArray> KeyName(const QByteArray& line)
{
    const QByteArray text = line.trimmed();
    const qsizetype equals = text.indexOf('=');
    if (text.startsWith('#') || text.startsWith(';') || equals < 0)
        return std::nullopt;
    return text.left(equals).trimmed();
}

bool SameName(const QByteArray& a, const QByteArray& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

} // namespace

OdbcIniText OdbcIniText::Parse(const QByteArray& text)
{
    OdbcIniText ini;
    for (const QByteArray& line : text.split('\n'))
        ini.m_lines.push_back(line);
    // The split leaves one empty piece after a final line break.
    if (!ini.m_lines.empty() && ini.m_lines.back().isEmpty())
        ini.m_lines.pop_back();
    return ini;
}

QByteArray OdbcIniText::ToBytes() const
{
    QByteArray text;
    for (const QByteArray& line : m_lines)
        text += line + '\n';
    return text;
}

bool OdbcIniText::HasSection(const QByteArray& section) const { return FindSection(section).has_value(); }

std::optional<QByteArray> OdbcIniText::Value(const QByteArray& section, const QByteArray& key) const
{
    const auto range = FindSection(section);
    const auto line = range ? FindKey(*range, key) : std::nullopt;
    if (!line)
        return std::nullopt;
    const QByteArray& text = m_lines[*line];
    return text.mid(text.indexOf('=') + 1).trimmed();
}

void OdbcIniText::SetValue(const QByteArray& section, const QByteArray& key, const QByteArray& value)
{
    const QByteArray line = key + '=' + value;
    auto range = FindSection(section);
    if (!range) {
        if (!m_lines.empty() && !m_lines.back().trimmed().isEmpty())
            m_lines.emplace_back();
        m_lines.push_back('[' + section + ']');
        m_lines.push_back(line);
        return;
    }
    if (const auto existing = FindKey(*range, key)) {
        m_lines[*existing] = line;
        return;
    }
    // After the section's last non-blank line, so the blank line that parts it
    // from the next section stays where it was.
    std::size_t at = range->end;
    while (at > range->header + 1 && m_lines[at - 1].trimmed().isEmpty())
        --at;
    m_lines.insert(m_lines.begin() + std::ptrdiff_t(at), line);
}

std::optional<OdbcIniText::Range> OdbcIniText::FindSection(const QByteArray& section) const
{
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const auto name = SectionName(m_lines[i]);
        if (!name || !SameName(*name, section))
            continue;
        std::size_t end = i + 1;
        while (end < m_lines.size() && !SectionName(m_lines[end]))
            ++end;
        return Range{i, end};
    }
    return std::nullopt;
}

std::optional<std::size_t> OdbcIniText::FindKey(const Range& range, const QByteArray& key) const
{
    for (std::size_t i = range.header + 1; i < range.end; ++i) {
        const auto name = KeyName(m_lines[i]);
        if (name && SameName(*name, key))
            return i;
    }
    return std::nullopt;
}

} // namespace db
