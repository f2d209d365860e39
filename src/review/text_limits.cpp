#include "review/text_limits.h"

#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QTextCursor>

namespace review {

int CharacterCount(const QString& text)
{
    int count = 0;
    for (const QChar c : text)
        count += c.isLowSurrogate() ? 0 : 1;
    return count;
}

bool FitsLimit(const QString& text, int maxChars, Allowed allowed)
{
    if (CharacterCount(text) > maxChars)
        return false;
    if (allowed == Allowed::Any)
        return true;
    for (const QChar c : text) {
        const bool digit = c >= QLatin1Char('0') && c <= QLatin1Char('9');
        const bool phoneSign = c == QLatin1Char('(') || c == QLatin1Char(')') || c == QLatin1Char('-');
        if (!digit && !(allowed == Allowed::Phone && phoneSign))
            return false;
    }
    return true;
}

CLimitValidator::CLimitValidator(int maxChars, Allowed allowed, QObject* parent)
    : QValidator(parent), m_maxChars(maxChars), m_allowed(allowed)
{
}

QValidator::State CLimitValidator::validate(QString& input, int&) const
{
    return FitsLimit(input, m_maxChars, m_allowed) ? Acceptable : Invalid;
}

CPlainTextLimit::CPlainTextLimit(QPlainTextEdit* edit, int maxChars)
    : QObject(edit), m_edit(edit), m_maxChars(maxChars), m_accepted(edit->toPlainText())
{
    connect(edit, &QPlainTextEdit::textChanged, this, &CPlainTextLimit::OnTextChanged);
    connect(edit, &QPlainTextEdit::cursorPositionChanged, this, &CPlainTextLimit::OnCaretMoved);
}

void CPlainTextLimit::SetText(const QString& text)
{
    m_accepted = text;
    m_caret = 0;
    const QSignalBlocker blocker(m_edit);
    m_edit->setPlainText(text);
}

void CPlainTextLimit::OnTextChanged()
{
    const QString text = m_edit->toPlainText();
    if (FitsLimit(text, m_maxChars, Allowed::Any)) {
        m_accepted = text;
        m_caret = m_edit->textCursor().position();
        return;
    }
    const QSignalBlocker blocker(m_edit);
    m_edit->setPlainText(m_accepted);
    QTextCursor caret = m_edit->textCursor();
    caret.setPosition(std::min<int>(m_caret, int(m_accepted.size())));
    m_edit->setTextCursor(caret);
}

// Caret moves without a change of text are where a refused change puts it back.
void CPlainTextLimit::OnCaretMoved()
{
    if (m_edit->toPlainText() == m_accepted)
        m_caret = m_edit->textCursor().position();
}

} // namespace review
