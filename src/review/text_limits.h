#pragma once

#include <QObject>
#include <QString>
#include <QValidator>

class QPlainTextEdit;

namespace review {

// Characters of a text as a reader counts them: a surrogate pair is one.
int CharacterCount(const QString& text);

// The characters an entry field takes.
enum class Allowed {
    Any,
    Digits, // 0-9
    Phone,  // 0-9, "(", ")", "-"
};

// Whether a field of that limit takes the text.
bool FitsLimit(const QString& text, int maxChars, Allowed allowed);

// Refuses a change of a line edit that would make its text longer than
// maxChars characters or put in a character the field does not take: the
// text and the caret stay as they were. Texts the program sets are not
// checked.
class CLimitValidator : public QValidator {
    Q_OBJECT
public:
    CLimitValidator(int maxChars, Allowed allowed, QObject* parent);

    State validate(QString& input, int& pos) const override;

private:
    int m_maxChars;
    Allowed m_allowed;
};

// The same limit for a multi-line edit, which takes no validator: a change
// beyond the limit is undone and the caret put back where it was.
class CPlainTextLimit : public QObject {
    Q_OBJECT
public:
    CPlainTextLimit(QPlainTextEdit* edit, int maxChars);

    // Puts in a text of the program's own (not checked).
    void SetText(const QString& text);

private:
    void OnTextChanged();
    void OnCaretMoved();

    QPlainTextEdit* m_edit;
    int m_maxChars;
    QString m_accepted;
    int m_caret = 0;
};

} // namespace review
