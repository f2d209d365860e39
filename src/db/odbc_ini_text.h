#pragma once

#include <QByteArray>

#include <optional>
#include <vector>

namespace db {

// The text of an ODBC ini file ("[section]" headers, "key = value" lines,
// comments starting with '#' or ';'), edited key by key. Every line that is
// not changed is written back byte for byte, so other programs' sections,
// comments and spacing survive. Section and key names compare without regard
// to case, as the driver manager reads them.
class OdbcIniText {
public:
    static OdbcIniText Parse(const QByteArray& text);
    QByteArray ToBytes() const;

    bool HasSection(const QByteArray& section) const;
    // The value of the first such key in the first such section, trimmed.
    std::optional<QByteArray> Value(const QByteArray& section, const QByteArray& key) const;
    // Replaces the key's line, or adds it at the end of the section; a missing
    // section is added at the end of the text.
    void SetValue(const QByteArray& section, const QByteArray& key, const QByteArray& value);

private:
    struct Range {
        std::size_t header;
        std::size_t end; // one past the section's last line
    };

    std::optional<Range> FindSection(const QByteArray& section) const;
    std::optional<std::size_t> FindKey(const Range& range, const QByteArray& key) const;

    std::vector<QByteArray> m_lines; // without their '\n'
};

} // namespace db
