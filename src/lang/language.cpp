#include "lang/language.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSizeGrip>
#include <QTextEdit>
#include <QWidget>
#include <algorithm>
#include <climits>
#include <cstdio>
#include <optional>

CLanguage g_Language;
const QString g_DefaultLanguage = QStringLiteral("English");

namespace {

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

std::string_view TrimLeft(std::string_view text)
{
    std::size_t start = 0;
    while (start < text.size() && IsSpace(text[start]))
        ++start;
    return text.substr(start);
}

void ReplaceAll(std::string& text, std::string_view from, char to)
{
    std::size_t pos = 0;
    while ((pos = text.find(from, pos)) != std::string::npos) {
        text.replace(pos, from.size(), 1, to);
        ++pos;
    }
}

bool IsHeaderOf(std::string_view line, std::string_view section)
{
    return line.size() >= section.size() + 2 && line[0] == '[' && line.substr(1, section.size()) == section
        && line[section.size() + 1] == ']';
}

// The value of `key` when the (trimmed) line is "key", blanks, "=", value.
std::optional<std::string_view> ValueOfKey(std::string_view line, std::string_view key)
{
    if (!line.starts_with(key))
        return std::nullopt;
    const std::string_view rest = TrimLeft(line.substr(key.size()));
    if (rest.empty() || rest[0] != '=')
        return std::nullopt;
    return rest.substr(1);
}

// Reads a decimal number the way atoi does (leading blanks, a sign, digits),
// saturating instead of overflowing.
int ParseCount(std::string_view text)
{
    text = TrimLeft(text);
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    long long value = 0;
    for (std::size_t i = 0; i < text.size() && IsDigit(text[i]); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > INT_MAX) {
            value = INT_MAX;
            break;
        }
    }
    return static_cast<int>(negative ? -value : value);
}

// The first `count` characters of UTF-8 text (a character starts at every
// byte that is not a continuation byte).
std::string_view FirstCharacters(std::string_view text, int count)
{
    if (count <= 0)
        return {};
    int started = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && started++ == count)
            return text.substr(0, i);
    }
    return text;
}

// "text<N>" becomes text cut to N characters; anything after ">" goes too.
std::string ApplyLengthSuffix(std::string_view value)
{
    const std::size_t open = value.rfind('<');
    const std::size_t close = value.rfind('>');
    if (open == std::string_view::npos || close == std::string_view::npos || close <= open + 1)
        return std::string(value);
    return std::string(FirstCharacters(value.substr(0, open), ParseCount(value.substr(open + 1))));
}

void ReportMissingFile(const QString& path, const QString& reason)
{
    const QByteArray line = QStringLiteral("TAVO_Vezi: cannot open language file %1: %2\n").arg(path, reason).toLocal8Bit();
    std::fputs(line.constData(), stderr);
}

// The controls SetDialogText numbers, in order (see the header).
void CollectControls(const QWidget* parent, std::vector<QWidget*>& controls)
{
    for (QObject* child : parent->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (!widget || widget->isWindow() || qobject_cast<QSizeGrip*>(widget)
            || widget->objectName().startsWith(QLatin1String("qt_")))
            continue;
        controls.push_back(widget);
        if (qobject_cast<QGroupBox*>(widget))
            CollectControls(widget, controls);
    }
}

void SetControlText(QWidget* control, const QString& text)
{
    if (auto* label = qobject_cast<QLabel*>(control))
        label->setText(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(control))
        button->setText(text);
    else if (auto* edit = qobject_cast<QLineEdit*>(control))
        edit->setText(text);
    else if (auto* combo = qobject_cast<QComboBox*>(control)) {
        if (combo->isEditable())
            combo->setEditText(text);
    } else if (auto* group = qobject_cast<QGroupBox*>(control))
        group->setTitle(text);
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(control))
        plain->setPlainText(text);
    else if (auto* rich = qobject_cast<QTextEdit*>(control))
        rich->setPlainText(text);
}

} // namespace

int CLanguage::LoadLanguage(const QString& name)
{
    m_lines.clear();
    m_strLanguage = name;
    const QString path = LanguageFolder() + name + QStringLiteral(".ini");
    if (name.contains(QLatin1Char('/')) || name.contains(QChar(0))) {
        ReportMissingFile(path, QStringLiteral("not a language name"));
        return 0;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ReportMissingFile(path, file.errorString());
        return 0;
    }
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        ReportMissingFile(path, file.errorString());
        return 0;
    }

    std::string_view rest(data.constData(), static_cast<std::size_t>(data.size()));
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        std::string line(rest.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        ReplaceAll(line, "\\t", '\t');
        ReplaceAll(line, "\\n", '\n');
        m_lines.push_back(std::move(line));
    }
    return static_cast<int>(std::min<std::size_t>(m_lines.size(), INT_MAX));
}

int CLanguage::GetValue(std::string_view section, std::string_view key, std::string& result) const
{
    result.clear();
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        if (!IsHeaderOf(TrimLeft(m_lines[i]), section))
            continue;
        for (std::size_t j = i + 1; j < m_lines.size(); ++j) {
            const std::string_view line = TrimLeft(m_lines[j]);
            if (line.empty())
                continue;
            if (line[0] == '[')
                return -2;
            if (!IsLetter(line[0]))
                continue;
            if (const auto value = ValueOfKey(line, key)) {
                result = ApplyLengthSuffix(*value);
                return static_cast<int>(j);
            }
        }
        // The section ran to the end of the file, so no later header exists.
        return -1;
    }
    return -1;
}

QString CLanguage::GetString(std::string_view key) const
{
    std::string value;
    GetValue("STRING", key, value);
    return QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size()));
}

void CLanguage::SetDialogText(QWidget* dialog, std::string_view section) const
{
    if (!dialog)
        return;
    std::string value;
    GetValue(section, "CAPTION", value);
    dialog->setWindowTitle(QString::fromStdString(value));

    std::vector<QWidget*> controls;
    CollectControls(dialog, controls);
    for (std::size_t n = 0; n < controls.size(); ++n) {
        GetValue(section, "IDC" + std::to_string(n), value);
        SetControlText(controls[n], QString::fromStdString(value));
    }
}

void CLanguage::SetMenuText(QMenu* menu, std::string_view section) const
{
    if (menu)
        SetMenuItems(menu, section, "IDM");
}

void CLanguage::SetMenuItems(QMenu* menu, std::string_view section, const std::string& base) const
{
    const QList<QAction*> items = menu->actions();
    std::string value;
    for (qsizetype i = 0; i < items.size(); ++i) {
        QAction* item = items[i];
        if (item->isSeparator())
            continue;
        GetValue(section, base + std::to_string(i), value);
        item->setText(QString::fromStdString(value));
        if (QMenu* submenu = QMenu::menuInAction(item))
            SetMenuItems(submenu, section, base + "-" + std::to_string(i));
    }
}

QStringList CLanguage::GetLanguageList()
{
    const QStringList files = QDir(LanguageFolder())
                                  .entryList({QStringLiteral("*.ini")}, QDir::Files | QDir::CaseSensitive, QDir::Name);
    QStringList names;
    for (const QString& file : files)
        names.append(file.left(file.lastIndexOf(QLatin1Char('.'))));
    return names;
}

QString CLanguage::LanguageFolder()
{
    return QDir::currentPath() + QStringLiteral("/Language/");
}
