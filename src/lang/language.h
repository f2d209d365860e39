#pragma once

#include <QString>
#include <QStringList>
#include <string>
#include <string_view>
#include <vector>

class QMenu;
class QWidget;

// The texts of the user interface, looked up by key in one language file,
// "<current directory>/Language/<name>.ini" (UTF-8). The file is kept in
// memory as its lines (line ends removed, the two-character sequences "\t"
// and "\n" replaced by a tab and a line feed) and every look-up scans them
// from the top, byte by byte:
//
//   [STRING]                   a section header (leading blanks allowed)
//   IDS_STR_WARNING=Warning    key=value; the value is everything after "="
//   ; comment                  lines not starting with a letter are skipped
//   IDS_X=Too long text<7>     a trailing "<N>" cuts the value to N characters
//
// There is no built-in text and no fallback language: with no file every
// text is "".
class CLanguage {
public:
    // Reads the file of language `name`; returns the number of lines, or 0
    // (and no lines) when the file cannot be opened. That case is also
    // reported as one line on stderr naming the file. A name holding "/" is
    // no language name and is treated as a missing file.
    int LoadLanguage(const QString& name);

    // Stores the value of `key` in `section` in `result` ("" when not found)
    // and returns the index of its line; -2 when the section was found but
    // the key is not in it (a later section header came first); -1 when no
    // lines are loaded, the section is missing, or its scan ran off the end.
    // Only the first section of a name is searched and the first entry of the
    // key in it wins; an entry for a longer key ("KEY_10") never matches
    // a shorter one ("KEY_1"). Names compare case-sensitively.
    int GetValue(std::string_view section, std::string_view key, std::string& result) const;

    // The value of `key` in section "STRING", decoded as UTF-8; "" if missing.
    QString GetString(std::string_view key) const;

    // Sets the dialog's window title from "CAPTION" and the text of its n-th
    // control (n from 0) from "IDC<n>" of `section`; a missing key empties
    // the text. Controls are counted in a pre-order walk of the dialog's
    // widget children in creation order: every child widget that is not a
    // window of its own, not a QSizeGrip and not one of Qt's internal
    // widgets (object name starting with "qt_") counts once, and the
    // children of a QGroupBox are visited right after the group box (as the
    // controls a group frame surrounds). Nothing else is entered, so the
    // inner parts of spin boxes, combo boxes or button boxes never count.
    // Texts go to: QLabel, QAbstractButton, QLineEdit, QTextEdit and
    // QPlainTextEdit (their text), an editable QComboBox (its edit text,
    // never its items), QGroupBox (its title). Other controls still count.
    void SetDialogText(QWidget* dialog, std::string_view section) const;

    // Sets every item text of `menu` (and of its sub-menus) from `section`:
    // item i of the menu gets key "IDM" + i, item j of the sub-menu under
    // item i gets "IDM-" + i + j, one level deeper "IDM-" + i + "-" + j + k.
    // Separators are skipped but keep their position in the count.
    void SetMenuText(QMenu* menu, std::string_view section) const;

    // Base names of the "*.ini" files in the language folder, sorted by name.
    static QStringList GetLanguageList();
    static void GetLanguageList(QStringList& list) { list = GetLanguageList(); }

    // "<current directory>/Language/".
    static QString LanguageFolder();

    // The name given to the last LoadLanguage.
    QString languageName() const { return m_strLanguage; }

private:
    void SetMenuItems(QMenu* menu, std::string_view section, const std::string& base) const;

    std::vector<std::string> m_lines;
    QString m_strLanguage;
};

extern CLanguage g_Language;

// The language used when the settings name none: "English".
extern const QString g_DefaultLanguage;
